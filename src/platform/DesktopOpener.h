#pragma once

#include <functional>
#include <string>

// Opens a folder, a document or a web address with the application the
// desktop associates with it. The window installs the desktop's own opener at
// start-up; tests install one that records what would have been opened. Until
// one is installed nothing is opened. User-interface thread only; the result
// of the desktop's call is not examined by any caller.
using DesktopOpenFunction = std::function<void(const std::string& target)>;

void SetDesktopOpener(DesktopOpenFunction opener);
void OpenWithDesktop(const std::string& target);
