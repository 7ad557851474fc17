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

  static QStringList Row(const TModeFrame& f, int row, int cells) {
    return RowCells(*f.HostView()->model(), row).mid(0, cells);
  }
};

TEST_F(TabRuns, PingFillsItsRowAndRepliesUntilStopFreezesThemAndFreesTheButtons) {
  TFramePing& f = *w().FramePing1;
  f.EditHost->setText("localhost");
  Settings(Mode::Ping, "1000", "50");
  f.CheckBoxResolveHostName->setChecked(true);
  f.BitBtnStart->click();
  const THostResult& row = PingRegistry.At(0)->Hosts[0];
  ASSERT_TRUE(SpinUntil([&] { return f.BitBtnStop->isEnabled() && row.Sent >= 3 && !row.HostName.empty(); }));
  EXPECT_FALSE(f.BitBtnStart->isEnabled());
  f.BitBtnStop->click();
  EXPECT_TRUE(f.BitBtnStart->isEnabled());
  EXPECT_FALSE(f.BitBtnStop->isEnabled());
  EXPECT_EQ(PingRegistry.At(0)->Worker, nullptr);
  // No echo is counted after Stop. The rows show the page's data once their
  // batch interval has passed: right after Stop they may still lag behind.
  const std::uint32_t sent = row.Sent;
  ASSERT_TRUE(SpinUntil([] { return RunThread::RunningThreads() == 0; }));
  SpinUntil([] { return false; }, std::chrono::milliseconds(RepliesModel::BatchIntervalMs * 3));
  EXPECT_EQ(row.Sent, sent);
  EXPECT_EQ(Row(f, 0, 4), (QStringList{"1", "127.0.0.1", "localhost", QString::number(sent)}));
  ASSERT_EQ(f.Replies->Count(), row.ReplyCount());
  EXPECT_EQ(RowCells(*f.Replies, 2).mid(2, 2), (QStringList{"Success", "127.0.0.1"}));
}

// The other four tabs run at once: each fills its rows (IP range ping every
// address of a reversed range, in order) and frees its buttons at the end, a
// click lists another row's replies, and Multi ping locks its host list
// while it runs.
TEST_F(TabRuns, TheOtherTabsRunAtOnceFillTheirRowsAndListTheRepliesOfTheRowClicked) {
  TFrameMultiPing& multi = *w().FrameMultiPing1;
  for (const char* host : {"127.0.0.1", "::1"}) {
    multi.EditHost->setText(host);
    multi.BitBtnAdd->click();
  }
  Settings(Mode::MultiPing, "3", "100");
  TFrameRangePing& range = static_cast<TFrameRangePing&>(Settings(Mode::RangePing, "2", "0"));
  range.EditFrom->setText("127.4.0.40");
  range.EditTo->setText("127.4.0.1");
  range.EditThreads->setText("20");
  const std::pair<Mode, const char*> hops[] = {{Mode::Traceroute, "127.0.0.1"}, {Mode::PathPing, "::1"}};
  for (const auto& [mode, target] : hops) {
    auto& f = static_cast<THopFrame&>(Settings(mode, "2", "0"));
    f.EditHost->setText(target);
    f.EditHops->setText("4");
  }
  const Mode modes[] = {Mode::MultiPing, Mode::RangePing, Mode::Traceroute, Mode::PathPing};
  for (const Mode mode : modes) Frame(mode).BitBtnStart->click();
  ASSERT_TRUE(SpinUntil([&] { return multi.BitBtnStop->isEnabled(); }));
  EXPECT_FALSE(multi.BitBtnStart->isEnabled() || multi.BitBtnAdd->isEnabled());
  for (const Mode mode : modes) {
    ASSERT_TRUE(SpinUntil([&] { return ShownPage(mode).Worker == nullptr; }, std::chrono::seconds(20)));
    EXPECT_TRUE(Frame(mode).BitBtnStart->isEnabled() && !Frame(mode).BitBtnStop->isEnabled());
  }
  SpinUntil([] { return false; }, std::chrono::milliseconds(RepliesModel::BatchIntervalMs * 3));

  EXPECT_TRUE(multi.BitBtnAdd->isEnabled());
  EXPECT_EQ(Row(multi, 0, 6), (QStringList{"127.0.0.1", "127.0.0.1", " ", "3", "3", "0 (0%)"}));
  EXPECT_EQ(Row(multi, 1, 6), (QStringList{"::1", "::1", " ", "3", "3", "0 (0%)"}));
  Select(multi.ListView1, 1);
  ASSERT_EQ(multi.Replies->Count(), 3);
  EXPECT_EQ(multi.Replies->Text(2, 3), "::1");

  QStringList expected;
  for (int host = 1; host <= 40; ++host) expected << QString("127.4.0.%1").arg(host);
  EXPECT_EQ(Column(*range.AliveHosts), expected);
  EXPECT_EQ(Column(*range.AliveHosts, 2), QStringList(40, "2"));
  Select(range.VirtualStringTree1, 6);
  ASSERT_EQ(range.Replies->Count(), 2);
  EXPECT_EQ(range.Replies->Text(1, 3), "127.4.0.7");

  // Loopback is the first hop.
  for (const auto& [mode, target] : hops) {
    EXPECT_EQ(Column(*Frame(mode).HostView()->model()), QStringList{"1"});
    EXPECT_EQ(Row(Frame(mode), 0, 5), (QStringList{"1", target, " ", "2", "2"}));
    EXPECT_EQ(Frame(mode).Replies->Count(), 2);
  }
}

}  // namespace
