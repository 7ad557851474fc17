#include "reports/ReportWriters.h"

#include "pages/ModePages.h"
#include "reports/ReportLayouts.h"

namespace {

// Opens the file, lets `layout` stream the report into it and replaces the
// old file only when every byte is on disk. Nothing thrown while the report
// is built (memory, for one) gets out: the temporary file goes with the
// AtomicFile, and the old report stays.
template <class Layout>
bool WriteReport(const std::string& fileName, bool csv, Layout&& layout) {
  try {
    AtomicFile file;
    if (!file.Open(fileName).ok()) return false;
    ReportText out(file, csv);
    layout(out);
    return out.Finish() && file.Commit().ok();
  } catch (...) {
    return false;
  }
}

bool SavePing(const std::string& fileName, int pageIndex, int mode, bool csv) {
  if (!PageReportReady(Mode::Ping, pageIndex)) return false;
  const TPingPage& page = *PingRegistry.At(pageIndex);
  return WriteReport(fileName, csv, [&](ReportText& out) {
    WriteAddressPageReport(out, "Ping to " + page.Host, page, PageRows(page), KindOfMode(mode), false);
  });
}

bool SaveMultiPing(const std::string& fileName, int pageIndex, int mode, bool csv) {
  if (!PageReportReady(Mode::MultiPing, pageIndex)) return false;
  const TPingPage& page = *MultiPingRegistry.At(pageIndex);
  return WriteReport(fileName, csv,
                     [&](ReportText& out) { WriteMultiPingPageReport(out, page, KindOfMode(mode)); });
}

bool SaveRangePing(const std::string& fileName, int pageIndex, int mode, bool csv) {
  if (!PageReportReady(Mode::RangePing, pageIndex)) return false;
  const TRangePingPage& page = *RangePingRegistry.At(pageIndex);
  return WriteReport(fileName, csv, [&](ReportText& out) {
    WriteAddressPageReport(out, "Range ping from " + page.From + " to " + page.To, page, RangeHostOrder(page),
                           KindOfMode(mode), true);
  });
}

// Trace route and Path ping differ in their registry and title only.
bool SaveRoute(Mode route, const std::string& fileName, int pageIndex, int mode, bool csv) {
  if (!PageReportReady(route, pageIndex)) return false;
  const bool trace = route == Mode::Traceroute;
  const TPingPage& page = *(trace ? TracerouteRegistry : PathPingRegistry).At(pageIndex);
  return WriteReport(fileName, csv, [&](ReportText& out) {
    WriteRoutePageReport(out, (trace ? "Traceroute to " : "Path ping to ") + page.Host, page,
                         KindOfMode(mode));
  });
}

// Every one-host and hop report: the guards of all of them, then one layout.
bool SaveHost(Mode mode, const std::string& fileName, int pageIndex, int hostIndex, bool csv) {
  if (!HostReportReady(mode, pageIndex, hostIndex)) return false;
  const TPageCommon* page = ModePage(mode, pageIndex);
  const THostResult* host = FindHostRow(mode, pageIndex, hostIndex);
  const bool multiPing = mode == Mode::MultiPing;
  return WriteReport(fileName, csv, [&](ReportText& out) {
    WriteHostReport(out, *page, *host, multiPing ? host->Host : host->Address, multiPing,
                    mode == Mode::RangePing);
  });
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

bool SavePingReportTxt(const std::string& f, int p, int m) { return SavePing(f, p, m, false); }
bool SavePingReportCsv(const std::string& f, int p, int m) { return SavePing(f, p, m, true); }
bool SaveMultiPingReportTxt(const std::string& f, int p, int m) { return SaveMultiPing(f, p, m, false); }
bool SaveMultiPingReportCsv(const std::string& f, int p, int m) { return SaveMultiPing(f, p, m, true); }
bool SaveRangePingReportTxt(const std::string& f, int p, int m) { return SaveRangePing(f, p, m, false); }
bool SaveRangePingReportCsv(const std::string& f, int p, int m) { return SaveRangePing(f, p, m, true); }
bool SaveTracerouteReportTxt(const std::string& f, int p, int m) {
  return SaveRoute(Mode::Traceroute, f, p, m, false);
}
bool SaveTracerouteReportCsv(const std::string& f, int p, int m) {
  return SaveRoute(Mode::Traceroute, f, p, m, true);
}
bool SavePathPingReportTxt(const std::string& f, int p, int m) {
  return SaveRoute(Mode::PathPing, f, p, m, false);
}
bool SavePathPingReportCsv(const std::string& f, int p, int m) {
  return SaveRoute(Mode::PathPing, f, p, m, true);
}

bool SavePingHostReportTxt(const std::string& f, int p, int h) {
  return SaveHost(Mode::Ping, f, p, h, false);
}
bool SavePingHostReportCsv(const std::string& f, int p, int h) { return SaveHost(Mode::Ping, f, p, h, true); }
bool SaveMultiPingHostReportTxt(const std::string& f, int p, int h) {
  return SaveHost(Mode::MultiPing, f, p, h, false);
}
bool SaveMultiPingHostReportCsv(const std::string& f, int p, int h) {
  return SaveHost(Mode::MultiPing, f, p, h, true);
}
bool SaveRangePingHostReportTxt(const std::string& f, int p, int h) {
  return SaveHost(Mode::RangePing, f, p, h, false);
}
bool SaveRangePingHostReportCsv(const std::string& f, int p, int h) {
  return SaveHost(Mode::RangePing, f, p, h, true);
}
bool SaveTracerouteHopReportTxt(const std::string& f, int p, int h) {
  return SaveHost(Mode::Traceroute, f, p, h, false);
}
bool SaveTracerouteHopReportCsv(const std::string& f, int p, int h) {
  return SaveHost(Mode::Traceroute, f, p, h, true);
}
bool SavePathPingHopReportTxt(const std::string& f, int p, int h) {
  return SaveHost(Mode::PathPing, f, p, h, false);
}
bool SavePathPingHopReportCsv(const std::string& f, int p, int h) {
  return SaveHost(Mode::PathPing, f, p, h, true);
}

bool SavePageReport(Mode mode, bool csv, const std::string& fileName, int pageIndex, int reportMode) {
  switch (mode) {
    case Mode::Ping:
      return SavePing(fileName, pageIndex, reportMode, csv);
    case Mode::MultiPing:
      return SaveMultiPing(fileName, pageIndex, reportMode, csv);
    case Mode::RangePing:
      return SaveRangePing(fileName, pageIndex, reportMode, csv);
    case Mode::Traceroute:
      return SaveRoute(Mode::Traceroute, fileName, pageIndex, reportMode, csv);
    case Mode::PathPing:
      return SaveRoute(Mode::PathPing, fileName, pageIndex, reportMode, csv);
  }
  return false;
}

bool SaveHostReport(Mode mode, bool csv, const std::string& fileName, int pageIndex, int hostIndex) {
  return SaveHost(mode, fileName, pageIndex, hostIndex, csv);
}
