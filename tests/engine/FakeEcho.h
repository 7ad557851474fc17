#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/IcmpEcho.h"
#include "platform/NameResolver.h"

// An echo service that answers at once, the same way every time, unless its
// gate is closed: then every echo waits until it opens, as an echo stuck in
// its timeout does. Records each echo's target and send time.
class FakeIcmp final : public IcmpEcho {
 public:
  struct Sent {
    EchoRequest request;
    std::chrono::steady_clock::time_point at;
  };

  // Which families can open a handle; set before a run starts.
  bool canV4 = true;
  bool canV6 = true;
  // The answer to every echo; by default a reply from the target in 1 ms.
  // Set before a run starts.
  std::function<IcmpEchoResult(const EchoRequest&)> answer;

  bool CanPing(IpFamily family) const override { return family == IpFamily::V4 ? canV4 : canV6; }
  std::unique_ptr<IcmpEchoHandle> Open(IpFamily family) override;

  void CloseGate();
  void OpenGate();
  // Echoes that are waiting at the closed gate right now.
  int Waiting() const;
  int Echoes() const;
  std::vector<Sent> Log() const;

  IcmpEchoResult EchoOnce(const EchoRequest& request);

 private:
  mutable std::mutex mutex_;
  std::condition_variable opened_;
  bool gateOpen_ = true;   // guarded by mutex_
  int waiting_ = 0;        // guarded by mutex_
  std::vector<Sent> log_;  // guarded by mutex_
};

// The default answer: a reply from the request's target.
IcmpEchoResult ReplyFromTarget(const EchoRequest& request, std::uint32_t roundTripMs = 1);

// Names and addresses from tables the test fills before a run; reverse
// lookups can be held at a gate like the echoes above.
class FakeResolver final : public NameResolver {
 public:
  std::map<std::string, std::vector<ResolvedAddress>> hosts;
  std::map<std::string, std::string> names;  // numeric text -> name

  std::vector<ResolvedAddress> LookupHost(const std::string& host) override;
  std::optional<std::string> NameOfAddress(const ResolvedAddress& address) override;
  std::optional<std::string> HostByAddress(std::uint32_t ipv4) override;

  void CloseGate();
  void OpenGate();
  int Waiting() const;
  int ReverseLookups() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable opened_;
  bool gateOpen_ = true;  // guarded by mutex_
  int waiting_ = 0;       // guarded by mutex_
  int reverse_ = 0;       // guarded by mutex_
};

ResolvedAddress V4(const char* text);
ResolvedAddress V6(const char* text);
