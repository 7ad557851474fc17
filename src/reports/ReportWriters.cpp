#include "reports/ReportWriters.h"

#include <filesystem>

#include "pages/ModePages.h"
#include "platform/FileIo.h"
#include "platform/ProgramPaths.h"
#include "reports/ReportLayouts.h"

namespace {

// Where a report goes: the file named, replacing one of that name; or, when
// `written` is given, a new file under the first free name like it, which
// `written` then holds.
struct ReportFile {
  // From a plain file name too, for the writers that replace.
  ReportFile(const std::string& fileName, std::string* written = nullptr)
      : name(fileName), written(written) {}
  std::string name;
  std::string* written;
};

// What a guard that refuses says: the page or row went, or its result did.
Status NoResult() { return Status::Failure(Status::Kind::Invalid, "there is no result to report"); }

// Opens the file, lets `layout` stream the report into it and replaces the
// old file only when every byte is on disk. Nothing thrown while the report
// is built (memory, for one) gets out: the temporary file goes with the
// AtomicFile, and the old report stays.
template <class Layout>
Status WriteReport(const ReportFile& target, bool csv, Layout&& layout) {
  try {
    // Options take a result folder that does not exist yet; the first report
    // makes it. The default one is the program's own, used only as that allows.
    const std::string folder = std::filesystem::path(target.name).parent_path().string();
    if (Status made = folder.empty() ? Status::Success() : MakeFolderForSaving(folder); !made.ok())
      return made;
    AtomicFile file;
    const auto existing = target.written ? AtomicFile::Existing::Keep : AtomicFile::Existing::Replace;
    if (Status opened = file.Open(target.name, existing); !opened.ok()) return opened;
    ReportText out(file, csv);
    layout(out);
    if (!out.Finish()) return file.status();
    if (Status committed = file.Commit(); !committed.ok()) return committed;
    if (target.written) *target.written = file.path();
    return Status::Success();
  } catch (...) {
    return Status::Failure(Status::Kind::IoError, "the report could not be built");
  }
}

Status SavePing(const ReportFile& target, int pageIndex, int mode, bool csv) {
  if (!PageReportReady(Mode::Ping, pageIndex)) return NoResult();
  const TPingPage& page = *PingRegistry.At(pageIndex);
  return WriteReport(target, csv, [&](ReportText& out) {
    WriteAddressPageReport(out, "Ping to " + page.Host, page, PageRows(page), KindOfMode(mode), false);
  });
}

Status SaveMultiPing(const ReportFile& target, int pageIndex, int mode, bool csv) {
  if (!PageReportReady(Mode::MultiPing, pageIndex)) return NoResult();
  const TPingPage& page = *MultiPingRegistry.At(pageIndex);
  return WriteReport(target, csv,
                     [&](ReportText& out) { WriteMultiPingPageReport(out, page, KindOfMode(mode)); });
}

Status SaveRangePing(const ReportFile& target, int pageIndex, int mode, bool csv) {
  if (!PageReportReady(Mode::RangePing, pageIndex)) return NoResult();
  const TRangePingPage& page = *RangePingRegistry.At(pageIndex);
  return WriteReport(target, csv, [&](ReportText& out) {
    WriteAddressPageReport(out, "Range ping from " + page.From + " to " + page.To, page, RangeHostOrder(page),
                           KindOfMode(mode), true);
  });
}

// Trace route and Path ping differ in their registry and title only.
Status SaveRoute(Mode route, const ReportFile& target, int pageIndex, int mode, bool csv) {
  if (!PageReportReady(route, pageIndex)) return NoResult();
  const bool trace = route == Mode::Traceroute;
  const TPingPage& page = *(trace ? TracerouteRegistry : PathPingRegistry).At(pageIndex);
  return WriteReport(target, csv, [&](ReportText& out) {
    WriteRoutePageReport(out, (trace ? "Traceroute to " : "Path ping to ") + page.Host, page,
                         KindOfMode(mode));
  });
}

// Every one-host and hop report: the guards of all of them, then one layout.
Status SaveHost(Mode mode, const ReportFile& target, int pageIndex, int hostIndex, bool csv) {
  if (!HostReportReady(mode, pageIndex, hostIndex)) return NoResult();
  const TPageCommon* page = ModePage(mode, pageIndex);
  const THostResult* host = FindHostRow(mode, pageIndex, hostIndex);
  const bool multiPing = mode == Mode::MultiPing;
  return WriteReport(target, csv, [&](ReportText& out) {
    WriteHostReport(out, *page, *host, multiPing ? host->Host : host->Address, multiPing,
                    mode == Mode::RangePing);
  });
}

Status SaveModePage(Mode mode, bool csv, const ReportFile& target, int pageIndex, int reportMode) {
  switch (mode) {
    case Mode::Ping:
      return SavePing(target, pageIndex, reportMode, csv);
    case Mode::MultiPing:
      return SaveMultiPing(target, pageIndex, reportMode, csv);
    case Mode::RangePing:
      return SaveRangePing(target, pageIndex, reportMode, csv);
    case Mode::Traceroute:
      return SaveRoute(Mode::Traceroute, target, pageIndex, reportMode, csv);
    case Mode::PathPing:
      return SaveRoute(Mode::PathPing, target, pageIndex, reportMode, csv);
  }
  return NoResult();
}

}  // namespace

