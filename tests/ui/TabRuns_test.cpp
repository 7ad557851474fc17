// One run of each tab from the window with real echoes to loopback: Start,
// the rows and replies as the run fills them, the buttons following the
// run, and Stop.

#include "WindowTest.h"
#include "engine/RunThread.h"
#include "platform/SocketIcmpEcho.h"

namespace {

class TabRuns : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Start();
    ASSERT_TRUE(SystemIcmp().CanPing(IpFamily::V4));
    ASSERT_TRUE(SystemIcmp().CanPing(IpFamily::V6));
  }

  // `retries` echoes, `delay` ms apart, names not looked up.
  TModeFrame& Settings(Mode mode, const char* retries, const char* delay) {
    TModeFrame& f = Frame(mode);
    f.RadioButtonRetries->setChecked(true);
    f.EditRetries->setText(retries);
    f.EditDelay->setText(delay);
    f.EditTimeOut->setText("500");
    f.CheckBoxResolveHostName->setChecked(false);
    return f;
  }

  // Starts the shown page of `mode` and waits for the run to end and its
  // last rows to arrive.
  void Run(TModeFrame& f, Mode mode) {
    f.BitBtnStart->click();
    ASSERT_NE(ShownPage(mode).Worker, nullptr);
    Finish(f, mode);
  }
  void Finish(TModeFrame& f, Mode mode) {
    ASSERT_TRUE(WaitUntilIdle(ShownPage(mode)));
    SpinUntil([] { return false; }, std::chrono::milliseconds(RepliesModel::BatchIntervalMs * 3));
    EXPECT_TRUE(f.BitBtnStart->isEnabled());
    EXPECT_FALSE(f.BitBtnStop->isEnabled());
  }

  static QStringList Row(const TModeFrame& f, int row, int cells) {
    return RowCells(*f.HostView()->model(), row).mid(0, cells);
  }
};

TEST_F(TabRuns, PingListsEachAddressWithItsNameAndItsReplies) {
  TFramePing& f = *w().FramePing1;
  f.EditHost->setText("localhost");
  Settings(Mode::Ping, "3", "100");
  f.CheckBoxResolveHostName->setChecked(true);  // 300 ms of echoes: time for the lookup
  Run(f, Mode::Ping);
  EXPECT_EQ(Row(f, 0, 6), (QStringList{"1", "127.0.0.1", "localhost", "3", "3", "0 (0%)"}));
  ASSERT_EQ(f.Replies->Count(), 3);
  EXPECT_EQ(RowCells(*f.Replies, 2).mid(2, 2), (QStringList{"Success", "127.0.0.1"}));
}

TEST_F(TabRuns, PingStopFreezesTheRowAndFreesTheButtons) {
  TFramePing& f = *w().FramePing1;
  f.EditHost->setText("127.0.0.1");
  Settings(Mode::Ping, "1000", "50");
  f.BitBtnStart->click();
  const TPingPage& page = *PingRegistry.At(0);
  ASSERT_TRUE(SpinUntil([&] { return f.BitBtnStop->isEnabled() && page.Hosts[0].Sent >= 2; }));
  EXPECT_FALSE(f.BitBtnStart->isEnabled());
  f.BitBtnStop->click();
  EXPECT_TRUE(f.BitBtnStart->isEnabled());
  EXPECT_FALSE(f.BitBtnStop->isEnabled());
  EXPECT_EQ(page.Worker, nullptr);
  // No echo is counted after Stop. The row shows the page's count once its
  // batch interval has passed: right after Stop it may still lag behind.
  const std::uint32_t sent = page.Hosts[0].Sent;
  ASSERT_TRUE(SpinUntil([] { return RunThread::RunningThreads() == 0; }));
  SpinUntil([] { return false; }, std::chrono::milliseconds(RepliesModel::BatchIntervalMs * 3));
  EXPECT_EQ(page.Hosts[0].Sent, sent);
  EXPECT_EQ(Row(f, 0, 4)[3], QString::number(sent));
}

TEST_F(TabRuns, MultiPingFillsEveryHostsRowAndLocksTheHostList) {
  TFrameMultiPing& f = *w().FrameMultiPing1;
  for (const char* host : {"127.0.0.1", "::1"}) {
    f.EditHost->setText(host);
    f.BitBtnAdd->click();
  }
  Settings(Mode::MultiPing, "3", "100");
  f.BitBtnStart->click();
  ASSERT_TRUE(SpinUntil([&] { return f.BitBtnStop->isEnabled(); }));
  EXPECT_FALSE(f.BitBtnStart->isEnabled() || f.BitBtnAdd->isEnabled());
  Finish(f, Mode::MultiPing);
  EXPECT_TRUE(f.BitBtnAdd->isEnabled());
  EXPECT_EQ(Row(f, 0, 6), (QStringList{"127.0.0.1", "127.0.0.1", " ", "3", "3", "0 (0%)"}));
  EXPECT_EQ(Row(f, 1, 6), (QStringList{"::1", "::1", " ", "3", "3", "0 (0%)"}));

  Select(f.ListView1, 1);
  ASSERT_EQ(f.Replies->Count(), 3);
  EXPECT_EQ(f.Replies->Text(2, 3), "::1");
}

TEST_F(TabRuns, RangePingListsEveryAddressOfAReversedRangeInOrder) {
  TFrameRangePing& f = *w().FrameRangePing1;
  f.EditFrom->setText("127.4.0.40");
  f.EditTo->setText("127.4.0.1");
  f.EditThreads->setText("20");
  Run(Settings(Mode::RangePing, "2", "0"), Mode::RangePing);
  QStringList expected;
  for (int host = 1; host <= 40; ++host) expected << QString("127.4.0.%1").arg(host);
  EXPECT_EQ(Column(*f.AliveHosts), expected);
  EXPECT_EQ(Column(*f.AliveHosts, 2), QStringList(40, "2"));
  Select(f.VirtualStringTree1, 6);
  ASSERT_EQ(f.Replies->Count(), 2);
  EXPECT_EQ(f.Replies->Text(1, 3), "127.4.0.7");
}

TEST_F(TabRuns, TraceRouteAndPathPingToLoopbackEndAtTheFirstHop) {
  for (const auto& [mode, target] :
       {std::pair{Mode::Traceroute, "127.0.0.1"}, std::pair{Mode::PathPing, "::1"}}) {
    auto& f = static_cast<THopFrame&>(Settings(mode, "2", "0"));
    f.EditHost->setText(target);
    f.EditHops->setText("4");
    Run(f, mode);
    EXPECT_EQ(f.Hosts->Count(), 1);
    EXPECT_EQ(Row(f, 0, 5), (QStringList{"1", target, " ", "2", "2"}));
    EXPECT_EQ(f.Replies->Count(), 2);
  }
}

}  // namespace
