#include "reports/ReportNames.h"

#include "ReportFixture.h"

namespace {

TEST_F(ReportTest, CleanedNamesAndStamps) {
  const std::pair<std::string, std::string> names[] = {
      {"a/b:c", "abc"},
      {"Office <LAN>", "Office LAN"},
      {"\\/:*?\"<>|", ""},
      {"a.b %PATH \x01\xC3\xA9", "a.b %PATH \x01\xC3\xA9"},  // blanks, dots, control and 8-bit bytes stay
  };
  for (const auto& [text, cleaned] : names) EXPECT_EQ(CleanedName(text), cleaned);

  EXPECT_EQ(ReportStamp({2026, 12, 6, 5, 8, 4, 9, 500}), "2026y12m05d08h04m09s");
  EXPECT_EQ(ReportStamp({2026, 3, 0, 5, 9, 5, 3, 0}), "2026y03m05d09h05m03s");
  TPageCommon page;
  page.StartTime = {2026, 1, 4, 1, 0, 0, 5, 0};
  page.EndTime = {2026, 1, 4, 1, 0, 1, 0, 0};
  EXPECT_EQ(RunStamp(page), "2026y01m01d00h00m05s-2026y01m01d00h01m00s");
}

TEST_F(ReportTest, ProposedNames) {
  GlobalOptions.ResultFolder = "/data/Results/";
  const std::string stamp = "2026y03m05d00h05m09s-2026y03m05d10h15m40s";
  for (TPingRegistry* registry :
       {&PingRegistry, &MultiPingRegistry, &TracerouteRegistry, &PathPingRegistry}) {
    TPingPage& page = NewPage(*registry);
    page.Name = "Office <LAN>";
    page.Hosts[0] = Row(0, "fe80::1%12", "", 1, 1, 0);
    page.Hosts[0].Host = "lab/printer";
    page.HostCount = 1;
  }
  TRangePingPage& range = NewPage(RangePingRegistry);
  range.Name = "?";
  range.Hosts.push_back(std::make_unique<THostResult>(Row(0, "192.168.0.1", "", 1, 1, 0)));
  range.HostCount = 1;

  EXPECT_EQ(PageReportName(Mode::Traceroute, 0, "_"), "/data/Results/Traceroute_Office LAN_" + stamp);
  EXPECT_EQ(PageReportName(Mode::Ping, 0, "_replys_"), "/data/Results/Ping_Office LAN_replys_" + stamp);
  EXPECT_EQ(PageReportName(Mode::MultiPing, 0, "_"), "/data/Results/MultiPing_Office LAN_" + stamp);
  EXPECT_EQ(PageReportName(Mode::PathPing, 0, "_"), "/data/Results/PathPing_Office LAN_" + stamp);
  EXPECT_EQ(PageReportName(Mode::RangePing, 0, "_iplist_"), "/data/Results/RangePing__iplist_" + stamp);

  // One host: "Ping_" on every tab; the address made safe, or the host as entered, cleaned.
  EXPECT_EQ(HostReportName(Mode::Ping, 0, 0), "/data/Results/Ping_fe80--1s12_replys_" + stamp);
  EXPECT_EQ(HostReportName(Mode::Traceroute, 0, 0), "/data/Results/Ping_fe80--1s12_replys_" + stamp);
  EXPECT_EQ(HostReportName(Mode::MultiPing, 0, 0), "/data/Results/Ping_labprinter_replys_" + stamp);
  EXPECT_EQ(HostReportName(Mode::RangePing, 0, 0), "/data/Results/Ping_192.168.0.1_replys_" + stamp);

  EXPECT_EQ(PageReportName(Mode::Ping, 1, "_"), "");
  EXPECT_EQ(HostReportName(Mode::PathPing, 0, 1), "");
  EXPECT_EQ(HostReportName(Mode::RangePing, -1, 0), "");
}

}  // namespace
