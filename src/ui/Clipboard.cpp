#include "ui/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

void CopyToClipboard(const std::string& text) {
  if (!qGuiApp) return;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return;
  clipboard->setText(QString::fromStdString(text), QClipboard::Clipboard);
}
