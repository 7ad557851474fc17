#include "automation/FinishActions.h"

#include <type_traits>
#include <utility>

#include "automation/ProgramCommand.h"
#include "engine/RunFailureNotice.h"
#include "engine/RunLifecycle.h"
#include "pages/ModePages.h"
#include "pages/TextHelpers.h"
#include "reports/ReportNames.h"

static_assert(std::is_convertible_v<decltype(&RunFinishActionsOf), RunFinishActionsHook>,
              "the window installs RunFinishActionsOf as the engine's end-of-run hook");

namespace {

FinishActionServices& Services() {
  static FinishActionServices services;
  return services;
}

// "Path:" taken as a program: one that can be started, and one meant as a
// program that cannot, whose start then says why.
bool StartsAsProgram(const std::string& path) {
  return IsProgramFile(path) || (!IsWebAddress(path) && LooksLikeProgram(path));
}

// The result folder, the mode's prefix, the cleaned page name, "_",
// "replies_" (with replies) or else "iplist_" (IP list) or nothing, the run
// stamp, and ".txt" for ResultFormat 0, else ".csv".
std::string AutomaticReportName(Mode mode, int pageIndex) {
  const TPageCommon* page = ModePage(mode, pageIndex);
  if (!page) return {};
  const char* infix = page->ResultWithReplys ? "_replies_" : page->ResultIpList ? "_iplist_" : "_";
  return PageReportName(mode, pageIndex, infix) + (page->ResultFormat == 0 ? ".txt" : ".csv");
}

// 0 with replies; else 2 for the IP list; else 1 the result.
int AutomaticReportMode(const TPageCommon& page) {
  if (page.ResultWithReplys) return 0;
  return page.ResultIpList ? 2 : 1;
}

// The path the report was written to, else the empty text: a program must
// not be handed the name of a file that does not exist.
std::string SaveReport(Mode mode, int pageIndex, const TPageCommon& page, const FinishActionServices& s) {
  if (!page.SaveResult || page.ResultState != psOk || !s.SaveReport) return {};
  const std::string name = AutomaticReportName(mode, pageIndex);
  std::string written;
  const Status saved =
      s.SaveReport(mode, page.ResultFormat != 0, name, pageIndex, AutomaticReportMode(page), written);
  if (saved.ok()) return written;
  TellRunFailure(RunMoment::End, "the report " + name + " was not saved: " + saved.message);
  return {};
}

void StartUserProgram(const TPageCommon& page, const std::string& reportPath, const FinishActionServices& s) {
  // "Path:" is one path and never split, whatever blanks it holds.
  const std::string program = ReplaceReportPath(page.ExecPath, reportPath);
  if (program.empty()) {
    // The user asked for a program and gets none: as much a failure as one
    // that cannot be started.
    TellRunFailure(RunMoment::End,
                   "nothing was started for the page \"" + page.Name + "\": \"Path:\" " +
                       (page.ExecPath.empty() ? "is empty" : "names only the report, and none was written"));
    return;
  }
  if (StartsAsProgram(program)) {
    if (!s.StartProgram) return;
    const Status started = s.StartProgram(program, ProgramArguments(page.ExecParam, reportPath));
    if (!started.ok())
      TellRunFailure(RunMoment::End, "the program " + program + " was not started: " + started.message);
  } else if (s.OpenDocument && !s.OpenDocument(program)) {
    TellRunFailure(RunMoment::End,
                   "the document " + program + " was not opened: no application on this desktop opens it");
  }
}

}  // namespace

void SetFinishActionServices(FinishActionServices services) { Services() = std::move(services); }

void RunFinishActionsOf(Mode mode, int pageIndex) noexcept {
  try {
    const TPageCommon* page = ModePage(mode, pageIndex);
    if (!page) return;
    // A copy: a service replaced from inside a service call must not pull
    // the functions out from under this call.
    const FinishActionServices services = Services();
    const std::string reportPath = SaveReport(mode, pageIndex, *page, services);
    page = ModePage(mode, pageIndex);
    if (page && page->ExecuteProgram) StartUserProgram(*page, reportPath, services);
  } catch (...) {
  }
}

void RunPingFinishActions(int pageIndex) noexcept { RunFinishActionsOf(Mode::Ping, pageIndex); }
void RunMultiPingFinishActions(int pageIndex) noexcept { RunFinishActionsOf(Mode::MultiPing, pageIndex); }
void RunRangePingFinishActions(int pageIndex) noexcept { RunFinishActionsOf(Mode::RangePing, pageIndex); }
void RunTracerouteFinishActions(int pageIndex) noexcept { RunFinishActionsOf(Mode::Traceroute, pageIndex); }
void RunPathPingFinishActions(int pageIndex) noexcept { RunFinishActionsOf(Mode::PathPing, pageIndex); }
