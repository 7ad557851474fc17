#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/IcmpEcho.h"
#include "platform/NameResolver.h"

// While closed, holds whoever passes it, as an echo waiting for its timeout (10 s at
// most) or a slow lookup is held; WaitHeld lets a test wait for that moment itself.
class Gate {
 public:
  void Close();
  void Open();
  void Pass();
  // Turns the event loop until `count` threads wait at the closed gate.
  bool WaitHeld(int count);

 private:
  mutable std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = true;  // guarded by mutex_
  int held_ = 0;      // guarded by mutex_
};

// An echo service that answers with `answer` (by default a reply from the
// target) after the echoes `hold` picks (all by default) have passed the
// gate. Opens listed in `refuse` (numbered from 0) fail, or throw. Set
// everything before a run.
class FakeIcmp final : public IcmpEcho {
 public:
  struct Sent {
    EchoRequest request;
    std::chrono::steady_clock::time_point at;
  };

  bool canV4 = true;
  std::function<IcmpEchoResult(const EchoRequest&)> answer;
  std::function<bool(const EchoRequest&)> hold;
  std::set<int> refuse;
  bool refuseThrows = false;
  Gate gate;

  bool CanPing(IpFamily family) const override { return family == IpFamily::V6 || canV4; }
  std::unique_ptr<IcmpEchoHandle> Open(IpFamily family) override;
  IcmpEchoResult EchoOnce(const EchoRequest& request);
  int Opens() const { return opens_.load(); }
  std::vector<Sent> Log() const;

 private:
  std::atomic<int> opens_{0};
  mutable std::mutex mutex_;
  std::vector<Sent> log_;  // guarded by mutex_
};

IcmpEchoResult ReplyFromTarget(const EchoRequest& request);

ResolvedAddress V4(const char* text);
ResolvedAddress V6(const char* text);

// Routers 1..n, then the target at hop n + 1. An echo to the target with a
// TTL below n + 1 expires at router TTL, which answers "TTL expired" unless
// it is silent; with a larger TTL the target answers. A router answers an
// echo sent to itself unless it is mute. Addresses off the route answer
// themselves. Thread-safe once set up.
struct FakeRoute {
  std::vector<ResolvedAddress> routers{V4("10.9.1.1"), V4("10.9.2.1")};
  ResolvedAddress target = V4("10.9.3.3");
  std::set<int> silentHops;
  std::set<int> muteRouters;
  std::map<int, EchoStatus> firstAnswer;  // TTL -> what its first echo gets instead

  IcmpEchoResult Answer(const EchoRequest& request) const;
  ResolvedAddress HopAddress(int hop) const;  // a router, or the target beyond them

 private:
  mutable std::mutex mutex_;
  mutable std::set<int> answered_;  // guarded by mutex_: TTLs whose first echo is done
};

// Names and addresses from tables filled before a run. Name information
// answers with the numeric text when it knows no name, as the system's
// does; reverse lookups pass the gate.
class FakeResolver final : public NameResolver {
 public:
  std::map<std::string, std::vector<ResolvedAddress>> hosts;
  std::map<std::string, std::string> names;       // numeric text -> name
  std::map<std::uint32_t, std::string> database;  // the host-by-address answers
  Gate gate;
  std::atomic<int> reverseLookups{0};
  std::atomic<int> databaseQueries{0};

  std::vector<ResolvedAddress> LookupHost(const std::string& host) override;
  std::optional<std::string> NameOfAddress(const ResolvedAddress& address) override;
  std::optional<std::string> HostByAddress(std::uint32_t ipv4) override;
};
