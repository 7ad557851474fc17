#include "ui/DesktopServicesOpener.h"

#include <QDesktopServices>
#include <QFileInfo>

QUrl DesktopUrl(const std::string& target) {
  if (target.empty()) return {};
  const QString text = QString::fromStdString(target);
  if (text.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive) ||
      text.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive))
    return QUrl(text);
  return QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
}

void OpenThroughDesktopServices(const std::string& target) {
  const QUrl url = DesktopUrl(target);
  if (!url.isEmpty()) QDesktopServices::openUrl(url);
}
