// The Start and Stop buttons of the five tabs: what a click takes from the
// editors, and when it does nothing at all. Runs that do start here target
// loopback only and are stopped at the end of each test.
#include "ui/RunButtons.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "TabFixture.h"
#include "engine/HandOff.h"
#include "engine/RunThread.h"
#include "ui/PageRunOperations.h"

namespace {

class RunButtonsTest : public TabFixture {
 protected:
  void SetUp() override {
    TabFixture::SetUp();
    OpenHandOffGate();
    InstallHandOff();
  }
  void TearDown() override {
    for (Mode mode : AllModes) StopPage(mode, 0);
    EXPECT_TRUE(QTest::qWaitFor([] { return RunThread::RunningThreads() == 0; }, 5000));
    TabFixture::TearDown();
  }
};

TEST_F(RunButtonsTest, StartTakesEveryNumberAsUsedAndWritesItBack) {
  ASSERT_TRUE(AddPingPage(TPingPage{}));
  ShowPingPage(0, false, false);
  ping.EditHost->setText("127.0.0.1");
  ping.EditRetries->setText(" 12");
  ping.EditMinutes->setText("$20");
  ping.RadioButtonMinutes->setChecked(true);
  ping.EditTimeOut->setText("0");
  ping.EditDelay->setText("-5");
  ping.EditBytes->setText("70000");
  ping.EditTtl->setText("12 ");
  ping.CheckBoxPingForAllIp->setChecked(false);
  ping.BitBtnStart->click();

  const TPingPage& page = *PingRegistry.At(0);
  EXPECT_EQ(ping.EditRetries->text(), "12");
  EXPECT_EQ(ping.EditMinutes->text(), "32");
  EXPECT_EQ(ping.EditTimeOut->text(), "100");
  EXPECT_EQ(ping.EditDelay->text(), "0");
  EXPECT_EQ(ping.EditBytes->text(), "65500");
  EXPECT_EQ(ping.EditTtl->text(), "255");  // "12 " is no number: the default
  EXPECT_EQ(page.Host, "127.0.0.1");
  EXPECT_EQ(page.Retries, 12);
  EXPECT_EQ(page.Minutes, 32);
  EXPECT_TRUE(page.ByMinutes);
  EXPECT_EQ(page.TimeOut, 100);
  EXPECT_EQ(page.Delay, 0);
  EXPECT_EQ(page.Bytes, 65500);
  EXPECT_EQ(page.Ttl, 255);
  EXPECT_FALSE(page.PingForAllIp);
  EXPECT_NE(page.Worker, nullptr);
}

TEST_F(RunButtonsTest, AMissingTargetStartsNothingAndTakesNothing) {
  ASSERT_TRUE(AddPingPage(TPingPage{}));
  ASSERT_TRUE(AddMultiPingPage(TPingPage{}));
  ASSERT_TRUE(AddRangePingPage(TRangePingPage{}));
  ShowPingPage(0, false, false);
  ShowMultiPingPage(0, false, false);
  ShowRangePingPage(0, false, false);
  const int pingRun = PingRegistry.At(0)->RunId;
  const int multiRun = MultiPingRegistry.At(0)->RunId;
  const int rangeRun = RangePingRegistry.At(0)->RunId;

  ping.EditHost->clear();
  ping.EditRetries->setText("abc");
  ping.BitBtnStart->click();
  EXPECT_EQ(ping.EditRetries->text(), "abc");
  EXPECT_EQ(PingRegistry.At(0)->RunId, pingRun);

  multi.EditRetries->setText("abc");  // a page without hosts
  multi.BitBtnStart->click();
  EXPECT_EQ(multi.EditRetries->text(), "abc");
  EXPECT_EQ(MultiPingRegistry.At(0)->RunId, multiRun);

  const std::string from = RangePingRegistry.At(0)->From;
  for (auto [f, t] : {std::pair{"127.0.0.1", ""}, std::pair{"127.0.0.1", "255.255.255.255"},
                      std::pair{"0.0.0.0", "127.0.0.9"}, std::pair{"127.0.0.1", "localhost"}}) {
    range.EditFrom->setText(f);
    range.EditTo->setText(t);
    range.EditThreads->setText("0");
    range.BitBtnStart->click();
    EXPECT_EQ(range.EditThreads->text(), "0") << f << " " << t;
    EXPECT_EQ(RangePingRegistry.At(0)->From, from);
    EXPECT_EQ(RangePingRegistry.At(0)->RunId, rangeRun);
  }
}

TEST_F(RunButtonsTest, AnUsableRangeIsTakenAsTyped) {
  ASSERT_TRUE(AddRangePingPage(TRangePingPage{}));
  ShowRangePingPage(0, false, false);
  range.EditFrom->setText("127.0.0.1");
  range.EditTo->setText("127.0.0.2");
  range.EditRetries->setText("x");
  range.EditThreads->setText("0");
  range.BitBtnStart->click();
  const TRangePingPage& page = *RangePingRegistry.At(0);
  EXPECT_EQ(page.From, "127.0.0.1");
  EXPECT_EQ(page.To, "127.0.0.2");
  EXPECT_EQ(range.EditRetries->text(), "1");  // this tab's default
  EXPECT_EQ(page.Threads, 1);
  EXPECT_EQ(range.EditThreads->text(), "1");
}

TEST_F(RunButtonsTest, HopTabsClampTheirHopsAndStopEndsTheShownRun) {
  ASSERT_TRUE(AddTraceroutePage(TPingPage{}));
  ShowTraceroutePage(0, false, false);
  trace.EditHost->setText("127.0.0.1");
  trace.EditHops->setText("200");
  trace.EditRetries->setText("999999");
  trace.EditDelay->setText("1000");
  trace.BitBtnStart->click();
  EXPECT_EQ(trace.EditHops->text(), "128");
  TPingPage& page = *TracerouteRegistry.At(0);
  EXPECT_EQ(page.Hops, 128);
  if (!page.Worker) GTEST_SKIP() << "the Trace route tab starts no run yet";

  // Stop is enabled by the run's start callback, and then ends the run.
  ASSERT_TRUE(QTest::qWaitFor([&] { return trace.BitBtnStop->isEnabled(); }, 5000));
  const int runId = page.RunId;
  trace.BitBtnStop->click();
  EXPECT_EQ(page.RunId, runId + 1);
  EXPECT_EQ(page.Worker, nullptr);
  EXPECT_TRUE(trace.BitBtnStart->isEnabled());
  EXPECT_FALSE(trace.BitBtnStop->isEnabled());
}

}  // namespace
