#include "ui/EndOfRunNotice.h"

#include <QObject>

#include "automation/FinishActions.h"
#include "engine/RunFailureNotice.h"

EndOfRunNotice::EndOfRunNotice(QWidget* window) : warning_(window) {
  SetRunFailureNotice(
      [this](const std::string& failure) { Show(QObject::tr("At the start of a run, %1."), failure); });
  SetFinishFailureNotice(
      [this](const std::string& failure) { Show(QObject::tr("At the end of a run, %1."), failure); });
}

EndOfRunNotice::~EndOfRunNotice() {
  SetFinishFailureNotice(nullptr);
  SetRunFailureNotice(nullptr);
}

void EndOfRunNotice::Show(const QString& when, const std::string& failure) {
  warning_.Show(when.arg(QString::fromStdString(failure)) +
                QObject::tr("\n\nLater failures at the start or end of a run in this session are not "
                            "reported here."));
}
