#pragma once

#include <QUrl>
#include <string>

class QWidget;

// The program's opener behind OpenWithDesktop: the desktop's handler for a
// web link or for a local folder or file. main() installs it once.

// A web link (IsWebAddress) as it is; anything else as a local path, so
// that "#", "?" or "%" in a folder name stay part of it. An empty text gives
// an empty URL, which opens nothing.
QUrl DesktopUrl(const std::string& target);

// Hands the target's URL to QDesktopServices; false when the desktop has no
// handler for it (Qt then only writes a warning to stderr).
bool OpenThroughDesktopServices(const std::string& target);

// What the window's buttons open: the target through OpenWithDesktop, and
// when nothing takes it a message over `parent` naming what was not opened,
// since the button would otherwise seem to do nothing.
void OpenOrSayWhyNot(QWidget* parent, const std::string& target);
