#include "ui/DesktopServicesOpener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>

#include "pages/TextHelpers.h"
#include "platform/DesktopOpener.h"

QUrl DesktopUrl(const std::string& target) {
  if (target.empty()) return {};
  const QString text = QString::fromStdString(target);
  if (IsWebAddress(target)) return QUrl(text);
  return QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
}

bool OpenThroughDesktopServices(const std::string& target) {
  const QUrl url = DesktopUrl(target);
  return !url.isEmpty() && QDesktopServices::openUrl(url);
}

void OpenOrSayWhyNot(QWidget* parent, const std::string& target) {
  if (OpenWithDesktop(target)) return;
  QMessageBox::warning(parent, QObject::tr("Nothing opened"),
                       QObject::tr("%1 could not be opened: no application on this desktop opens it.")
                           .arg(QString::fromStdString(target)));
}
