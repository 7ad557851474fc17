#include <sys/resource.h>

#include <csignal>

#include "ReportFixture.h"
#include "pages/ModePages.h"
#include "reports/ReportNames.h"

namespace {

TEST_F(ReportTest, GuardsAndFailedWritesLeaveAnExistingFileAlone) {
  AddPagesOfEveryMode();
  const std::string old = PathOf("old");
  ASSERT_TRUE(WriteFileAtomically(old, "old report").ok());
  for (Mode mode : AllModes) {
    for (bool csv : {false, true}) {
      SCOPED_TRACE(static_cast<int>(mode) * 2 + csv);
      auto refused = [&](int pageIndex, int hostIndex) {
        EXPECT_FALSE(SaveHostReport(mode, csv, old, pageIndex, hostIndex).ok());
        EXPECT_FALSE(hostIndex == 1 && SavePageReport(mode, csv, old, pageIndex, rmIpList).ok());
      };
      // Every page index outside the registry, and rows that cannot be reported.
      for (int pageIndex : {-1, 1}) refused(pageIndex, 1);
      for (int hostIndex : {-1, 0, 2}) refused(0, hostIndex);
      // A page whose result is pending (cleared, restarted) or failed.
      for (int state : {psPending, psError}) {
        ModePage(mode, 0)->ResultState = state;
        refused(0, 1);
      }
      ModePage(mode, 0)->ResultState = psOk;
      // The same calls with a resolved page and its answering row do write.
      EXPECT_TRUE(SaveHostReport(mode, csv, PathOf("new"), 0, 1).ok());
      EXPECT_TRUE(SavePageReport(mode, csv, PathOf("new"), 0, rmIpList).ok());
    }
  }
  // A write the disk stops half way (here the file-size limit) is no success.
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const rlimit small{64, saved.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = SavePingReportTxt(old, 0, rmWithReplies);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, handler);
  EXPECT_FALSE(written);
  EXPECT_EQ(Read("old"), "old report");

  // Any CsvType but 0 separates with ",".
  GlobalOptions.CsvType = 7;
  ASSERT_TRUE(SavePingReportCsv(old, 0, rmIpList));
  EXPECT_EQ(Read("old"), "\"192.0.2.7\",\r\n");
}

TEST_F(ReportTest, OneHostAndHopReports) {
  AddPagesOfEveryMode();
  const std::string txt = Head("Ping to 192.0.2.7") + "IP address:\t192.0.2.7\nHost name:\tgw.example\n" +
                          StatLines("", "7", "4", "3", "42 %") + "\nReplies:\n\n" + SampleReplyLines;
  // The one-host CSV keeps the " %" of the loss rate.
  const std::string csv = Head("Ping to 192.0.2.7") +
                          "IP address|192.0.2.7\nHost name|gw.example\nSent|7\nReceived|4\nLost|3\n"
                          "Loss rate|42 %\nMin. time|1\nMax. time|30\nAvg. time|12\n\nReplies:\n\n"
                          "No.|Year|Month|Day|Hour|Minute|Second|Status|Reply from|Bytes|TTL|Time (ms)\n" +
                          SampleReplyRows("");
  // Multi ping names the host as entered and labels the resolved name.
  auto multi = [](const std::string& text) {
    return Replaced(Replaced(text, "Ping to 192.0.2.7", "Ping to gw"), "Host name", "Resolved host name");
  };
  const std::tuple<Writer, Writer, std::string, std::string> writers[] = {
      {SavePingHostReportTxt, SavePingHostReportCsv, txt, csv},
      {SaveMultiPingHostReportTxt, SaveMultiPingHostReportCsv, multi(txt), multi(csv)},
      {SaveRangePingHostReportTxt, SaveRangePingHostReportCsv, Replaced(txt, "2001:db8::2a", "0.0.0.0"),
       Replaced(csv, "2001:db8::2a", "0.0.0.0")},
      {SaveTracerouteHopReportTxt, SaveTracerouteHopReportCsv, txt, csv},
      {SavePathPingHopReportTxt, SavePathPingHopReportCsv, txt, csv},
  };
  for (const auto& [txtWriter, csvWriter, expectedTxt, expectedCsv] : writers)
    CheckCases(*this, txtWriter, csvWriter, {{1, expectedTxt, expectedCsv}});

  // Without a reply store the text ends after "Replies:" and its empty line,
  // the CSV with the reply heading.
  PingRegistry.At(0)->Hosts[1].ReleaseReplies();
  CheckCases(*this, SavePingHostReportTxt, SavePingHostReportCsv,
             {{1, Replaced(txt, SampleReplyLines, ""), Replaced(csv, SampleReplyRows(""), "")}});
}

// Folder, mode, cleaned name, infix, and the padded stamps of the run.
TEST_F(ReportTest, ProposedNames) {
  EXPECT_EQ(CleanedName("a\\/:*?\"<>|b.c %PATH \x01\xC3\xA9"), "ab.c %PATH \x01\xC3\xA9");
  GlobalOptions.ResultFolder = "/data/Results/";
  AddPagesOfEveryMode();
  PingRegistry.At(0)->Name = "Office <LAN>";
  for (TPingRegistry* registry : {&PingRegistry, &MultiPingRegistry, &TracerouteRegistry})
    registry->At(0)->Hosts[1].Address = "fe80::1%12", registry->At(0)->Hosts[1].Host = "lab/printer";
  const std::string stamp = "2026y03m05d00h05m09s-2026y03m05d10h15m40s";

  // Every mode's prefix is pinned where the end-of-run actions name their reports.
  EXPECT_EQ(PageReportName(Mode::Ping, 0, "_x_"), "/data/Results/Ping_Office LAN_x_" + stamp);

  // One host: "Ping_" on every tab; the address made safe, or the host as entered, cleaned.
  EXPECT_EQ(HostReportName(Mode::Traceroute, 0, 1), "/data/Results/Ping_fe80--1s12_replys_" + stamp);
  EXPECT_EQ(HostReportName(Mode::MultiPing, 0, 1), "/data/Results/Ping_labprinter_replys_" + stamp);
  EXPECT_EQ(HostReportName(Mode::RangePing, 0, 1), "/data/Results/Ping_192.0.2.7_replys_" + stamp);
  EXPECT_EQ(PageReportName(Mode::Ping, 1, "_"), "");
  EXPECT_EQ(HostReportName(Mode::PathPing, 0, 2), "");
  EXPECT_EQ(HostReportName(Mode::RangePing, -1, 1), "");
}

}  // namespace
