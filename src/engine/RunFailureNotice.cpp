#include "engine/RunFailureNotice.h"

#include <cstdio>
#include <utility>

namespace {

RunFailureNotice& Notice() {
  static RunFailureNotice notice;
  return notice;
}

std::string MissingThreads(const ThreadShortfall& shortfall) {
  const std::string wanted = std::to_string(shortfall.wanted);
  if (shortfall.started == 0 && shortfall.wanted == 1) return "its thread could not be started";
  if (shortfall.started == 0) return "none of the " + wanted + " threads it needs could be started";
  return std::to_string(shortfall.wanted - shortfall.started) + " of the " + wanted +
         " threads it needs could not be started";
}

std::string PageOfTab(Mode mode, const std::string& pageName) {
  return "the page \"" + pageName + "\" of the " + ModeCaption(mode) + " tab ";
}

}  // namespace

void SetRunFailureNotice(RunFailureNotice notice) { Notice() = std::move(notice); }

void TellRunFailure(RunMoment when, const std::string& failure) {
  std::fprintf(stderr, "velquor: %s\n", failure.c_str());
  // A copy: a notice that installs another one must not pull itself out
  // from under this call.
  if (const RunFailureNotice notice = Notice()) notice(when, failure);
}

std::string ThreadShortfallText(Mode mode, const std::string& pageName, const ThreadShortfall& shortfall,
                                bool goesOn) {
  const std::string page = PageOfTab(mode, pageName);
  const std::string why = " (" + shortfall.why + ")";
  if (goesOn)
    return page + "runs with " + std::to_string(shortfall.started) + " of its " +
           std::to_string(shortfall.wanted) + " threads: the others could not be started" + why;
  return page + "could not run: " + MissingThreads(shortfall) + why;
}

std::string HopSocketShortfallText(Mode mode, const std::string& pageName, int missing, int hops) {
  const std::string all = std::to_string(hops);
  std::string which;
  if (hops == 1)
    which = "its hop could not open an echo socket";
  else if (missing >= hops)
    which = "none of its " + all + " hops could open an echo socket";
  else
    which = std::to_string(missing) + " of its " + all + " hops could not open an echo socket";
  return PageOfTab(mode, pageName) + "could not run: " + which;
}
