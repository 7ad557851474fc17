#include "platform/DesktopOpener.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

namespace {

DesktopOpenFunction& Opener() {
  static DesktopOpenFunction opener;
  return opener;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
         });
}

}  // namespace

void SetDesktopOpener(DesktopOpenFunction opener) { Opener() = std::move(opener); }

bool OpenWithDesktop(const std::string& target) { return Opener() && Opener()(target); }

bool IsWebAddress(const std::string& target) {
  return StartsWithIgnoringCase(target, "http://") || StartsWithIgnoringCase(target, "https://");
}
