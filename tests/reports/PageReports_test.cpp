#include "ReportFixture.h"

namespace {

TEST_F(ReportTest, PingPage) {
  TPingPage& page = NewPage(PingRegistry);
  page.Host = "lab \"gw\"";  // written unescaped, also inside a CSV cell
  page.Hosts[0] = Row(0, "192.0.2.7", "gw.example", 7, 4, 3, SampleReplies());
  page.Hosts[1] = Row(-1, "192.0.2.8", "skipped", 1, 1, 0);
  page.Hosts[2] = Row(0, "2001:db8::2a", "", 4000000000u, 0, 3999999999u);  // no name, no reply store
  page.HostCount = 3;

  const std::string head = Head("Ping to lab \"gw\"");
  const std::string result = head + "1.\tIP address:\t192.0.2.7\n\tHost name:\tgw.example\n" +
                             StatLines("\t", "7", "4", "3", "42 %") + "\n3.\tIP address:\t2001:db8::2a\n" +
                             // 3,999,999,999 x 100 needs more than 32 bits.
                             "\tHost name:\t\n" + StatLines("\t", "4000000000", "0", "3999999999", "99 %") +
                             "\n";
  const std::string replies = "\nReplies:\n\n1. Replies from 192.0.2.7 [gw.example]:\n\n" + SampleReplyLines +
                              "\n3. Replies from 2001:db8::2a:\n\n\n";
  const std::string csv = head + ResultHeading + "1|192.0.2.7|gw.example|7|4|3|42|1|30|12\n" +
                          "3|2001:db8::2a||4000000000|0|3999999999|99|1|30|12\n" + ReplyHeading +
                          SampleReplyRows("1|");
  const std::string ipList = "192.0.2.7\n2001:db8::2a\n";
  CheckCases(*this, SavePingReportTxt, SavePingReportCsv,
             {{rmResult, result, {}},
              {rmWithReplies, result + replies, csv},
              {rmIpList, ipList, ipList},
              {5, ipList, {}},  // any mode but 0 and 1 is the address list
              {-1, ipList, {}}});

  // No row answered: the head alone, and an address list of 0 bytes replacing the earlier file.
  page.Hosts[0].State = page.Hosts[2].State = 2;
  CheckCases(*this, SavePingReportTxt, SavePingReportCsv,
             {{rmWithReplies, head + "\nReplies:\n\n", {}}, {rmIpList, {}, ""}});
}

TEST_F(ReportTest, MultiPingPage) {
  TPingPage& page = NewPage(MultiPingRegistry);
  page.Name = "Office";
  page.Hosts[0] = Row(0, "192.0.2.7", "gw.example", 7, 4, 3, SampleReplies());
  page.Hosts[0].Host = "gw";
  page.Hosts[1].Host = "nowhere.invalid", page.Hosts[1].State = psHostNotFound;
  page.Hosts[2].Host = "pending";  // State -1: not resolved yet, not reported
  page.Hosts[3].Host = "v4only", page.Hosts[3].State = psNoIpv6Address;
  page.HostCount = 4;

  const std::string head = Head("Multi ping to Office");
  const std::string result =
      head + "1.\tHost name:\tgw\n\tIP address:\t192.0.2.7\n\tResolved host name:\tgw.example\n" +
      StatLines("\t", "7", "4", "3", "42 %") +
      "\n2.\tHost name:\tnowhere.invalid\n\tIP address:\tHost not found\n" +
      "\n4.\tHost name:\tv4only\n\tIP address:\tIPv6 address not found\n\n";
  const std::string replies =
      "\nReplies:\n\n1. gw Replies from 192.0.2.7 [gw.example]:\n\n" + SampleReplyLines + "\n";
  const std::string csv =
      head +
      "Host No.|Host name|IP address|Resolved nost name|Sent|Received|Lost|Loss rate (%)|Min. time (ms)|Max. "
      "time (ms)|Avg. time (ms)\n1|gw|192.0.2.7|gw.example|7|4|3|42|1|30|12\n2|nowhere.invalid|Host not "
      "found\n"
      "4|v4only|IPv6 address not found\n" +
      ReplyHeading + SampleReplyRows("1|");
  CheckCases(*this, SaveMultiPingReportTxt, SaveMultiPingReportCsv,
             {{rmWithReplies, result + replies, csv}, {rmResult, result, {}}, {rmIpList, "192.0.2.7\n", {}}});
}

TEST_F(ReportTest, RangePageSortsByAddress) {
  TRangePingPage& page = NewPage(RangePingRegistry);
  page.From = "9.0.0.0", page.To = "10.0.0.255";
  page.Hosts.resize(8);  // room for more hosts than answered
  // In order of first answer; the report lists them by address.
  const THostResult answered[] = {Row(1, "10.0.0.10", "ten", 2, 2, 0),
                                  Row(0, "10.0.0.9", "nine", 7, 4, 3, SampleReplies()),
                                  Row(0, "10.0.0.200", "", 1, 0, 1), Row(0, "9.255.255.255", "", 2, 2, 0)};
  for (int i = 0; i < 4; ++i) page.Hosts[i] = std::make_unique<THostResult>(answered[i]);
  page.HostCount = 4;

  // The third host in address order (10.0.0.10) has not State 0: its number is
  // left out; reply addresses are always IPv4 on this mode.
  const std::string csv = Head("Range ping from 9.0.0.0 to 10.0.0.255") + ResultHeading +
                          "1|9.255.255.255||2|2|0|0|1|30|12\n2|10.0.0.9|nine|7|4|3|42|1|30|12\n" +
                          "4|10.0.0.200||1|0|1|100|1|30|12\n" + ReplyHeading + SampleReplyRows("2|");
  CheckCases(*this, SaveRangePingReportTxt, SaveRangePingReportCsv,
             {{rmIpList, "9.255.255.255\n10.0.0.9\n10.0.0.200\n", {}},
              {rmWithReplies, {}, Replaced(csv, "2001:db8::2a", "0.0.0.0")}});
  EXPECT_EQ(page.Hosts[0]->Address, "10.0.0.10");  // the page keeps its own order

  // A host count beyond the stored hosts reads only what is there.
  page.Hosts.clear();
  CheckCases(*this, SaveRangePingReportTxt, SaveRangePingReportCsv, {{rmIpList, "", {}}});
}

TEST_F(ReportTest, RoutePages) {
  TPingPage& page = NewPage(TracerouteRegistry);
  page.Host = "example.net";
  page.Hosts[0] = Row(0, "192.0.2.1", "r1.example", 3, 2, 1, SampleReplies());
  page.Hosts[1] = Row(1, "", "", 3, 0, 3, {SampleReplies()[1]});  // silent: its stored timeout is not written
  page.Hosts[2] = Row(2, "", "", 0, 0, 0);                        // failed hop
  page.Hosts[3] = Row(0, "2001:db8::1", "", 0, 0, 0);
  page.Hosts[4] = Row(-1, "192.0.2.9", "", 1, 1, 0);  // dropped beyond the destination
  page.HostCount = 5;

  const std::string head = Head("Traceroute to example.net");
  const std::string result = head + "1.\t192.0.2.1 [r1.example]\n2.\t*\n3.\t*\n4.\t2001:db8::1\n\n" +
                             "1.\tIP address:\t192.0.2.1\n\tHost name:\tr1.example\n" +
                             StatLines("\t", "3", "2", "1", "33 %") + "\n2.\t*\n\n3.\t*\n\n" +
                             "4.\tIP address:\t2001:db8::1\n\tHost name:\t\n" +
                             StatLines("\t", "0", "0", "0", "0 %") + "\n";
  const std::string replies = "\nReplies:\n\n1. Replies from 192.0.2.1 [r1.example]:\n\n" + SampleReplyLines +
                              "\n2.\t*\n\n3.\t*\n\n4. Replies from 2001:db8::1:\n\n\n";
  const std::string csv = head + ResultHeading +
                          "1|192.0.2.1|r1.example|3|2|1|33|1|30|12\n2|*||3|0|3|100|1|30|12\n" +
                          "3|*||0|0|0|0|1|30|12\n4|2001:db8::1||0|0|0|0|1|30|12\n";
  const std::string ipList = "192.0.2.1\n*\n*\n2001:db8::1\n";
  std::vector<ReportCase> cases = {
      {rmResult, result, csv},
      {rmWithReplies, result + replies, csv + ReplyHeading + SampleReplyRows("1|")},
      {rmIpList, ipList, ipList}};
  CheckCases(*this, SaveTracerouteReportTxt, SaveTracerouteReportCsv, cases);

  // Path ping writes the same bytes but for its title.
  PathPingRegistry.Pages.push_back(std::make_unique<TPingPage>(page));
  for (ReportCase& c : cases)
    for (auto* text : {&c.txt, &c.csv}) *text = Replaced(**text, "Traceroute to ", "Path ping to ");
  CheckCases(*this, SavePathPingReportTxt, SavePathPingReportCsv, cases);
}

}  // namespace
