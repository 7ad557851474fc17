#include "ReportFixture.h"
#include "reports/ReportWriters.h"

namespace {

TEST_F(ReportTest, PingPage) {
  TPingPage& page = NewPage(PingRegistry);
  page.Host = "lab \"gw\"";  // written unescaped, also inside a CSV cell
  page.Hosts[0] = Row(0, "192.0.2.7", "gw.example", 7, 4, 3);
  page.Hosts[0].Replies = SampleReplies();
  page.Hosts[1] = Row(-1, "192.0.2.8", "skipped", 1, 1, 0);
  page.Hosts[2] = Row(0, "2001:db8::2a", "", 0, 0, 0);  // no name, nothing sent, no reply store
  page.HostCount = 3;

  const std::string head = "Ping to lab \"gw\"\r\n\r\n" + RunLine + "\r\n\r\nResult:\r\n\r\n";
  const std::string result = head + "1.\tIP address:\t192.0.2.7\r\n\tHost name:\tgw.example\r\n" +
                             StatLines("\t", "7", "4", "3", "42 %") + "\r\n" +
                             "3.\tIP address:\t2001:db8::2a\r\n\tHost name:\t\r\n" +
                             StatLines("\t", "0", "0", "0", "0 %") + "\r\n";
  const std::string replies = "\r\nReplies:\r\n\r\n1. Replies from 192.0.2.7 [gw.example]:\r\n\r\n" +
                              SampleReplyLines + "\r\n3. Replies from 2001:db8::2a:\r\n\r\n\r\n";
  const std::string csvResult =
      "\"Ping to lab \"gw\"\",\r\n\r\n\"" + RunLine + "\",\r\n\r\n\"Result:\",\r\n\r\n" + CsvResultHeading +
      "\"1\",\"192.0.2.7\",\"gw.example\",\"7\",\"4\",\"3\",\"42\",\"1\",\"30\",\"12\",\r\n"
      "\"3\",\"2001:db8::2a\",\"\",\"0\",\"0\",\"0\",\"0\",\"1\",\"30\",\"12\",\r\n";
  CheckCases(*this, SavePingReportTxt, SavePingReportCsv,
             {{rmResult, false, result},
              {rmWithReplies, false, result + replies},
              {rmIpList, false, "192.0.2.7\r\n2001:db8::2a\r\n"},
              {5, false, "192.0.2.7\r\n2001:db8::2a\r\n"},
              {-1, false, "192.0.2.7\r\n2001:db8::2a\r\n"},
              {rmResult, true, csvResult},
              {rmWithReplies, true, csvResult + CsvReplyHeading + SampleReplyRows("\"1\",")},
              {rmIpList, true, "\"192.0.2.7\",\r\n\"2001:db8::2a\",\r\n"}});

  // No row answered: the head alone, and an address list of 0 bytes that
  // still replaces the earlier file.
  page.Hosts[0].State = page.Hosts[2].State = 2;
  CheckCases(*this, SavePingReportTxt, SavePingReportCsv,
             {{rmResult, false, head},
              {rmWithReplies, false, head + "\r\nReplies:\r\n\r\n"},
              {rmIpList, false, ""},
              {rmIpList, true, ""}});
}

TEST_F(ReportTest, MultiPingPage) {
  TPingPage& page = NewPage(MultiPingRegistry);
  page.Name = "Office";
  page.Hosts[0] = Row(0, "192.0.2.7", "gw.example", 7, 4, 3);
  page.Hosts[0].Host = "gw";
  page.Hosts[0].Replies = SampleReplies();
  page.Hosts[1].Host = "nowhere.invalid";
  page.Hosts[1].State = 1;
  page.Hosts[2].Host = "pending";  // State -1: not resolved yet, not reported
  page.Hosts[3] = Row(0, "2001:db8::2a", "", 4000000000u, 0, 3999999999u);
  page.Hosts[3].Host = "v6";
  page.Hosts[4].Host = "v4only";
  page.Hosts[4].State = 3;
  page.Hosts[5].Host = "v6only";
  page.Hosts[5].State = 2;
  page.HostCount = 6;

  const std::string result =
      "Multi ping to Office\r\n\r\n" + RunLine + "\r\n\r\nResult:\r\n\r\n" +
      "1.\tHost name:\tgw\r\n\tIP address:\t192.0.2.7\r\n\tResolved host name:\tgw.example\r\n" +
      StatLines("\t", "7", "4", "3", "42 %") +
      "\r\n2.\tHost name:\tnowhere.invalid\r\n\tIP address:\tHost not found\r\n\r\n" +
      "4.\tHost name:\tv6\r\n\tIP address:\t2001:db8::2a\r\n\tResolved host name:\t\r\n" +
      // 3,999,999,999 x 100 needs more than 32 bits.
      StatLines("\t", "4000000000", "0", "3999999999", "99 %") + "\r\n" +
      "5.\tHost name:\tv4only\r\n\tIP address:\tIPv6 address not found\r\n\r\n"
      "6.\tHost name:\tv6only\r\n\tIP address:\tIPv4 address not found\r\n\r\n";
  const std::string replies = "\r\nReplies:\r\n\r\n1. gw Replies from 192.0.2.7 [gw.example]:\r\n\r\n" +
                              SampleReplyLines + "\r\n4. v6 Replies from 2001:db8::2a:\r\n\r\n\r\n";
  const std::string csvResult =
      "\"Multi ping to Office\",\r\n\r\n\"" + RunLine + "\",\r\n\r\n\"Result:\",\r\n\r\n" +
      "\"Host No.\",\"Host name\",\"IP address\",\"Resolved nost name\",\"Sent\",\"Received\",\"Lost\","
      "\"Loss rate (%)\",\"Min. time (ms)\",\"Max. time (ms)\",\"Avg. time (ms)\",\r\n"
      "\"1\",\"gw\",\"192.0.2.7\",\"gw.example\",\"7\",\"4\",\"3\",\"42\",\"1\",\"30\",\"12\",\r\n"
      "\"2\",\"nowhere.invalid\",\"Host not found\",\r\n"
      "\"4\",\"v6\",\"2001:db8::2a\",\"\",\"4000000000\",\"0\",\"3999999999\",\"99\",\"1\",\"30\",\"12\",\r\n"
      "\"5\",\"v4only\",\"IPv6 address not found\",\r\n"
      "\"6\",\"v6only\",\"IPv4 address not found\",\r\n";
  CheckCases(*this, SaveMultiPingReportTxt, SaveMultiPingReportCsv,
             {{rmResult, false, result},
              {rmWithReplies, false, result + replies},
              {rmIpList, false, "192.0.2.7\r\n2001:db8::2a\r\n"},
              {rmResult, true, csvResult},
              {rmWithReplies, true, csvResult + CsvReplyHeading + SampleReplyRows("\"1\",")},
              {9, true, "\"192.0.2.7\",\r\n\"2001:db8::2a\",\r\n"}});
}

}  // namespace
