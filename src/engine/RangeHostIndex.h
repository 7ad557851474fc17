#pragma once

#include <cstdint>
#include <unordered_map>

#include "pages/PageTypes.h"

// Which record of a range page belongs to an answering address.
//
// The records sit in TRangePingPage::Hosts in the order of their first
// answer, and every reply has to find its address among up to 65,536 of
// them. A hash of address to record index answers that in constant time
// with exactly the record a front-to-back search would find, since an
// address gets a record only when it has none. The index follows the page:
// records it has not seen yet are indexed on the next call, and a list that
// was released or replaced (Clear, a new Start) is indexed afresh, so a
// stale index can never name a wrong record. User-interface thread only,
// like the records themselves.
class RangeHostIndex {
 public:
  // The index k of the record whose Ipv4 is `ipv4` (network order), or -1.
  int Find(const TRangePingPage& page, std::uint32_t ipv4);

  // Gives a newly answering address its record at Hosts[HostCount] and
  // returns its index; -1 when the page holds no more records (HostCount
  // has reached HostCapacity). The record starts as the run's alive-host
  // rows want it: state 0, its dotted address text, no name, no
  // statistics, a reply store of the page's ReplyCapacity. When memory runs
  // out the exception leaves the page and the index as they were.
  int Add(TRangePingPage& page, std::uint32_t ipv4);

  // Records indexed so far; for tests.
  int Indexed() const { return indexed_; }

 private:
  void CatchUp(const TRangePingPage& page);
  void Rebuild(const TRangePingPage& page);

  std::unordered_map<std::uint32_t, int> index_;
  const void* list_ = nullptr;  // page.Hosts.data() at the last index
  int indexed_ = 0;             // Hosts[0 .. indexed_) are in index_
};
