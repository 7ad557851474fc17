#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "TabFixture.h"

namespace {

class StoreFrame : public TabFixture {};

TEST_F(StoreFrame, PingEditorsAreConvertedWithDefaultsAndClampsButKeepTheirText) {
  TPingPage tmpl;
  tmpl.Name = "Office";
  ASSERT_TRUE(AddPingPage(tmpl));
  PingRegistry.Current = 0;

  ping.EditHost->setText(" example.org ");
  ping.EditRetries->setText("abc");
  ping.EditMinutes->setText("70000");
  ping.RadioButtonMinutes->setChecked(true);
  ping.EditTimeOut->setText("99");
  ping.EditDelay->setText("-5");
  ping.EditBytes->setText("");
  ping.EditTtl->setText("300");
  ping.CheckBoxResolveHostName->setChecked(false);
  ping.CheckBoxPingForAllIp->setChecked(true);
  ping.CheckBoxShowReplys->setChecked(false);
  StorePingFrameToPage();

  const TPingPage& page = *PingRegistry.Pages[0];
  EXPECT_EQ(page.Host, " example.org ");
  EXPECT_EQ(page.Retries, 10);
  EXPECT_EQ(page.Minutes, 60000);
  EXPECT_TRUE(page.ByMinutes);
  EXPECT_EQ(page.TimeOut, 100);
  EXPECT_EQ(page.Delay, 0);
  EXPECT_EQ(page.Bytes, 32);
  EXPECT_EQ(page.Ttl, 255);
  EXPECT_FALSE(page.ResolveHostName);
  EXPECT_TRUE(page.PingForAllIp);
  EXPECT_FALSE(page.ShowReplys);
  EXPECT_EQ(page.Name, "Office");
  // The editors are not rewritten by a store.
  EXPECT_EQ(ping.EditRetries->text(), "abc");
  EXPECT_EQ(ping.EditTimeOut->text(), "99");

  ping.EditRetries->setText("0");
  ping.EditDelay->setText("");
  ping.EditHost->clear();
  ping.RadioButtonRetries->setChecked(true);
  StorePingFrameToPage();
  EXPECT_EQ(page.Retries, 1);
  EXPECT_EQ(page.Delay, 1000);
  EXPECT_EQ(page.Host, "");
  EXPECT_FALSE(page.ByMinutes);
  // Six characters fit the editor; this one is 1,048,575.
  ping.EditRetries->setText("$FFFFF");
  StorePingFrameToPage();
  EXPECT_EQ(page.Retries, 999999);
}

TEST_F(StoreFrame, WithoutACurrentPageNothingChanges) {
  ASSERT_TRUE(AddPingPage(TPingPage{}));
  ping.EditRetries->setText("7");
  PingRegistry.Current = -1;
  StorePingFrameToPage();
  PingRegistry.Current = 1;  // past the end
  StorePingFrameToPage();
  EXPECT_EQ(PingRegistry.Pages[0]->Retries, 4);
}

TEST_F(StoreFrame, OnlyTheCurrentPageOfTheTabIsWritten) {
  for (const char* name : {"a", "b"}) {
    TPingPage tmpl;
    tmpl.Name = name;
    ASSERT_TRUE(AddTraceroutePage(tmpl));
  }
  TracerouteRegistry.Current = 1;
  trace.EditHost->setText("router");
  trace.EditHops->setText("0");
  StoreTracerouteFrameToPage();
  EXPECT_EQ(TracerouteRegistry.Pages[1]->Hops, 1);
  EXPECT_EQ(TracerouteRegistry.Pages[1]->Host, "router");
  EXPECT_EQ(TracerouteRegistry.Pages[0]->Hops, 32);
  trace.EditHops->setText("200");
  StoreTracerouteFrameToPage();
  EXPECT_EQ(TracerouteRegistry.Pages[1]->Hops, 128);
  trace.EditHops->setText("x");
  StoreTracerouteFrameToPage();
  EXPECT_EQ(TracerouteRegistry.Pages[1]->Hops, 32);

  ASSERT_TRUE(AddPathPingPage(TPingPage{}));
  PathPingRegistry.Current = 0;
  path.EditHops->setText("77");
  path.EditRetries->setText("12");
  StorePathPingFrameToPage();
  EXPECT_EQ(PathPingRegistry.Pages[0]->Hops, 77);
  EXPECT_EQ(PathPingRegistry.Pages[0]->Retries, 12);
}

TEST_F(StoreFrame, MultiPingLeavesThePingForAllIpFlagAndTheHostList) {
  TPingPage tmpl;
  tmpl.PingForAllIp = true;
  ASSERT_TRUE(AddMultiPingPage(tmpl));
  MultiPingRegistry.Current = 0;
  AddMultiPingHost(MultiPingRegistry, 0, "alpha");
  multi.EditHost->setText("beta");
  multi.EditTtl->setText("0");
  multi.EditBytes->setText("70000");
  StoreMultiPingFrameToPage();
  const TPingPage& page = *MultiPingRegistry.Pages[0];
  EXPECT_TRUE(page.PingForAllIp);
  EXPECT_EQ(page.Host, "beta");
  EXPECT_EQ(page.HostCount, 1);
  EXPECT_EQ(page.Ttl, 1);
  EXPECT_EQ(page.Bytes, 65500);
}

TEST_F(StoreFrame, RangePingTakesTheEndsAsTypedAndClampsThreads) {
  ASSERT_TRUE(AddRangePingPage(TRangePingPage{}));
  RangePingRegistry.Current = 0;
  range.EditFrom->setText("10.0.0.1 ");
  range.EditTo->setText("not an address");
  range.EditThreads->setText("0");
  range.EditRetries->setText("$20");
  StoreRangePingFrameToPage();
  const TRangePingPage& page = *RangePingRegistry.Pages[0];
  EXPECT_EQ(page.From, "10.0.0.1 ");
  EXPECT_EQ(page.To, "not an address");
  EXPECT_EQ(page.Threads, 1);
  EXPECT_EQ(page.Retries, 32);
  range.EditThreads->setText("501");
  StoreRangePingFrameToPage();
  EXPECT_EQ(page.Threads, 500);
  range.EditThreads->setText("many");
  StoreRangePingFrameToPage();
  EXPECT_EQ(page.Threads, 10);
}

}  // namespace
