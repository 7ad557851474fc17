#pragma once

#include <QUrl>
#include <string>

// The program's opener behind OpenWithDesktop: the desktop's handler for a
// web link or for a local folder or file. main() installs it once.

// A web link ("http://", "https://", in any case) as it is; anything else as
// a local path, so that "#", "?" or "%" in a folder name stay part of it. An
// empty text gives an empty URL, which opens nothing.
QUrl DesktopUrl(const std::string& target);

// Hands the target's URL to QDesktopServices; the outcome is not examined.
void OpenThroughDesktopServices(const std::string& target);
