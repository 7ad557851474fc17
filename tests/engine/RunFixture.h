#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "FakeEcho.h"
#include "engine/HopPageView.h"
#include "engine/RangePageView.h"
#include "engine/RunLifecycle.h"
#include "engine/RunThread.h"
#include "support/Waits.h"

// A run thread whose body is given by the test.
struct LambdaThread : RunThread {
  explicit LambdaThread(std::function<void(LambdaThread&)> body) : body(std::move(body)) {}
  using RunThread::IdleUntilTerminated;
  using RunThread::SleepUnlessTerminated;
  using RunThread::Synchronize;
  void Execute() override { body(*this); }
  std::function<void(LambdaThread&)> body;
};

// What Stop does to a page, minus the buttons: its controller told to end
// and forgotten, the run id moved on, the end stamped; no end-of-run actions.
inline void Stop(TPageCommon& page) {
  if (page.Worker) page.Worker->Terminate();
  page.Worker = nullptr;
  page.RunId = RunIdAfter(page.RunId);
  page.EndTime = LocalTimeNow();
}

// Turn the event loop until the page's run has ended, or until no run
// thread is left, running or suspended.
inline bool WaitIdle(const TPageCommon& page) {
  return SpinUntil([&] { return page.Worker == nullptr; }, std::chrono::seconds(20));
}
inline bool WaitAllEnded() {
  return SpinUntil([] { return RunThread::RunningThreads() == 0 && RunThread::LiveThreads() == 0; },
                   std::chrono::seconds(10));
}

// What the engine told one tab, and which rows its hop list or alive-host
// grid holds (the engine itself never reads a row's link). A start empties
// them, as the window's Start does. User-interface thread.
class RecordingView final : public RangePageView, public HopPageView {
 public:
  std::vector<bool> running;
  int rowsRebuilt = 0;
  std::vector<std::pair<std::uint32_t, TReplyRecord>> gridLines;  // (echo number, reply)
  std::set<int> rows;                                             // hop slots or range records
  std::vector<int> changed, removedSelected;

  void SetRunning(bool on) override {
    running.push_back(on);
    if (on) rows.clear();
  }
  void ResultRowsChanged() override { ++rowsRebuilt; }
  void HostRowChanged(int row) override { changed.push_back(row); }
  void AppendReplyRow(const TReplyRecord& reply, std::uint32_t number) override {
    gridLines.emplace_back(number, reply);
  }
  void AliveHostAdded(int host) override { HopRowAdded(host); }
  void HopRowAdded(int slot) override {
    EXPECT_TRUE(rows.insert(slot).second) << "a second row for " << slot;
  }
  void HopRowRemoved(int slot, bool wasSelected) override {
    if (wasSelected) removedSelected.push_back(slot);
    rows.erase(slot);
  }
};

// Runs of all five modes against the fake echo, which answers through
// route_, and the fake resolver. Every tab has its recording view and the
// end-of-run actions are recorded. Pages start as the window starts them,
// minus the widgets; TearDown stops every run and waits until none is left.
class RunFixture : public ::testing::Test {
 public:
  // (mode, page index) of every end-of-run action, in order.
  static std::vector<std::pair<Mode, int>>& Finished();

 protected:
  void SetUp() override;
  void TearDown() override;

  // A page of the mode's tab, made the shown one, with `host` as its target
  // (Multi ping: its one entry): 1 echo, no delay, 3 hops, no names.
  TPingPage& AddPage(Mode mode, const std::string& host);
  TRangePingPage& AddRangePage(const std::string& from, const std::string& to, int threads);
  // The window's Start: the active run cut (with its end-of-run actions),
  // the run id moved on, the result cleared, the times stamped, the mode's
  // launch. False when nothing was started.
  bool Start(Mode mode, TPageCommon& page, const TaskRunValues* task = nullptr);
  // Turns the event loop until `runs` runs have ended by themselves.
  bool WaitFinished(std::size_t runs = 1);

  RecordingView& ViewOf(Mode mode) { return views_[static_cast<std::size_t>(mode)]; }
  // Rows 0..HostCount-1 of a page, or the range's records.
  static std::vector<const THostResult*> Rows(Mode mode, const TPageCommon& page);

  FakeIcmp icmp_;
  FakeResolver resolver_;
  FakeRoute route_;  // 10.9.1.1, 10.9.2.1, then the target 10.9.3.3, "target4"

 private:
  std::array<RecordingView, AllModes.size()> views_;
};
