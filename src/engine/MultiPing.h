#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/EchoRounds.h"
#include "engine/ReplyAccounting.h"
#include "engine/ResolveHostThread.h"
#include "engine/RunCallback.h"
#include "engine/RunThread.h"
#include "platform/IcmpEcho.h"

// The worker of a Multi ping run: owns one host entry of the page. It looks
// its host up itself, publishes the one address it pings, sends its echoes
// by count or for minutes and hands every result to its entry. Made by its
// controller (MultiPinger), suspended and self-freeing; after its work it
// reports its end and idles until the controller terminates it, so the
// controller's pointer stays valid until then.
class MultiPing final : public RunThread {
 public:
  // hostSlot is clamped to an entry index; the settings to their ranges.
  MultiPing(RunStamp stamp, int hostSlot, std::string host, const EchoRunSettings& settings);

  int HostSlot() const { return hostSlot_; }

 protected:
  void Execute() override;

 private:
  // Worker thread: the lookup and the echoes. The lookup thread it may start
  // is returned through `lookup` so that every way out ends it.
  void Work(std::unique_ptr<ResolveHostThread>& lookup);
  void HandOver(const EchoResult& result);

  // User-interface thread, under the callback rule and only for an entry
  // the page still has.
  TPingPage* PageWithEntry();
  void SyncShowTarget();
  // An echo result, or, while lookupState_ is not psOk, the failed lookup.
  void SyncAddReply();
  void SyncWorkerDone();

  const RunStamp stamp_;
  const int hostSlot_;
  const std::string host_;
  const EchoRunSettings settings_;
  // Written by this thread before the hand-off that reads them.
  TPageResultState lookupState_ = psOk;
  std::uint32_t ipv4_ = 0;  // network order; 0: the target is ipv6_
  Ipv6Octets ipv6_{};
  std::string address_;
  EchoResult reply_;
};
