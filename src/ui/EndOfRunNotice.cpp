#include "ui/EndOfRunNotice.h"

#include <QObject>

#include "automation/FinishActions.h"

EndOfRunNotice::EndOfRunNotice(QWidget* window) : warning_(window) {
  SetFinishFailureNotice([this](const std::string& failure) {
    warning_.Show(QObject::tr("At the end of a run, %1.\n\nLater end-of-run actions of this session that "
                              "fail are not reported here.")
                      .arg(QString::fromStdString(failure)));
  });
}

EndOfRunNotice::~EndOfRunNotice() { SetFinishFailureNotice(nullptr); }
