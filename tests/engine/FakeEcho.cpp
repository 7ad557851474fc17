#include "FakeEcho.h"

#include <algorithm>
#include <stdexcept>

#include "pages/TextHelpers.h"
#include "support/TestNetwork.h"
#include "support/Waits.h"

namespace {

class FakeHandle final : public IcmpEchoHandle {
 public:
  explicit FakeHandle(FakeIcmp& icmp) : icmp_(icmp) {}
  IcmpEchoResult Echo(const EchoRequest& request) override { return icmp_.EchoOnce(request); }

 private:
  FakeIcmp& icmp_;
};

IcmpEchoResult AnswerFrom(const ResolvedAddress& from, EchoStatus status, int hop,
                          const EchoRequest& request) {
  IcmpEchoResult result;
  result.status = status;
  result.replyIpv4 = from.ipv4;
  result.replyIpv6 = from.ipv6;
  result.replyTtl = from.family == IpFamily::V4 ? 64 - hop + 1 : 0;
  result.roundTripMs = static_cast<std::uint32_t>(10 * hop);  // a time that names the hop
  result.dataSize = status == EchoStatus::Success ? request.bytes : 0;
  return result;
}

}  // namespace

void Gate::Close() {
  std::lock_guard lock(mutex_);
  open_ = false;
}

void Gate::Open() {
  {
    std::lock_guard lock(mutex_);
    open_ = true;
  }
  opened_.notify_all();
}

void Gate::Pass() {
  std::unique_lock lock(mutex_);
  ++held_;
  opened_.wait_for(lock, std::chrono::seconds(10), [&] { return open_; });
  --held_;
}

bool Gate::WaitHeld(int count) {
  return SpinUntil([&] {
    std::lock_guard lock(mutex_);
    return !open_ && held_ == count;
  });
}

std::unique_ptr<IcmpEchoHandle> FakeIcmp::Open(IpFamily family) {
  const bool refused = refuse.count(opens_++) > 0;
  if (refused && refuseThrows) throw std::runtime_error("no socket");
  return refused || !CanPing(family) ? nullptr : std::make_unique<FakeHandle>(*this);
}

IcmpEchoResult FakeIcmp::EchoOnce(const EchoRequest& request) {
  {
    std::lock_guard lock(mutex_);
    log_.push_back({request, std::chrono::steady_clock::now()});
  }
  if (!hold || hold(request)) gate.Pass();
  return answer ? answer(request) : ReplyFromTarget(request);
}

std::vector<FakeIcmp::Sent> FakeIcmp::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

IcmpEchoResult ReplyFromTarget(const EchoRequest& request) {
  const bool v4 = request.family == IpFamily::V4;
  return AnswerFrom({request.family, v4 ? request.ipv4 : 0, v4 ? Ipv6Octets{} : request.ipv6},
                    EchoStatus::Success, 1, request);
}

ResolvedAddress FakeRoute::HopAddress(int hop) const {
  return hop >= 1 && hop <= static_cast<int>(routers.size()) ? routers[static_cast<std::size_t>(hop) - 1]
                                                             : target;
}

IcmpEchoResult FakeRoute::Answer(const EchoRequest& request) const {
  const int targetHop = static_cast<int>(routers.size()) + 1;
  int distance = 0;  // hops to the addressed node
  for (int hop = 1; hop <= targetHop && distance == 0; ++hop) {
    const ResolvedAddress node = HopAddress(hop);
    if (request.family == node.family && request.ipv4 == node.ipv4 && request.ipv6 == node.ipv6)
      distance = hop;
  }
  if (distance == 0) return ReplyFromTarget(request);
  const int reached = std::min(request.ttl, distance);  // the node where the echo ends
  if (auto first = firstAnswer.find(request.ttl); first != firstAnswer.end()) {
    std::lock_guard lock(mutex_);
    if (answered_.insert(request.ttl).second)
      return AnswerFrom(HopAddress(reached), first->second, reached, request);
  }
  if (request.ttl >= distance) {
    if (distance < targetHop && muteRouters.count(distance)) return {};
    return AnswerFrom(HopAddress(distance), EchoStatus::Success, distance, request);
  }
  if (silentHops.count(reached)) return {};
  return AnswerFrom(HopAddress(reached), EchoStatus::TtlExpired, reached, request);
}

std::vector<ResolvedAddress> FakeResolver::LookupHost(const std::string& host) {
  auto it = hosts.find(host);
  return it == hosts.end() ? std::vector<ResolvedAddress>{} : it->second;
}

std::optional<std::string> FakeResolver::NameOfAddress(const ResolvedAddress& address) {
  ++reverseLookups;
  gate.Pass();
  const std::string numeric =
      address.family == IpFamily::V4 ? Ipv4ToString(address.ipv4) : Ipv6ToString(&address.ipv6);
  auto it = names.find(numeric);
  return it == names.end() ? numeric : it->second;
}

std::optional<std::string> FakeResolver::HostByAddress(std::uint32_t ipv4) {
  ++databaseQueries;
  auto it = database.find(ipv4);
  return it == database.end() ? std::nullopt : std::optional<std::string>(it->second);
}

ResolvedAddress V4(const char* text) { return {IpFamily::V4, Ipv4Of(text), {}}; }

ResolvedAddress V6(const char* text) { return {IpFamily::V6, 0, Ipv6Of(text)}; }
