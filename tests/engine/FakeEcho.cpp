#include "FakeEcho.h"

#include "pages/TextHelpers.h"
#include "support/TestNetwork.h"

namespace {

class FakeHandle final : public IcmpEchoHandle {
 public:
  explicit FakeHandle(FakeIcmp& icmp) : icmp_(icmp) {}
  IcmpEchoResult Echo(const EchoRequest& request) override { return icmp_.EchoOnce(request); }

 private:
  FakeIcmp& icmp_;
};

}  // namespace

std::unique_ptr<IcmpEchoHandle> FakeIcmp::Open(IpFamily family) {
  if (!CanPing(family)) return nullptr;
  return std::make_unique<FakeHandle>(*this);
}

IcmpEchoResult FakeIcmp::EchoOnce(const EchoRequest& request) {
  {
    std::unique_lock lock(mutex_);
    log_.push_back({request, std::chrono::steady_clock::now()});
    ++waiting_;
    opened_.wait(lock, [&] { return gateOpen_; });
    --waiting_;
  }
  return answer ? answer(request) : ReplyFromTarget(request);
}

void FakeIcmp::CloseGate() {
  std::lock_guard lock(mutex_);
  gateOpen_ = false;
}

void FakeIcmp::OpenGate() {
  {
    std::lock_guard lock(mutex_);
    gateOpen_ = true;
  }
  opened_.notify_all();
}

int FakeIcmp::Waiting() const {
  std::lock_guard lock(mutex_);
  return gateOpen_ ? 0 : waiting_;
}

int FakeIcmp::Echoes() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(log_.size());
}

std::vector<FakeIcmp::Sent> FakeIcmp::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

IcmpEchoResult ReplyFromTarget(const EchoRequest& request, std::uint32_t roundTripMs) {
  IcmpEchoResult result;
  result.status = EchoStatus::Success;
  if (request.family == IpFamily::V4) {
    result.replyIpv4 = request.ipv4;
    result.replyTtl = 64;
  } else {
    result.replyIpv6 = request.ipv6;
  }
  result.roundTripMs = roundTripMs;
  result.dataSize = request.bytes;
  return result;
}

std::vector<ResolvedAddress> FakeResolver::LookupHost(const std::string& host) {
  auto it = hosts.find(host);
  return it == hosts.end() ? std::vector<ResolvedAddress>{} : it->second;
}

std::optional<std::string> FakeResolver::NameOfAddress(const ResolvedAddress& address) {
  {
    std::unique_lock lock(mutex_);
    ++reverse_;
    ++waiting_;
    opened_.wait(lock, [&] { return gateOpen_; });
    --waiting_;
  }
  const std::string numeric =
      address.family == IpFamily::V4 ? Ipv4ToString(address.ipv4) : Ipv6ToString(&address.ipv6);
  auto it = names.find(numeric);
  // Like name information, answer with the numeric text when no name is known.
  return it == names.end() ? numeric : it->second;
}

std::optional<std::string> FakeResolver::HostByAddress(std::uint32_t) { return std::nullopt; }

void FakeResolver::CloseGate() {
  std::lock_guard lock(mutex_);
  gateOpen_ = false;
}

void FakeResolver::OpenGate() {
  {
    std::lock_guard lock(mutex_);
    gateOpen_ = true;
  }
  opened_.notify_all();
}

int FakeResolver::Waiting() const {
  std::lock_guard lock(mutex_);
  return gateOpen_ ? 0 : waiting_;
}

int FakeResolver::ReverseLookups() const {
  std::lock_guard lock(mutex_);
  return reverse_;
}

ResolvedAddress V4(const char* text) {
  ResolvedAddress address;
  address.ipv4 = Ipv4Of(text);
  return address;
}

ResolvedAddress V6(const char* text) {
  ResolvedAddress address;
  address.family = IpFamily::V6;
  address.ipv6 = Ipv6Of(text);
  return address;
}
