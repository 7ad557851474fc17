#include "engine/TracePing.h"

namespace {

// A finished hop asks this often whether it now lies beyond the destination.
constexpr int BeyondCheckIntervalMs = 100;

}  // namespace

TracePing::TracePing(RunStamp stamp, int hop, std::uint32_t ipv4, const Ipv6Octets& ipv6,
                     const HopRunSettings& settings)
    : HopWorker(Mode::Traceroute, stamp, hop, ipv4, ipv6, settings) {}

int TracePing::BeyondCheckMs() const { return BeyondCheckIntervalMs; }

void TracePing::Probe(IcmpEchoHandle& handle) {
  const EchoRequest request = HopEchoRequest(ipv4_, ipv6_, hop_, settings_);
  bool firstAnswer = true;
  const RoundLimit limit(settings_);
  for (std::int64_t round = 0; limit.Allows(round) && !Terminated() && !BeyondDestination(); ++round) {
    const HopClock::time_point sent = HopClock::now();
    const IcmpEchoResult echo = handle.Echo(request);
    if (!NamesAnAddress(echo)) {
      AddReply(LostAfter(LastReply()));
    } else {
      const EchoResult answer = AnswerOf(echo);
      if (firstAnswer) {
        firstAnswer = false;
        NoteFirstAnswer(answer);
        // Only a first answer can claim the destination: a hop that first
        // heard a router never becomes it, whatever answers later.
        if (echo.status == EchoStatus::Success) DestinationReached();
      }
      AddReply(answer);
    }
    WaitSince(*this, sent, settings_.Delay);
    CheckBeyondDestination();
  }
}
