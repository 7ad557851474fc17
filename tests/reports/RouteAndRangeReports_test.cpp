#include "ReportFixture.h"
#include "reports/ReportWriters.h"

namespace {

TEST_F(ReportTest, RangePageSortsByAddress) {
  TRangePingPage& page = NewPage(RangePingRegistry);
  page.From = "9.0.0.0";
  page.To = "10.0.0.255";
  page.Hosts.resize(8);  // room for more hosts than answered
  // In order of first answer; the report lists them by address.
  const THostResult answered[] = {Row(1, "10.0.0.10", "ten", 2, 2, 0), Row(0, "10.0.0.9", "nine", 7, 4, 3),
                                  Row(0, "10.0.0.200", "", 1, 0, 1), Row(0, "9.255.255.255", "", 2, 2, 0)};
  for (int i = 0; i < 4; ++i) page.Hosts[i] = std::make_unique<THostResult>(answered[i]);
  page.Hosts[1]->Replies = SampleReplies();
  page.HostCount = 4;

  // The third host in address order (10.0.0.10) has not State 0: its number is
  // left out; reply addresses are always IPv4 on this mode. The text layout is
  // the Ping page's.
  const std::string csvResult =
      "\"Range ping from 9.0.0.0 to 10.0.0.255\",\r\n\r\n\"" + RunLine + "\",\r\n\r\n\"Result:\",\r\n\r\n" +
      CsvResultHeading +
      "\"1\",\"9.255.255.255\",\"\",\"2\",\"2\",\"0\",\"0\",\"1\",\"30\",\"12\",\r\n"
      "\"2\",\"10.0.0.9\",\"nine\",\"7\",\"4\",\"3\",\"42\",\"1\",\"30\",\"12\",\r\n"
      "\"4\",\"10.0.0.200\",\"\",\"1\",\"0\",\"1\",\"100\",\"1\",\"30\",\"12\",\r\n";
  CheckCases(*this, SaveRangePingReportTxt, SaveRangePingReportCsv,
             {{rmIpList, false, "9.255.255.255\r\n10.0.0.9\r\n10.0.0.200\r\n"},
              {rmWithReplies, true,
               csvResult + CsvReplyHeading + Replaced(SampleReplyRows("\"2\","), "2001:db8::2a", "0.0.0.0")},
              {rmIpList, true, "\"9.255.255.255\",\r\n\"10.0.0.9\",\r\n\"10.0.0.200\",\r\n"}});
  EXPECT_EQ(page.Hosts[0]->Address, "10.0.0.10");  // the page keeps its own order

  // A host count beyond the stored hosts reads only what is there.
  page.Hosts.clear();
  EXPECT_TRUE(SaveRangePingReportTxt(PathOf("r"), 0, rmIpList));
  EXPECT_EQ(Read("r"), "");
}

TEST_F(ReportTest, RoutePages) {
  TPingPage& page = NewPage(TracerouteRegistry);
  page.Host = "example.net";
  page.Hosts[0] = Row(0, "192.0.2.1", "r1.example", 3, 2, 1);
  page.Hosts[0].Replies = SampleReplies();
  page.Hosts[1] = Row(1, "", "", 3, 0, 3);  // silent hop: its stored timeouts are not written
  page.Hosts[1].Replies = {SampleReplies()[1]};
  page.Hosts[2] = Row(2, "", "", 0, 0, 0);  // failed hop
  page.Hosts[3] = Row(0, "2001:db8::1", "", 0, 0, 0);
  page.Hosts[4] = Row(-1, "192.0.2.9", "", 1, 1, 0);  // dropped beyond the destination
  page.HostCount = 5;

  const std::string result = "Traceroute to example.net\r\n\r\n" + RunLine + "\r\n\r\nResult:\r\n\r\n" +
                             "1.\t192.0.2.1 [r1.example]\r\n2.\t*\r\n3.\t*\r\n4.\t2001:db8::1\r\n\r\n" +
                             "1.\tIP address:\t192.0.2.1\r\n\tHost name:\tr1.example\r\n" +
                             StatLines("\t", "3", "2", "1", "33 %") + "\r\n2.\t*\r\n\r\n3.\t*\r\n\r\n" +
                             "4.\tIP address:\t2001:db8::1\r\n\tHost name:\t\r\n" +
                             StatLines("\t", "0", "0", "0", "0 %") + "\r\n";
  const std::string replies = "\r\nReplies:\r\n\r\n1. Replies from 192.0.2.1 [r1.example]:\r\n\r\n" +
                              SampleReplyLines +
                              "\r\n2.\t*\r\n\r\n3.\t*\r\n\r\n4. Replies from 2001:db8::1:\r\n\r\n\r\n";
  const std::string csvResult =
      "\"Traceroute to example.net\",\r\n\r\n\"" + RunLine + "\",\r\n\r\n\"Result:\",\r\n\r\n" +
      CsvResultHeading +
      "\"1\",\"192.0.2.1\",\"r1.example\",\"3\",\"2\",\"1\",\"33\",\"1\",\"30\",\"12\",\r\n"
      "\"2\",\"*\",\"\",\"3\",\"0\",\"3\",\"100\",\"1\",\"30\",\"12\",\r\n"
      "\"3\",\"*\",\"\",\"0\",\"0\",\"0\",\"0\",\"1\",\"30\",\"12\",\r\n"
      "\"4\",\"2001:db8::1\",\"\",\"0\",\"0\",\"0\",\"0\",\"1\",\"30\",\"12\",\r\n";
  const std::vector<ReportCase> cases = {
      {rmResult, false, result},
      {rmWithReplies, false, result + replies},
      {3, false, "192.0.2.1\r\n*\r\n*\r\n2001:db8::1\r\n"},
      {rmResult, true, csvResult},
      {rmWithReplies, true, csvResult + CsvReplyHeading + SampleReplyRows("\"1\",")},
      {-1, true, "\"192.0.2.1\",\r\n\"*\",\r\n\"*\",\r\n\"2001:db8::1\",\r\n"}};
  CheckCases(*this, SaveTracerouteReportTxt, SaveTracerouteReportCsv, cases);

  // Path ping writes the same bytes but for its title.
  PathPingRegistry.Pages.push_back(std::make_unique<TPingPage>(page));
  std::vector<ReportCase> pathCases = cases;
  for (ReportCase& c : pathCases) c.expected = Replaced(c.expected, "Traceroute to ", "Path ping to ");
  CheckCases(*this, SavePathPingReportTxt, SavePathPingReportCsv, pathCases);

  page.HostCount = 0;
  CheckCases(
      *this, SaveTracerouteReportTxt, SaveTracerouteReportCsv,
      {{rmResult, false, "Traceroute to example.net\r\n\r\n" + RunLine + "\r\n\r\nResult:\r\n\r\n\r\n"},
       {rmIpList, false, ""}});
}

}  // namespace
