#include "engine/RunCallback.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/HandOff.h"

namespace {

struct RecordingView : PageView {
  std::vector<bool> running;
  int rowsRebuilt = 0;
  std::vector<int> changedRows;
  std::vector<std::pair<std::uint32_t, TReplyRecord>> gridLines;

  void SetRunning(bool on) override { running.push_back(on); }
  void ResultRowsChanged() override { ++rowsRebuilt; }
  void HostRowChanged(int row) override { changedRows.push_back(row); }
  void AppendReplyRow(const TReplyRecord& reply, std::uint32_t number) override {
    gridLines.emplace_back(number, reply);
  }
};

EchoResult Reply(std::uint32_t time) {
  EchoResult r;
  r.Status = rsSuccess;
  r.ReplyIpv4 = 0x0100007F;
  r.ReplyTime = time;
  return r;
}

class RunCallbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureTestApplication();
    OpenHandOffGate();
    ResetRegistries();
    SetPageView(Mode::Ping, &view_);
    first_ = AddRunningPage(7, 3);
    second_ = AddRunningPage(8, 1);
    PingRegistry.Current = 0;
  }
  void TearDown() override {
    SetPageView(Mode::Ping, nullptr);
    ResetRegistries();
  }

  static TPingPage* AddRunningPage(int id, int runId) {
    auto page = std::make_unique<TPingPage>();
    page->Id = id;
    page->RunId = runId;
    page->SelectedHost = 0;
    page->ReplyCapacity = 10;
    page->HostCount = 2;
    for (int row = 0; row < 2; ++row) {
      page->Hosts[row].ReplyCapacity = page->ReplyCapacity;
      page->Hosts[row].State = 0;
    }
    PingRegistry.Pages.push_back(std::move(page));
    return PingRegistry.Pages.back().get();
  }

  RecordingView view_;
  TPingPage* first_ = nullptr;
  TPingPage* second_ = nullptr;
};

TEST_F(RunCallbackTest, PageOfRunMatchesIdAndRun) {
  EXPECT_EQ(PageOfRun(PingRegistry, {7, 3}), first_);
  EXPECT_EQ(PageOfRun(PingRegistry, {8, 1}), second_);
  EXPECT_EQ(PageOfRun(PingRegistry, {7, 2}), nullptr);
  EXPECT_EQ(PageOfRun(PingRegistry, {9, 3}), nullptr);

  LambdaThread thread([](LambdaThread&) {});
  EXPECT_EQ(PageForCallback(PingRegistry, thread, {7, 3}), first_);
  thread.Terminate();
  EXPECT_EQ(PageForCallback(PingRegistry, thread, {7, 3}), nullptr);
}

TEST_F(RunCallbackTest, SelectedRowOfTheShownPageGetsAGridLine) {
  const SystemTime stamp = LocalTimeNow();
  AddReplyToPage(PingRegistry, *first_, 0, Reply(5), stamp);
  AddReplyToPage(PingRegistry, *first_, 0, Reply(6), stamp);
  ASSERT_EQ(view_.gridLines.size(), 2u);
  EXPECT_EQ(view_.gridLines[1].first, 2u);
  EXPECT_EQ(view_.gridLines[1].second.Time, 6);
  EXPECT_EQ(view_.changedRows, (std::vector<int>{0, 0}));
  EXPECT_EQ(first_->Hosts[0].Sent, 2u);
  EXPECT_EQ(first_->Hosts[0].ReplyCount(), 2);
}

TEST_F(RunCallbackTest, OtherRowUpdatesItsRowOnly) {
  AddReplyToPage(PingRegistry, *first_, 1, Reply(5), LocalTimeNow());
  EXPECT_TRUE(view_.gridLines.empty());
  EXPECT_EQ(view_.changedRows, (std::vector<int>{1}));
  EXPECT_EQ(first_->Hosts[1].Received, 1u);
}

TEST_F(RunCallbackTest, HiddenPageKeepsItsDataWithoutTouchingTheView) {
  AddReplyToPage(PingRegistry, *second_, 0, Reply(5), LocalTimeNow());
  EXPECT_TRUE(view_.gridLines.empty());
  EXPECT_TRUE(view_.changedRows.empty());
  EXPECT_EQ(second_->Hosts[0].Sent, 1u);
  EXPECT_EQ(second_->Hosts[0].ReplyCount(), 1);
}

TEST_F(RunCallbackTest, RepliesNotKeptMakeNoGridLine) {
  first_->ReplyCapacity = 0;
  first_->Hosts[0].ReplyCapacity = 0;
  AddReplyToPage(PingRegistry, *first_, 0, Reply(5), LocalTimeNow());
  EXPECT_TRUE(view_.gridLines.empty());
  EXPECT_EQ(view_.changedRows, (std::vector<int>{0}));
  EXPECT_EQ(first_->Hosts[0].Sent, 1u);
}

TEST_F(RunCallbackTest, LateResultsOfAnEarlierRunAreDropped) {
  // A worker of run 3 reports one echo, waits while the page is restarted,
  // then reports again; only the first reaches the page.
  std::atomic<int> phase{0};
  std::vector<bool> accepted;  // written by the worker only
  LambdaThread worker([&](LambdaThread& self) {
    auto report = [&] {
      bool ok = false;
      self.Synchronize([&] { ok = AddReplyOfRun(PingRegistry, self, {7, 3}, 0, Reply(9)); });
      accepted.push_back(ok);
    };
    report();
    phase = 1;
    while (phase.load() != 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    report();
  });
  worker.Resume();
  ASSERT_TRUE(SpinUntil([&] { return phase.load() == 1; }));
  EXPECT_EQ(first_->Hosts[0].Sent, 1u);

  first_->RunId += 1;  // Stop or a new Start
  first_->Hosts[0].ResetResult();
  phase = 2;
  ASSERT_TRUE(SpinUntil([&] { return RunThread::RunningThreads() == 0; }));
  worker.WaitFor();
  EXPECT_EQ(accepted, (std::vector<bool>{true, false}));
  EXPECT_EQ(first_->Hosts[0].Sent, 0u);
}

TEST_F(RunCallbackTest, ResultForADeletedPageReachesNoOther) {
  // Page 7 is deleted; page 8 moves to its index.
  PingRegistry.Pages.erase(PingRegistry.Pages.begin());
  LambdaThread worker([](LambdaThread&) {});
  EXPECT_FALSE(AddReplyOfRun(PingRegistry, worker, {7, 3}, 0, Reply(9)));
  EXPECT_EQ(second_->Hosts[0].Sent, 0u);
  EXPECT_TRUE(view_.changedRows.empty());
}

}  // namespace
