#pragma once

#include <functional>
#include <string>

// Opens a folder, a document or a web address with the application the
// desktop associates with it. The window installs the desktop's own opener at
// start-up; tests install one that records what would have been opened. Until
// one is installed nothing is opened. User-interface thread only.
//
// True when the target was handed to an application; false when nothing on
// this desktop takes it (no file manager, no browser). Whether the
// application then manages to show it is not known here.
using DesktopOpenFunction = std::function<bool(const std::string& target)>;

void SetDesktopOpener(DesktopOpenFunction opener);
bool OpenWithDesktop(const std::string& target);
