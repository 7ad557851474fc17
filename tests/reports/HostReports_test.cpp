#include "ReportFixture.h"
#include "reports/ReportWriters.h"

namespace {

// The same answering row at index 1 of a page of every mode.
void AddHostPages() {
  THostResult row = Row(0, "192.0.2.7", "gw.example", 7, 4, 3);
  row.Host = "gw";
  row.Replies = SampleReplies();
  for (TPingRegistry* registry :
       {&PingRegistry, &MultiPingRegistry, &TracerouteRegistry, &PathPingRegistry}) {
    TPingPage& page = NewPage(*registry);
    page.Hosts[1] = row;
    page.HostCount = 2;
  }
  TRangePingPage& range = NewPage(RangePingRegistry);
  range.Hosts.push_back(std::make_unique<THostResult>(Row(0, "10.0.0.1", "", 1, 1, 0)));
  range.Hosts.push_back(std::make_unique<THostResult>(row));
  range.HostCount = 2;
}

TEST_F(ReportTest, OneHostAndHopReports) {
  AddHostPages();
  const std::string head = RunLine + "\r\n\r\nResult:\r\n\r\n";
  const std::string csvHead = "\",\r\n\r\n\"" + RunLine + "\",\r\n\r\n\"Result:\",\r\n\r\n";
  const std::string txt = "Ping to 192.0.2.7\r\n\r\n" + head +
                          "IP address:\t192.0.2.7\r\nHost name:\tgw.example\r\n" +
                          StatLines("", "7", "4", "3", "42 %") + "\r\nReplies:\r\n\r\n" + SampleReplyLines;
  const std::string csv =
      "\"Ping to 192.0.2.7" + csvHead +
      "\"IP address\",\"192.0.2.7\",\r\n\"Host name\",\"gw.example\",\r\n\"Sent\",\"7\",\r\n"
      "\"Received\",\"4\",\r\n\"Lost\",\"3\",\r\n\"Loss rate\",\"42 %\",\r\n\"Min. time\",\"1\",\r\n"
      "\"Max. time\",\"30\",\r\n\"Avg. time\",\"12\",\r\n\r\n\"Replies:\",\r\n\r\n\"No.\",\"Year\",\"Month\","
      "\"Day\",\"Hour\",\"Minute\",\"Second\",\"Status\",\"Reply from\",\"Bytes\",\"TTL\",\"Time "
      "(ms)\",\r\n" +
      SampleReplyRows("");
  // Multi ping names the host as entered and labels the resolved name.
  const std::string multiTxt =
      Replaced(Replaced(txt, "Ping to 192.0.2.7", "Ping to gw"), "Host name:", "Resolved host name:");
  const std::string multiCsv =
      Replaced(Replaced(csv, "Ping to 192.0.2.7", "Ping to gw"), "\"Host name\"", "\"Resolved host name\"");
  const struct {
    Writer txt, csv;
    std::string expectedTxt, expectedCsv;
  } writers[] = {
      {SavePingHostReportTxt, SavePingHostReportCsv, txt, csv},
      {SaveMultiPingHostReportTxt, SaveMultiPingHostReportCsv, multiTxt, multiCsv},
      {SaveRangePingHostReportTxt, SaveRangePingHostReportCsv, Replaced(txt, "2001:db8::2a", "0.0.0.0"),
       Replaced(csv, "2001:db8::2a", "0.0.0.0")},
      {SaveTracerouteHopReportTxt, SaveTracerouteHopReportCsv, txt, csv},
      {SavePathPingHopReportTxt, SavePathPingHopReportCsv, txt, csv},
  };
  for (const auto& w : writers)
    CheckCases(*this, w.txt, w.csv, {{1, false, w.expectedTxt}, {1, true, w.expectedCsv}});

  // Without a reply store the text ends after "Replies:" and its empty line,
  // the CSV with the reply heading (its 19th line).
  PingRegistry.At(0)->Hosts[1].ReleaseReplies();
  const std::size_t cut = csv.find("\"1\",\"5\"");
  CheckCases(*this, SavePingHostReportTxt, SavePingHostReportCsv,
             {{1, false, Replaced(txt, SampleReplyLines, "")}, {1, true, csv.substr(0, cut)}});
  EXPECT_EQ(std::count(csv.begin(), csv.begin() + static_cast<long>(cut), '\n'), 19);
}

}  // namespace
