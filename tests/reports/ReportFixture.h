#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pages/PageRegistry.h"
#include "pages/Settings.h"
#include "platform/FileIo.h"

namespace fs = std::filesystem;

// Pages put straight into the registries, a folder of the test's own, and
// the replies every report layout is checked with.
class ReportTest : public ::testing::Test {
 public:
  void SetUp() override {
    ResetRegistries();
    ResetOptions();
    dir = fs::temp_directory_path() / ("velquor-reports-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::remove_all(dir);
    ResetRegistries();
    ResetOptions();
  }

  std::string PathOf(const std::string& name) const { return (dir / name).string(); }
  // The file's bytes, or "<none>" when there is no such file.
  std::string Read(const std::string& name) const {
    return ReadFilePrefix(PathOf(name), 1 << 20).value_or("<none>");
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir;
};

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

inline std::uint32_t V4(const char* text) {
  in_addr a{};
  inet_pton(AF_INET, text, &a);
  return a.s_addr;
}

inline THostResult Row(std::int16_t state, std::string address, std::string name, std::uint32_t sent,
                       std::uint32_t received, std::uint32_t lost) {
  THostResult h;
  h.State = state;
  h.Address = std::move(address);
  h.HostName = std::move(name);
  h.Ipv4 = V4(h.Address.c_str());
  h.Sent = sent;
  h.Received = received;
  h.Lost = lost;
  h.MinTime = 1;
  h.MaxTime = 30;
  h.AvgTime = 12;
  return h;
}

// One reply of every status, an IPv6 one among them; the store holds them
// after older ones were dropped, so they are numbered from 1 all the same.
inline std::vector<TReplyRecord> SampleReplies() {
  std::vector<TReplyRecord> replies = {{5, 1, 5, 7, 3, 9, V4("192.0.2.7"), {}, 32, 57, 12, rsSuccess},
                                       {26, 12, 31, 23, 59, 59, 0, {}, 0, 0, 0, rsTimeout},
                                       {26, 3, 5, 10, 0, 0, V4("198.51.100.1"), {}, 0, 254, 3, rsTtlExpired},
                                       {26, 3, 5, 10, 0, 1, 0, {}, 0, 0, 0, rsPingError},
                                       {26, 3, 5, 10, 0, 2, 0, {}, 56, 0, 1000, rsSuccess}};
  inet_pton(AF_INET6, "2001:db8::2a", replies[4].Ipv6.data());
  return replies;
}

// SampleReplies as text lines and as CSV cells after the number cells.
inline const std::string SampleReplyLines =
    "1.\t05.01.05 07:03:09\t  Reply from [192.0.2.7]  Bytes = 32  TTL = 57  Time = 12 ms\r\n"
    "2.\t26.12.31 23:59:59\t  Timeout\r\n"
    "3.\t26.03.05 10:00:00\t  Reply from [198.51.100.1]  TTL expired in transit.  Bytes = 0  TTL = 254  "
    "Time = 3 ms\r\n"
    "4.\t26.03.05 10:00:01\t  Timeout\r\n"
    "5.\t26.03.05 10:00:02\t  Reply from [2001:db8::2a]  Bytes = 56  TTL = 0  Time = 1000 ms\r\n";
inline const char* const SampleReplyCells[] = {
    "\"5\",\"1\",\"5\",\"7\",\"3\",\"9\",\"Success\",\"192.0.2.7\",\"32\",\"57\",\"12\",\r\n",
    "\"26\",\"12\",\"31\",\"23\",\"59\",\"59\",\"Timeout\",\"\",\"\",\"\",\"\",\r\n",
    "\"26\",\"3\",\"5\",\"10\",\"0\",\"0\",\"TTL expired\",\"198.51.100.1\",\"0\",\"254\",\"3\",\r\n",
    "\"26\",\"3\",\"5\",\"10\",\"0\",\"1\",\"Timeout\",\"\",\"\",\"\",\"\",\r\n",
    "\"26\",\"3\",\"5\",\"10\",\"0\",\"2\",\"Success\",\"2001:db8::2a\",\"56\",\"0\",\"1000\",\r\n"};

inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

inline const std::string RunLine = "Time: 2026.03.05 00:05:09 - 2026.03.05 10:15:40";

// The same CSV bytes with ";" between cells.
inline std::string Semicolons(std::string csv) {
  for (std::size_t at = 0; (at = csv.find("\",", at)) != std::string::npos; at += 2) csv[at + 1] = ';';
  return csv;
}

// The reply rows of SampleReplies, each after `lead` (the "Host No." cell).
inline std::string SampleReplyRows(const std::string& lead) {
  std::string rows;
  for (int k = 0; k < 5; ++k) rows += lead + "\"" + std::to_string(k + 1) + "\"," + SampleReplyCells[k];
  return rows;
}

// The seven statistics lines of a text block of Row(); lead is "\t" in page
// reports and "" in one-host reports.
inline std::string StatLines(const std::string& lead, const std::string& sent, const std::string& received,
                             const std::string& lost, const std::string& rate) {
  return lead + "Sent:\t\t" + sent + "\r\n" + lead + "Received:\t\t" + received + "\r\n" + lead +
         "Lost:\t\t" + lost + "\r\n" + lead + "Loss rate:\t\t" + rate + "\r\n" + lead +
         "Min. time:\t\t1 ms\r\n" + lead + "Max. time:\t30 ms\r\n" + lead + "Avg. time:\t12 ms\r\n";
}

inline const std::string CsvResultHeading =
    "\"Host No.\",\"IP address\",\"Host name\",\"Sent\",\"Received\",\"Lost\",\"Loss rate (%)\","
    "\"Min. time (ms)\",\"Max. time (ms)\",\"Avg. time (ms)\",\r\n";
inline const std::string CsvReplyHeading =
    "\r\n\"Replies:\",\r\n\r\n\"Host No.\",\"Reply No.\",\"Year\",\"Month\",\"Day\",\"Hour\",\"Minute\","
    "\"Second\",\"Status\",\"Reply from\",\"Bytes\",\"TTL\",\"Time (ms)\",\r\n";

// Writes with every separator and compares: CSV expectations are given with ",".
struct ReportCase {
  int mode;
  bool csv;
  std::string expected;
};

using Writer = bool (*)(const std::string&, int, int);

inline void CheckCases(ReportTest& test, Writer txt, Writer csv, const std::vector<ReportCase>& cases) {
  for (const ReportCase& c : cases) {
    for (int csvType : {1, 0, 7}) {
      if (!c.csv && csvType != 1) continue;
      GlobalOptions.CsvType = csvType;
      SCOPED_TRACE("mode " + std::to_string(c.mode) + (c.csv ? " csv " : " txt ") + std::to_string(csvType));
      ASSERT_TRUE((c.csv ? csv : txt)(test.PathOf("r"), 0, c.mode));
      EXPECT_EQ(test.Read("r"), csvType == 0 ? Semicolons(c.expected) : c.expected);
    }
  }
}
