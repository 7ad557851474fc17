#pragma once

#include <functional>
#include <string>
#include <vector>

#include "pages/PageTypes.h"
#include "platform/DesktopOpener.h"
#include "platform/ProgramLauncher.h"
#include "reports/ReportWriters.h"

// What is done when a run of a page ends by itself or is cut by a new Start
// (not after Stop, a clear, a deletion or the program's end): the page's
// report is saved into the result folder when the page asks for it and its
// target was resolved, then the user's program is started when the page asks
// for it. User-interface thread only, synchronously. A report that cannot be
// written, a program that cannot be started, a document nothing opens and a
// "Path:" left with nothing to start (empty, or the report's alone when none
// was written) each say why through TellRunFailure: on stderr, and to the
// window's notice.

// The services the actions use. The defaults are the real ones; tests put
// in their own to see what would be written or started.
struct FinishActionServices {
  // Writes the page's report as CSV or text; reportMode 0 with replies,
  // 1 the result, 2 the IP list. No file is replaced: `written` gets the
  // name the report took (SaveNewPageReport).
  std::function<Status(Mode mode, bool csv, const std::string& fileName, int pageIndex, int reportMode,
                       std::string& written)>
      SaveReport = SaveNewPageReport;
  std::function<Status(const std::string& program, const std::vector<std::string>& arguments)> StartProgram =
      StartDetachedProgram;
  // False when nothing opened the document.
  std::function<bool(const std::string& document)> OpenDocument = OpenWithDesktop;
};

void SetFinishActionServices(FinishActionServices services);

// The actions of page `pageIndex` of the mode's registry; nothing for an
// index that is no page. Runs that end in the same second under one page
// name each keep their report. "%PATH" in "Path:" and in each argument of
// "Command line:" becomes the path the report was written to, or the empty
// text when no report was written. "Path:" naming a program starts it with
// those arguments, without a shell, and so does one that names a program
// which cannot be started (LooksLikeProgram), so that the reason is
// told; any other non-empty "Path:" (a document such as the report itself,
// a web address) is opened with the desktop's application, without
// arguments. "Hide window" has no effect here. An exception ends the actions
// silently.
void RunFinishActionsOf(Mode mode, int pageIndex) noexcept;

void RunPingFinishActions(int pageIndex) noexcept;
void RunMultiPingFinishActions(int pageIndex) noexcept;
void RunRangePingFinishActions(int pageIndex) noexcept;
void RunTracerouteFinishActions(int pageIndex) noexcept;
void RunPathPingFinishActions(int pageIndex) noexcept;
