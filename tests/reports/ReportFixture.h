#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <optional>
#include <regex>

#include "pages/PageRegistry.h"
#include "pages/Settings.h"
#include "platform/FileIo.h"
#include "reports/ReportWriters.h"

// Pages put straight into the registries, a folder of the test's own.
class ReportTest : public ::testing::Test {
 public:
  void SetUp() override {
    ResetRegistries();
    ResetOptions();
  }

  std::string PathOf(const std::string& name) const {
    return dir.filePath(QString::fromStdString(name)).toStdString();
  }
  std::string Read(const std::string& name) const {
    return ReadFilePrefix(PathOf(name), 1 << 20).value_or("<none>");
  }

  QTemporaryDir dir;
};

inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

// Expected reports are written with "\n" for each CR LF; in CSV, a line's
// cells are split at "|" and each is quoted and followed by the separator.
inline std::string Txt(const std::string& text) { return Replaced(text, "\n", "\r\n"); }
inline std::string Csv(const std::string& text, const std::string& separator) {
  const std::string quoted = std::regex_replace(text, std::regex("(.+)"), "\"$1\"" + separator);
  return Txt(Replaced(quoted, "|", "\"" + separator + "\""));
}

// A resolved page whose run went from 2026-03-05 00:05:09 to 10:15:40.
template <class Page>
Page& NewPage(TPageRegistry<Page>& registry) {
  registry.Pages.push_back(std::make_unique<Page>());
  Page& page = *registry.Pages.back();
  page.ResultState = psOk;
  page.StartTime = {2026, 3, 4, 5, 0, 5, 9, 0};
  page.EndTime = {2026, 3, 4, 5, 10, 15, 40, 0};
  return page;
}
inline const std::string RunLine = "Time: 2026.03.05 00:05:09 - 2026.03.05 10:15:40";
// Title, run line and "Result:", each with its empty line.
inline std::string Head(const std::string& title) { return title + "\n\n" + RunLine + "\n\nResult:\n\n"; }

// The statistics lines of a text block of Row(), each after `lead` ("\t" in page reports).
inline std::string StatLines(const std::string& lead, const std::string& sent, const std::string& received,
                             const std::string& lost, const std::string& rate) {
  const std::string lines = "Sent:\t\t" + sent + "\nReceived:\t\t" + received + "\nLost:\t\t" + lost +
                            "\nLoss rate:\t\t" + rate +
                            "\nMin. time:\t\t1 ms\nMax. time:\t30 ms\nAvg. time:\t12 ms";
  return lead + Replaced(lines, "\n", "\n" + lead) + "\n";
}

// One reply of every status, an IPv6 one among them; the store holds them
// after older ones were dropped, so they are numbered from 1 all the same.
inline std::vector<TReplyRecord> SampleReplies() {
  std::vector<TReplyRecord> replies = {{5, 1, 5, 7, 3, 9, inet_addr("192.0.2.7"), {}, 32, 57, 12, rsSuccess},
                                       {26, 12, 31, 23, 59, 59, 0, {}, 0, 0, 0, rsTimeout},
                                       {26, 3, 5, 10, 0, 0, 0, {}, 56, 0, 1000, rsTtlExpired},
                                       {26, 3, 5, 10, 0, 1, 0, {}, 0, 0, 0, rsPingError}};
  inet_pton(AF_INET6, "2001:db8::2a", replies[2].Ipv6.data());
  return replies;
}
inline const std::string SampleReplyLines =
    "1.\t05.01.05 07:03:09\t  Reply from [192.0.2.7]  Bytes = 32  TTL = 57  Time = 12 ms\n"
    "2.\t26.12.31 23:59:59\t  Timeout\n"
    "3.\t26.03.05 10:00:00\t  Reply from [2001:db8::2a]  TTL expired in transit.  Bytes = 56  TTL = 0  "
    "Time = 1000 ms\n"
    "4.\t26.03.05 10:00:01\t  Timeout\n";
inline THostResult Row(std::int16_t state, std::string address, std::string name, std::uint32_t sent,
                       std::uint32_t received, std::uint32_t lost, std::vector<TReplyRecord> replies = {}) {
  THostResult h;
  h.State = state, h.Address = std::move(address), h.HostName = std::move(name),
  h.Replies = std::move(replies);
  h.Ipv4 = inet_addr(h.Address.c_str());
  h.Sent = sent, h.Received = received, h.Lost = lost, h.MinTime = 1, h.MaxTime = 30, h.AvgTime = 12;
  return h;
}

// The CSV reply rows, each after `lead` (the "Host No." cell and its "|").
inline std::string SampleReplyRows(const std::string& lead) {
  return lead + "1|5|1|5|7|3|9|Success|192.0.2.7|32|57|12\n" + lead + "2|26|12|31|23|59|59|Timeout||||\n" +
         lead + "3|26|3|5|10|0|0|TTL expired|2001:db8::2a|56|0|1000\n" + lead +
         "4|26|3|5|10|0|1|Timeout||||\n";
}
inline const std::string ResultHeading =
    "Host No.|IP address|Host name|Sent|Received|Lost|Loss rate (%)|Min. time (ms)|Max. time (ms)|Avg. time "
    "(ms)\n";
inline const std::string ReplyHeading =
    "\nReplies:\n\nHost No.|Reply No.|Year|Month|Day|Hour|Minute|Second|Status|Reply from|Bytes|TTL|Time "
    "(ms)\n";

// One page per mode whose row 0 did not answer and row 1 did, with SampleReplies.
inline void AddPagesOfEveryMode() {
  THostResult answered = Row(0, "192.0.2.7", "gw.example", 7, 4, 3, SampleReplies());
  answered.Host = "gw";
  const THostResult silent = Row(1, "192.0.2.8", "", 1, 0, 1);
  for (TPingRegistry* registry :
       {&PingRegistry, &MultiPingRegistry, &TracerouteRegistry, &PathPingRegistry}) {
    TPingPage& page = NewPage(*registry);
    page.Hosts[0] = silent, page.Hosts[1] = answered, page.HostCount = 2;
  }
  TRangePingPage& range = NewPage(RangePingRegistry);
  range.Hosts.push_back(std::make_unique<THostResult>(silent));
  range.Hosts.push_back(std::make_unique<THostResult>(answered));
  range.HostCount = 2;
}

// Each case writes page 0 (row 1 for one-host writers) as text, and as CSV
// with both separators, where an expectation is given.
struct ReportCase {
  int mode;
  std::optional<std::string> txt, csv;
};
using Writer = bool (*)(const std::string&, int, int);

inline void CheckCases(ReportTest& test, Writer txt, Writer csv, const std::vector<ReportCase>& cases) {
  for (const ReportCase& c : cases) {
    for (const char* form : {"txt", ",", ";"}) {  // ";" is CsvType 0's
      const bool isCsv = *form != 't';
      const std::optional<std::string>& expected = isCsv ? c.csv : c.txt;
      if (!expected) continue;
      GlobalOptions.CsvType = *form == ';' ? 0 : 1;
      ASSERT_TRUE((isCsv ? csv : txt)(test.PathOf("r"), 0, c.mode)) << c.mode;
      EXPECT_EQ(test.Read("r"), isCsv ? Csv(*expected, form) : Txt(*expected)) << c.mode << form;
    }
  }
}
