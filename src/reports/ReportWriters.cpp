#include "reports/ReportWriters.h"

#include "pages/PageRegistry.h"
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

template <class Page>
const Page* ResolvedPage(const TPageRegistry<Page>& registry, int pageIndex) {
  const Page* page = registry.At(pageIndex);
  return page && page->ResultState == psOk ? page : nullptr;
}

bool SavePing(const std::string& fileName, int pageIndex, int mode, bool csv) {
  const TPingPage* page = ResolvedPage(PingRegistry, pageIndex);
  if (!page) return false;
  return WriteReport(fileName, csv, [&](ReportText& out) {
    WriteAddressPageReport(out, "Ping to " + page->Host, *page, PageRows(*page), KindOfMode(mode), false);
  });
}

bool SaveMultiPing(const std::string& fileName, int pageIndex, int mode, bool csv) {
  const TPingPage* page = ResolvedPage(MultiPingRegistry, pageIndex);
  if (!page) return false;
  return WriteReport(fileName, csv,
                     [&](ReportText& out) { WriteMultiPingPageReport(out, *page, KindOfMode(mode)); });
}

bool SaveRangePing(const std::string& fileName, int pageIndex, int mode, bool csv) {
  const TRangePingPage* page = ResolvedPage(RangePingRegistry, pageIndex);
  if (!page) return false;
  return WriteReport(fileName, csv, [&](ReportText& out) {
    WriteAddressPageReport(out, "Range ping from " + page->From + " to " + page->To, *page,
                           RangeHostOrder(*page), KindOfMode(mode), true);
  });
}

bool SaveRoute(const TPingRegistry& registry, const char* title, const std::string& fileName, int pageIndex,
               int mode, bool csv) {
  const TPingPage* page = ResolvedPage(registry, pageIndex);
  if (!page) return false;
  return WriteReport(fileName, csv, [&](ReportText& out) {
    WriteRoutePageReport(out, title + page->Host, *page, KindOfMode(mode));
  });
}

// Every one-host and hop report: the guards of all of them, then one layout.
bool SaveHost(Mode mode, const std::string& fileName, int pageIndex, int hostIndex, bool csv) {
  const TPageCommon* page = FindPage(mode, pageIndex);
  if (!page || page->ResultState != psOk) return false;
  const THostResult* host = FindHostRow(mode, pageIndex, hostIndex);
  if (!host || host->State != 0) return false;
  const bool multiPing = mode == Mode::MultiPing;
  return WriteReport(fileName, csv, [&](ReportText& out) {
    WriteHostReport(out, *page, *host, multiPing ? host->Host : host->Address, multiPing,
                    mode == Mode::RangePing);
  });
}

}  // namespace

bool SavePingReportTxt(const std::string& f, int p, int m) { return SavePing(f, p, m, false); }
bool SavePingReportCsv(const std::string& f, int p, int m) { return SavePing(f, p, m, true); }
bool SaveMultiPingReportTxt(const std::string& f, int p, int m) { return SaveMultiPing(f, p, m, false); }
bool SaveMultiPingReportCsv(const std::string& f, int p, int m) { return SaveMultiPing(f, p, m, true); }
bool SaveRangePingReportTxt(const std::string& f, int p, int m) { return SaveRangePing(f, p, m, false); }
bool SaveRangePingReportCsv(const std::string& f, int p, int m) { return SaveRangePing(f, p, m, true); }
bool SaveTracerouteReportTxt(const std::string& f, int p, int m) {
  return SaveRoute(TracerouteRegistry, "Traceroute to ", f, p, m, false);
}
bool SaveTracerouteReportCsv(const std::string& f, int p, int m) {
  return SaveRoute(TracerouteRegistry, "Traceroute to ", f, p, m, true);
}
bool SavePathPingReportTxt(const std::string& f, int p, int m) {
  return SaveRoute(PathPingRegistry, "Path ping to ", f, p, m, false);
}
bool SavePathPingReportCsv(const std::string& f, int p, int m) {
  return SaveRoute(PathPingRegistry, "Path ping to ", f, p, m, true);
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
      return SaveRoute(TracerouteRegistry, "Traceroute to ", fileName, pageIndex, reportMode, csv);
    case Mode::PathPing:
      return SaveRoute(PathPingRegistry, "Path ping to ", fileName, pageIndex, reportMode, csv);
  }
  return false;
}

bool SaveHostReport(Mode mode, bool csv, const std::string& fileName, int pageIndex, int hostIndex) {
  return SaveHost(mode, fileName, pageIndex, hostIndex, csv);
}