bool PageReportReady(Mode mode, int pageIndex) {
  const TPageCommon* page = ModePage(mode, pageIndex);
  return page && page->ResultState == psOk;
}

bool HostReportReady(Mode mode, int pageIndex, int hostIndex) {
  const THostResult* host = FindHostRow(mode, pageIndex, hostIndex);
  return PageReportReady(mode, pageIndex) && host && host->State == 0;
}

bool SavePingReportTxt(const std::string& f, int p, int m) { return SavePing(f, p, m, false).ok(); }
bool SavePingReportCsv(const std::string& f, int p, int m) { return SavePing(f, p, m, true).ok(); }
bool SaveMultiPingReportTxt(const std::string& f, int p, int m) { return SaveMultiPing(f, p, m, false).ok(); }
bool SaveMultiPingReportCsv(const std::string& f, int p, int m) { return SaveMultiPing(f, p, m, true).ok(); }
bool SaveRangePingReportTxt(const std::string& f, int p, int m) { return SaveRangePing(f, p, m, false).ok(); }
bool SaveRangePingReportCsv(const std::string& f, int p, int m) { return SaveRangePing(f, p, m, true).ok(); }
bool SaveTracerouteReportTxt(const std::string& f, int p, int m) {
  return SaveRoute(Mode::Traceroute, f, p, m, false).ok();
}
bool SaveTracerouteReportCsv(const std::string& f, int p, int m) {
  return SaveRoute(Mode::Traceroute, f, p, m, true).ok();
}
bool SavePathPingReportTxt(const std::string& f, int p, int m) {
  return SaveRoute(Mode::PathPing, f, p, m, false).ok();
}
bool SavePathPingReportCsv(const std::string& f, int p, int m) {
  return SaveRoute(Mode::PathPing, f, p, m, true).ok();
}

bool SavePingHostReportTxt(const std::string& f, int p, int h) {
  return SaveHost(Mode::Ping, f, p, h, false).ok();
}
bool SavePingHostReportCsv(const std::string& f, int p, int h) {
  return SaveHost(Mode::Ping, f, p, h, true).ok();
}
bool SaveMultiPingHostReportTxt(const std::string& f, int p, int h) {
  return SaveHost(Mode::MultiPing, f, p, h, false).ok();
}
bool SaveMultiPingHostReportCsv(const std::string& f, int p, int h) {
  return SaveHost(Mode::MultiPing, f, p, h, true).ok();
}
bool SaveRangePingHostReportTxt(const std::string& f, int p, int h) {
  return SaveHost(Mode::RangePing, f, p, h, false).ok();
}
bool SaveRangePingHostReportCsv(const std::string& f, int p, int h) {
  return SaveHost(Mode::RangePing, f, p, h, true).ok();
}
bool SaveTracerouteHopReportTxt(const std::string& f, int p, int h) {
  return SaveHost(Mode::Traceroute, f, p, h, false).ok();
}
bool SaveTracerouteHopReportCsv(const std::string& f, int p, int h) {
  return SaveHost(Mode::Traceroute, f, p, h, true).ok();
}
bool SavePathPingHopReportTxt(const std::string& f, int p, int h) {
  return SaveHost(Mode::PathPing, f, p, h, false).ok();
}
bool SavePathPingHopReportCsv(const std::string& f, int p, int h) {
  return SaveHost(Mode::PathPing, f, p, h, true).ok();
}

Status SavePageReport(Mode mode, bool csv, const std::string& fileName, int pageIndex, int reportMode) {
  return SaveModePage(mode, csv, fileName, pageIndex, reportMode);
}

Status SaveNewPageReport(Mode mode, bool csv, const std::string& fileName, int pageIndex, int reportMode,
                         std::string& written) {
  return SaveModePage(mode, csv, ReportFile(fileName, &written), pageIndex, reportMode);
}

Status SaveHostReport(Mode mode, bool csv, const std::string& fileName, int pageIndex, int hostIndex) {
  return SaveHost(mode, fileName, pageIndex, hostIndex, csv);
}
