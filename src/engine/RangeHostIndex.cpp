#include "engine/RangeHostIndex.h"

#include <memory>

#include "pages/TextHelpers.h"

namespace {

// The most the "IP Address" field keeps of an address text, in bytes.
constexpr std::size_t MaxAddressBytes = 64;

const THostResult* RecordAt(const TRangePingPage& page, int k) {
  if (k < 0 || k >= page.HostCount || static_cast<std::size_t>(k) >= page.Hosts.size()) return nullptr;
  return page.Hosts[static_cast<std::size_t>(k)].get();
}

}  // namespace

void RangeHostIndex::Rebuild(const TRangePingPage& page) {
  index_.clear();
  list_ = page.Hosts.data();
  indexed_ = 0;
  CatchUp(page);
}

void RangeHostIndex::CatchUp(const TRangePingPage& page) {
  if (list_ != page.Hosts.data() || page.HostCount < indexed_) {
    index_.clear();
    list_ = page.Hosts.data();
    indexed_ = 0;
  }
  // A page's list is sized once per run, so the whole run indexes into one table.
  if (index_.empty() && page.HostCapacity > 0) index_.reserve(static_cast<std::size_t>(page.HostCapacity));
  for (; indexed_ < page.HostCount; ++indexed_) {
    const THostResult* host = RecordAt(page, indexed_);
    // The first record of an address wins, as a front-to-back search finds it.
    if (host) index_.emplace(host->Ipv4, indexed_);
  }
}

int RangeHostIndex::Find(const TRangePingPage& page, std::uint32_t ipv4) {
  CatchUp(page);
  const auto it = index_.find(ipv4);
  if (it == index_.end()) return -1;
  const THostResult* host = RecordAt(page, it->second);
  if (host && host->Ipv4 == ipv4) return it->second;
  // A record was changed behind the index's back: believe the page.
  Rebuild(page);
  const auto again = index_.find(ipv4);
  return again == index_.end() ? -1 : again->second;
}

int RangeHostIndex::Add(TRangePingPage& page, std::uint32_t ipv4) {
  CatchUp(page);
  const int k = page.HostCount;
  if (k >= page.HostCapacity || static_cast<std::size_t>(k) >= page.Hosts.size()) return -1;
  auto host = std::make_unique<THostResult>();
  host->State = 0;
  host->Ipv4 = ipv4;
  host->Address = CutUtf8(Ipv4ToString(ipv4), MaxAddressBytes);
  host->ReplyCapacity = page.ReplyCapacity;
  if (page.ReplyCapacity > 0) host->Replies.reserve(static_cast<std::size_t>(page.ReplyCapacity));
  // Everything that can fail is done before the page changes.
  index_.emplace(ipv4, k);
  page.Hosts[static_cast<std::size_t>(k)] = std::move(host);
  page.HostCount = k + 1;
  indexed_ = page.HostCount;
  return k;
}
