#include "reports/ReportPages.h"

#include <arpa/inet.h>

#include <algorithm>

#include "pages/ModePages.h"

namespace {

int RowsInUse(const TPingPage& page) { return std::clamp(page.HostCount, 0, MaxHosts); }

int HostsInUse(const TRangePingPage& page) {
  const int stored = static_cast<int>(std::min<std::size_t>(page.Hosts.size(), MaxRangeHosts));
  return std::clamp(page.HostCount, 0, stored);
}

const THostResult* RowOf(const TPingPage& page, int index) {
  return index < RowsInUse(page) ? &page.Hosts[static_cast<std::size_t>(index)] : nullptr;
}

const THostResult* RowOf(const TRangePingPage& page, int index) {
  return index < HostsInUse(page) ? page.Hosts[static_cast<std::size_t>(index)].get() : nullptr;
}

}  // namespace

const THostResult* FindHostRow(Mode mode, int pageIndex, int hostIndex) {
  if (hostIndex < 0) return nullptr;
  return WithModeRegistry(mode, [&](const auto& registry) -> const THostResult* {
    const auto* page = registry.At(pageIndex);
    return page ? RowOf(*page, hostIndex) : nullptr;
  });
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
