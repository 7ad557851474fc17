#pragma once

#include <functional>
#include <string>
#include <vector>

#include "pages/PageTypes.h"
#include "platform/DesktopOpener.h"
#include "platform/ProgramLauncher.h"

// What is done when a run of a page ends by itself or is cut by a new Start
// (not after Stop, a clear, a deletion or the program's end): the page's
// report is saved into the result folder when the page asks for it and its
// target was resolved, then the user's program is started when the page asks
// for it. User-interface thread only, synchronously; nothing is shown.

// The services the actions use, installed by the window at start-up.
struct FinishActionServices {
  // Writes the page's report as CSV or text; reportMode 0 with replies,
  // 1 the result, 2 the IP list. True when the file was written.
  std::function<bool(Mode mode, bool csv, const std::string& fileName, int pageIndex, int reportMode)>
      SaveReport;
  // The page name without the characters a file name cannot hold.
  std::function<std::string(const std::string& name)> CleanPageName;
  // The run's start and end as report file names carry them.
  std::function<std::string(const TPageCommon& page)> StampOfRun;
  std::function<bool(const std::string& program, const std::vector<std::string>& arguments)> StartProgram =
      StartDetachedProgram;
  std::function<void(const std::string& document)> OpenDocument = OpenWithDesktop;
};

// Replaces the services; without the three report services no report is
// saved (and "%PATH" stays empty).
void SetFinishActionServices(FinishActionServices services);

// The report's full name: the folder unchanged, the mode's prefix ("Ping_",
// "MultiPing_", "RangePing_", "Traceroute_", "PathPing_"), the cleaned page
// name, "_", "replies_" (with replies) or else "iplist_" (IP list) or
// nothing, the run stamp, and ".txt" for ResultFormat 0, else ".csv".
std::string AutomaticReportName(Mode mode, const TPageCommon& page, const std::string& folder,
                                const std::string& cleanedName, const std::string& runStamp);
// 0 with replies; else 2 for the IP list; else 1 the result.
int AutomaticReportMode(const TPageCommon& page);

// The actions of page `pageIndex` of the mode's registry; nothing for an
// index that is no page. "%PATH" in "Path:" and in each argument of
// "Command line:" becomes the report's path, or the empty text when no
// report was written. "Path:" naming a program starts it with those
// arguments, without a shell; any other non-empty "Path:" (a document such as
// the report itself) is opened with the desktop's application, without
// arguments. "Hide window" has no effect here. An exception ends the actions
// silently.
void RunFinishActionsOf(Mode mode, int pageIndex) noexcept;

void RunPingFinishActions(int pageIndex) noexcept;
void RunMultiPingFinishActions(int pageIndex) noexcept;
void RunRangePingFinishActions(int pageIndex) noexcept;
void RunTracerouteFinishActions(int pageIndex) noexcept;
void RunPathPingFinishActions(int pageIndex) noexcept;
