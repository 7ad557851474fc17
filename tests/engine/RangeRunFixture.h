#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"
#include "FakeEcho.h"
#include "engine/RangePageView.h"
#include "pages/PageRegistry.h"

// What the engine told the IP range ping tab's view, in order.
// User-interface thread.
struct RecordingRangeView final : RangePageView {
  std::vector<bool> running;
  std::vector<std::uint32_t> added;  // Ipv4 of each new row, in call order
  std::vector<int> changed;
  std::vector<std::pair<std::uint32_t, TReplyRecord>> gridLines;
  ListHandle nextHandle = 1;

  // Links the record to a made-up row, as the window's view does.
  void AliveHostAdded(int host) override;

  void SetRunning(bool on) override { running.push_back(on); }
  void ResultRowsChanged() override {}
  void HostRowChanged(int row) override { changed.push_back(row); }
  void AppendReplyRow(const TReplyRecord& reply, std::uint32_t number) override {
    gridLines.emplace_back(number, reply);
  }
};

// An echo service whose handles fail to open, or whose opening throws,
// for the calls `refuse` picks (numbered from 0 in call order); the others
// are FakeIcmp's handles. Thread-safe: workers open at the same time.
class RefusingIcmp final : public IcmpEcho {
 public:
  explicit RefusingIcmp(FakeIcmp& inner) : inner_(inner) {}

  std::function<bool(int call)> refuse;
  bool throwInstead = false;

  bool CanPing(IpFamily family) const override { return inner_.CanPing(family); }
  std::unique_ptr<IcmpEchoHandle> Open(IpFamily family) override;
  int Opens() const { return opens_.load(); }

 private:
  FakeIcmp& inner_;
  std::atomic<int> opens_{0};
};

// IP range ping runs against a fake echo (or another service a test sets),
// with the view above on the tab. Pages start the way the window's Start
// does, minus the widgets. Every test leaves no run thread behind.
class RangeRunTest : public ::testing::Test {
 public:
  // Page indexes of every end-of-run action, in order.
  static std::vector<int>& Finished();

 protected:
  void SetUp() override;
  void TearDown() override;

  // An idle page over from..to with the pool size given: one pass, no
  // delay, no names, replies kept.
  static TRangePingPage& AddPage(const std::string& from, const std::string& to, int threads);
  // Start: cuts a running run, moves the run id on and launches the run.
  static bool Start(TRangePingPage& page);

  // The dotted addresses of the page's records, in record order.
  static std::vector<std::string> HostTexts(const TRangePingPage& page);
  // The addresses every echo went to, in send order.
  std::vector<std::string> EchoTargets() const;

  FakeIcmp icmp_;
  FakeResolver resolver_;
  RecordingRangeView view_;
};

// Answers only from the addresses `answers` holds (dotted texts).
std::function<IcmpEchoResult(const EchoRequest&)> AnswerOnly(std::vector<std::string> answers);
