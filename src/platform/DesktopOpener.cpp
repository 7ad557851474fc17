#include "platform/DesktopOpener.h"

#include <utility>

namespace {
DesktopOpenFunction& Opener() {
  static DesktopOpenFunction opener;
  return opener;
}
}  // namespace

void SetDesktopOpener(DesktopOpenFunction opener) { Opener() = std::move(opener); }

bool OpenWithDesktop(const std::string& target) { return Opener() && Opener()(target); }
