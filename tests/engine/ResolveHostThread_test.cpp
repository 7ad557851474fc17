// The lookup thread on its own: which registry and row its name goes to, and
// when the name is dropped.
#include "engine/ResolveHostThread.h"

#include <gtest/gtest.h>

#include <memory>

#include "EngineTestSupport.h"
#include "FakeEcho.h"
#include "engine/EchoServices.h"
#include "engine/HandOff.h"
#include "support/TestNetwork.h"

namespace {

class ResolveHostThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureTestApplication();
    OpenHandOffGate();
    ResetRegistries();
    SetEngineResolver(&resolver_);
    resolver_.names["10.0.0.7"] = "seven.example";
    resolver_.names["fd00::7"] = "seven6.example";
  }
  void TearDown() override {
    resolver_.OpenGate();
    SetEngineResolver(nullptr);
    ResetRegistries();
  }

  // A page of `registry` running run 5 with three rows.
  static TPingPage& AddRunningPage(TPingRegistry& registry, int id) {
    auto page = std::make_unique<TPingPage>();
    page->Id = id;
    page->RunId = 5;
    page->HostCount = 3;
    registry.Pages.push_back(std::move(page));
    return *registry.Pages.back();
  }

  // Runs one lookup to its end, serving its hand-off.
  static void Lookup(Mode mode, RunStamp stamp, int slot, const char* v4, const char* v6 = "::") {
    auto thread = ResolveHostThread::Start(stamp, mode, slot, v4 ? Ipv4Of(v4) : 0, Ipv6Of(v6));
    ASSERT_NE(thread, nullptr);
    SpinUntil([&] { return RunThread::RunningThreads() == 0; });
    ResolveHostThread::Finish(thread);
  }

  FakeResolver resolver_;
};

TEST_F(ResolveHostThreadTest, TheNameGoesToTheRowOfTheModesRegistry) {
  const std::pair<Mode, TPingRegistry*> modes[] = {{Mode::Ping, &PingRegistry},
                                                   {Mode::MultiPing, &MultiPingRegistry},
                                                   {Mode::Traceroute, &TracerouteRegistry},
                                                   {Mode::PathPing, &PathPingRegistry}};
  for (auto [mode, registry] : modes) {
    ASSERT_EQ(RowRegistryOfMode(mode), registry);
    AddRunningPage(*registry, 4);
  }
  Lookup(Mode::MultiPing, {4, 5}, 2, "10.0.0.7");
  Lookup(Mode::PathPing, {4, 5}, 1, nullptr, "fd00::7");
  EXPECT_EQ(MultiPingRegistry.Pages[0]->Hosts[2].HostName, "seven.example");
  EXPECT_EQ(PathPingRegistry.Pages[0]->Hosts[1].HostName, "seven6.example");
  for (TPingRegistry* registry : {&PingRegistry, &TracerouteRegistry})
    for (const THostResult& host : registry->Pages[0]->Hosts) EXPECT_EQ(host.HostName, "");
  EXPECT_EQ(RowRegistryOfMode(Mode::RangePing), nullptr);
}

TEST_F(ResolveHostThreadTest, ANameForAnotherRunOrARowBeyondTheResultIsDropped) {
  TPingPage& page = AddRunningPage(PingRegistry, 4);
  Lookup(Mode::Ping, {4, 4}, 0, "10.0.0.7");    // an earlier run
  Lookup(Mode::Ping, {9, 5}, 0, "10.0.0.7");    // a page that is gone
  Lookup(Mode::Ping, {4, 5}, 3, "10.0.0.7");    // row 3 of a result with three rows
  Lookup(Mode::Ping, {4, 5}, 500, "10.0.0.7");  // clamped to row 127, beyond the result too
  for (const THostResult& host : page.Hosts) EXPECT_EQ(host.HostName, "");
  Lookup(Mode::Ping, {4, 5}, -3, "10.0.0.7");  // clamped to row 0
  EXPECT_EQ(page.Hosts[0].HostName, "seven.example");
}

TEST_F(ResolveHostThreadTest, FinishDuringTheLookupDropsTheName) {
  TPingPage& page = AddRunningPage(PingRegistry, 4);
  resolver_.CloseGate();
  auto thread = ResolveHostThread::Start({4, 5}, Mode::Ping, 0, Ipv4Of("10.0.0.7"), {});
  ASSERT_NE(thread, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return resolver_.Waiting() == 1; }));
  // Finish blocks until the lookup returns; let it return a moment later.
  std::thread opener([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    resolver_.OpenGate();
  });
  ResolveHostThread::Finish(thread);
  opener.join();
  EXPECT_EQ(thread, nullptr);
  SpinUntil([] { return false; }, std::chrono::milliseconds(20));
  EXPECT_EQ(page.Hosts[0].HostName, "");
}

}  // namespace
