#include "engine/Ping.h"

#include <algorithm>
#include <memory>

#include "engine/EchoServices.h"
#include "engine/ResolveHostThread.h"

Ping::Ping(RunStamp stamp, int hostSlot, std::uint32_t ipv4, const Ipv6Octets& ipv6,
           const EchoRunSettings& settings)
    : stamp_(stamp),
      hostSlot_(std::clamp(hostSlot, 0, MaxHosts - 1)),
      ipv4_(ipv4),
      ipv6_(ipv4 != 0 ? Ipv6Octets{} : ipv6),
      settings_(settings.Clamped()) {}

void Ping::Execute() {
  // The lookup thread lives on this stack so that every way out of the
  // echoes, a failure included, ends it before the worker reports its end.
  std::unique_ptr<ResolveHostThread> lookup;
  try {
    if (!Terminated()) {
      if (settings_.ResolveHostName)
        lookup = ResolveHostThread::Start(stamp_, Mode::Ping, hostSlot_, ipv4_, ipv6_);
      PingOneTarget(*this, ipv4_, ipv6_, settings_, [this](const EchoResult& result) { HandOver(result); });
    }
  } catch (...) {
    // A failing body still ends its lookup and reports its end.
  }
  try {
    ResolveHostThread::Finish(lookup);
    if (!Terminated()) Synchronize([this] { SyncWorkerDone(); });
  } catch (...) {
  }
  IdleUntilTerminated();
}

void Ping::HandOver(const EchoResult& result) {
  reply_ = result;
  if (!Terminated()) Synchronize([this] { SyncAddReply(); });
}

void Ping::SyncAddReply() { AddReplyOfRun(PingRegistry, *this, stamp_, hostSlot_, reply_); }

void Ping::SyncWorkerDone() {
  if (TPingPage* page = PageForCallback(PingRegistry, *this, stamp_)) ++page->FinishedWorkers;
}
