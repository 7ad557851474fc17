#include "ui/EndOfRunNotice.h"

#include <QObject>

#include "engine/RunFailureNotice.h"

EndOfRunNotice::EndOfRunNotice(QWidget* window) : warning_(window) {
  SetRunFailureNotice([this](RunMoment when, const std::string& failure) {
    const QString where = when == RunMoment::Start ? QObject::tr("At the start of a run, %1.")
                                                   : QObject::tr("At the end of a run, %1.");
    warning_.Show(where.arg(QString::fromStdString(failure)) +
                  QObject::tr("\n\nLater failures at the start or end of a run in this session are not "
                              "reported here."));
  });
}

EndOfRunNotice::~EndOfRunNotice() { SetRunFailureNotice(nullptr); }
