#include "ui/StartupFileNotice.h"

#include <QEvent>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "ui/SlotGuard.h"

StartupFileNotice::StartupFileNotice(QWidget* window) : window_(window), warning_(window) {}

QString StartupFileNotice::Describe(const UnreadFile& file) {
  const QString path = QString::fromStdString(file.path);
  const QString why = QString::fromStdString(file.why);
  if (!file.readInPart)
    return tr("%1 could not be read (%2); it is left as it is and not replaced.").arg(path, why);
  if (file.keepFailure.empty())
    return tr("%1 was not read whole (%2); it is kept as %3.")
        .arg(path, why, QString::fromStdString(file.keptAs));
  return tr("%1 was not read whole (%2) and could not be kept aside (%3); it is not replaced until a copy "
            "of it can be kept.")
      .arg(path, why, QString::fromStdString(file.keepFailure));
}

void StartupFileNotice::Tell(const std::vector<std::string>& folders, const std::vector<UnreadFile>& files) {
  if (folders.empty() && files.empty()) return;
  QStringList parts, sentences;
  for (const std::string& folder : folders) parts << QString::fromStdString(folder);
  for (const UnreadFile& file : files) sentences << Describe(file);
  for (const QString& line : parts + sentences)
    std::fprintf(stderr, "velquor: %s\n", line.toLocal8Bit().constData());
  if (!sentences.isEmpty())
    parts
        << tr("Not every saved page or setting could be read at start-up:\n\n%1").arg(sentences.join("\n\n"));
  text_ = parts.join("\n\n");
  // Start-up tells before the window first shows; the message waits for it.
  if (window_->isVisible())
    ShowWhenVisible();
  else
    window_->installEventFilter(this);
}

bool StartupFileNotice::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::Show)
    CatchAll([this] {
      window_->removeEventFilter(this);
      // Once the window is on screen, so the message opens over it, not
      // before it.
      QTimer::singleShot(0, this, [this] { CatchAll([this] { ShowWhenVisible(); }); });
    });
  return false;
}

void StartupFileNotice::ShowWhenVisible() {
  // Hidden again at once (to the tray, say): the next showing tells.
  if (!window_->isVisible()) {
    window_->installEventFilter(this);
    return;
  }
  warning_.Show(text_);
}
