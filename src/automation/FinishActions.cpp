#include "automation/FinishActions.h"

#include <type_traits>
#include <utility>

#include "automation/ModePages.h"
#include "automation/ProgramCommand.h"
#include "engine/RunLifecycle.h"
#include "pages/Settings.h"

static_assert(std::is_convertible_v<decltype(&RunFinishActionsOf), RunFinishActionsHook>,
              "the window installs RunFinishActionsOf as the engine's end-of-run hook");

namespace {

FinishActionServices& Services() {
  static FinishActionServices services;
  return services;
}

const char* ReportPrefix(Mode mode) {
  switch (mode) {
    case Mode::Ping:
      return "Ping_";
    case Mode::MultiPing:
      return "MultiPing_";
    case Mode::RangePing:
      return "RangePing_";
    case Mode::Traceroute:
      return "Traceroute_";
    case Mode::PathPing:
      break;
  }
  return "PathPing_";
}

// The report's path when it was written, else the empty text: a program
// must not be handed the name of a file that does not exist.
std::string SaveReport(Mode mode, int pageIndex, const TPageCommon& page, const FinishActionServices& s) {
  if (!page.SaveResult || page.ResultState != psOk) return {};
  if (!s.SaveReport || !s.CleanPageName || !s.StampOfRun) return {};
  const std::string name = AutomaticReportName(mode, page, GlobalOptions.ResultFolder,
                                               s.CleanPageName(page.Name), s.StampOfRun(page));
  return s.SaveReport(mode, page.ResultFormat != 0, name, pageIndex, AutomaticReportMode(page))
             ? name
             : std::string();
}

void StartUserProgram(const TPageCommon& page, const std::string& reportPath, const FinishActionServices& s) {
  // "Path:" is one path and never split, whatever blanks it holds.
  const std::string program = ReplaceReportPath(page.ExecPath, reportPath);
  if (IsProgramFile(program)) {
    if (s.StartProgram) s.StartProgram(program, ProgramArguments(page.ExecParam, reportPath));
  } else if (!program.empty() && s.OpenDocument) {
    s.OpenDocument(program);
  }
}

}  // namespace

void SetFinishActionServices(FinishActionServices services) { Services() = std::move(services); }

std::string AutomaticReportName(Mode mode, const TPageCommon& page, const std::string& folder,
                                const std::string& cleanedName, const std::string& runStamp) {
  const char* infix = page.ResultWithReplys ? "replies_" : page.ResultIpList ? "iplist_" : "";
  return folder + ReportPrefix(mode) + cleanedName + "_" + infix + runStamp +
         (page.ResultFormat == 0 ? ".txt" : ".csv");
}

int AutomaticReportMode(const TPageCommon& page) {
  if (page.ResultWithReplys) return 0;
  return page.ResultIpList ? 2 : 1;
}

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
