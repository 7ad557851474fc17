#include "reports/ReportPages.h"

#include <arpa/inet.h>

#include <algorithm>

#include "pages/PageRegistry.h"

namespace {

const TPingRegistry* PingPagesOf(Mode mode) {
  switch (mode) {
    case Mode::Ping:
      return &PingRegistry;
    case Mode::MultiPing:
      return &MultiPingRegistry;
    case Mode::Traceroute:
      return &TracerouteRegistry;
    case Mode::PathPing:
      return &PathPingRegistry;
    case Mode::RangePing:
      break;
  }
  return nullptr;
}

int RowsInUse(const TPingPage& page) { return std::clamp(page.HostCount, 0, MaxHosts); }

int HostsInUse(const TRangePingPage& page) {
  const int stored = static_cast<int>(std::min<std::size_t>(page.Hosts.size(), MaxRangeHosts));
  return std::clamp(page.HostCount, 0, stored);
}

}  // namespace

const TPageCommon* FindPage(Mode mode, int pageIndex) {
  if (mode == Mode::RangePing) return RangePingRegistry.At(pageIndex);
  const TPingRegistry* registry = PingPagesOf(mode);
  return registry ? registry->At(pageIndex) : nullptr;
}

const THostResult* FindHostRow(Mode mode, int pageIndex, int hostIndex) {
  if (hostIndex < 0) return nullptr;
  if (mode == Mode::RangePing) {
    const TRangePingPage* page = RangePingRegistry.At(pageIndex);
    if (!page || hostIndex >= HostsInUse(*page)) return nullptr;
    return page->Hosts[static_cast<std::size_t>(hostIndex)].get();
  }
  const TPingRegistry* registry = PingPagesOf(mode);
  const TPingPage* page = registry ? registry->At(pageIndex) : nullptr;
  if (!page || hostIndex >= RowsInUse(*page)) return nullptr;
  return &page->Hosts[static_cast<std::size_t>(hostIndex)];
}

ReportRows PageRows(const TPingPage& page) {
  ReportRows rows;
  const int count = RowsInUse(page);
  rows.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) rows.push_back(&page.Hosts[static_cast<std::size_t>(i)]);
  return rows;
}

ReportRows RangeHostOrder(const TRangePingPage& page) {
  ReportRows rows;
  const int count = HostsInUse(page);
  rows.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    if (const THostResult* host = page.Hosts[static_cast<std::size_t>(i)].get()) rows.push_back(host);
  // Stable, so equal addresses keep their order of first answer; a whole /16
  // that answered is 65,536 hosts, which a quadratic sort would not finish.
  std::stable_sort(rows.begin(), rows.end(), [](const THostResult* a, const THostResult* b) {
    return ntohl(a->Ipv4) < ntohl(b->Ipv4);
  });
  return rows;
}
