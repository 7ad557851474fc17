#include "ui/OnceShownWarning.h"

#include <QMessageBox>

void OnceShownWarning::Show(const QString& text) {
  if (shown_ || !window_->isVisible()) return;
  shown_ = true;
  auto* message =
      new QMessageBox(QMessageBox::Warning, QObject::tr("Velquor"), text, QMessageBox::Ok, window_);
  message->setAttribute(Qt::WA_DeleteOnClose);
  message->setWindowModality(Qt::NonModal);
  message->show();
}
