#include "engine/PathPing.h"

namespace {

constexpr int RouterAttempts = 4;
// Every phase-1 attempt, answered or not, lasts more than this.
constexpr std::int64_t AttemptMs = 1000;
// A finished hop asks this often whether it now lies beyond the destination.
constexpr int BeyondCheckIntervalMs = 1000;

}  // namespace

PathPing::PathPing(RunStamp stamp, int hop, std::uint32_t ipv4, const Ipv6Octets& ipv6,
                   const HopRunSettings& settings)
    : HopWorker(Mode::PathPing, stamp, hop, ipv4, ipv6, settings) {}

int PathPing::BeyondCheckMs() const { return BeyondCheckIntervalMs; }

void PathPing::Probe(IcmpEchoHandle& handle) {
  if (FindRouter(handle)) PingRouter(handle);
}

bool PathPing::FindRouter(IcmpEchoHandle& handle) {
  const EchoRequest request = HopEchoRequest(ipv4_, ipv6_, hop_, settings_);
  bool found = false;
  for (int attempt = 0; attempt < RouterAttempts && !found && !Terminated() && !BeyondDestination();
       ++attempt) {
    const HopClock::time_point sent = HopClock::now();
    const IcmpEchoResult echo = handle.Echo(request);
    if (NamesAnAddress(echo)) {
      found = true;
      NoteFirstAnswer(AnswerOf(echo));
      if (echo.status == EchoStatus::Success) DestinationReached();
      UpdateHop(HopUpdate::RouterFound);
    }
    WaitSince(*this, sent, AttemptMs);
    CheckBeyondDestination();
  }
  return found;
}

void PathPing::PingRouter(IcmpEchoHandle& handle) {
  const EchoResult router = LastReply();
  const EchoRequest request = HopEchoRequest(router.ReplyIpv4, router.ReplyIpv6, RouterTtl, settings_);
  // A lost echo keeps the fields of the last answer taken, which before the
  // first reply of this phase is the router's answer of phase 1.
  EchoResult last = router;
  const RoundLimit limit(settings_);
  for (std::int64_t round = 0; limit.Allows(round) && !Terminated() && !BeyondDestination(); ++round) {
    const HopClock::time_point sent = HopClock::now();
    const IcmpEchoResult echo = handle.Echo(request);
    // A router that forwards the echo and lets the TTL of 255 run out has
    // not answered it: only the echo reply counts.
    last = echo.status == EchoStatus::Success ? AnswerOf(echo) : LostAfter(last);
    AddReply(last);
    WaitSince(*this, sent, settings_.Delay);
    CheckBeyondDestination();
  }
}
