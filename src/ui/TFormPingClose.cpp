// The user's close of the main window: its save, made while the window is
// still shown, so that a failure reaches the user before the session's pages
// and settings are gone.

#include <QMessageBox>
#include <QPushButton>

#include "ui/TFormPing.h"

namespace {

enum class UnsavedClose { Retry, CloseWithoutSaving, Cancel };

// Modal, unlike the once-a-session message of the other saves: the window
// must wait for the answer. Its own close button cancels.
UnsavedClose AskUnsavedClose(QWidget* parent, const Status& failure) {
  QMessageBox box(QMessageBox::Warning, QObject::tr("Velquor"),
                  QObject::tr("The pages and settings cannot be saved:\n%1\n\nRetry once the cause is "
                              "mended, or close without saving and lose the changes of this session.")
                      .arg(QString::fromStdString(failure.message)),
                  QMessageBox::NoButton, parent);
  QPushButton* retry = box.addButton(QObject::tr("Retry"), QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(QObject::tr("Close without saving"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QObject::tr("Cancel"), QMessageBox::RejectRole);
  box.setDefaultButton(retry);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == retry) return UnsavedClose::Retry;
  if (box.clickedButton() == discard) return UnsavedClose::CloseWithoutSaving;
  return UnsavedClose::Cancel;
}

}  // namespace

bool TFormPing::SaveBeforeClose() {
  // A start-up that failed must never overwrite the files it did not read.
  // A session end while the question waits makes its own save, which then
  // stands for this one, and closes the window itself.
  while (initialised_ && !exitSaved_) {
    const Status failure = WriteAll();
    if (failure.ok()) {
      exitSaved_ = true;
      break;
    }
    // The question is for the user; the session's log keeps the failure too.
    LogSaveFailure(failure);
    switch (AskUnsavedClose(this, failure)) {
      case UnsavedClose::Retry:
        break;
      case UnsavedClose::CloseWithoutSaving:
        exitSaved_ = true;
        break;
      case UnsavedClose::Cancel:
        return false;
    }
  }
  return true;
}
