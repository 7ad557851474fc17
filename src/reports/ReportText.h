#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "pages/PageTypes.h"
#include "platform/AtomicFile.h"
#include "platform/SystemTime.h"

// The conventions every report follows, in one place: lines end in CR LF
// (the last one too), text goes out as held, a CSV cell is a quote, the value
// unescaped, a quote and the separator (after the last cell of a line too).
//
// Text goes into a buffer of its own that is handed to the file whenever it
// fills, so the report streams to disk however many lines it has. The pieces
// are copied in place: a report with replies has a million lines and more.
class ReportText {
 public:
  // The CSV separator follows CsvType as it is when the report starts.
  ReportText(AtomicFile& file, bool csv);

  ReportText& Put(std::string_view text) {
    Reserve(text.size());
    std::memcpy(pos_, text.data(), text.size());
    pos_ += text.size();
    return *this;
  }
  ReportText& Num(std::uint64_t value) {
    Reserve(20);
    pos_ = std::to_chars(pos_, pos_ + 20, value).ptr;
    return *this;
  }
  // Two digits below 100, with a leading "0" below 10; more as needed above.
  ReportText& Padded(unsigned value) {
    if (value >= 100) return Num(value);
    Reserve(2);
    *pos_++ = static_cast<char>('0' + value / 10);
    *pos_++ = static_cast<char>('0' + value % 10);
    return *this;
  }

  // A cell around what is put between the two calls.
  ReportText& BeginCell() { return Put("\""); }
  ReportText& EndCell() {
    Reserve(2);
    *pos_++ = '"';
    *pos_++ = separator_;
    return *this;
  }
  ReportText& Cell(std::string_view text) { return BeginCell().Put(text).EndCell(); }
  ReportText& Cell(std::uint64_t value) { return BeginCell().Num(value).EndCell(); }

  void EndLine() { Put("\r\n"); }
  void EmptyLine() { EndLine(); }
  // Hands what is left to the file; false when anything could not be written.
  bool Finish();
  // False once the file has failed; long loops stop early then.
  bool Ok() const { return ok_; }
  bool Csv() const { return csv_; }

 private:
  static constexpr std::size_t ChunkBytes = 64 * 1024;

  void Reserve(std::size_t bytes) {
    if (static_cast<std::size_t>(end_ - pos_) < bytes) Spill(bytes);
  }
  // Hands the buffer to the file and makes room for at least `bytes`.
  void Spill(std::size_t bytes);

  AtomicFile& file_;
  std::vector<char> buffer_;
  char* pos_;
  char* end_;
  bool csv_;
  char separator_;
  bool ok_ = true;
};

// The three kinds of whole-page report; every value other than 0 and 1 is the
// address list.
enum class ReportKind { WithReplies, Result, IpList };
ReportKind KindOfMode(int mode);

// "YYYY.MM.DD hh:mm:ss", every field below 10 with a leading "0".
void PutRunStamp(ReportText& out, const SystemTime& time);
// "Time: " start " - " end; one cell in CSV.
void PutRunLine(ReportText& out, const TPageCommon& page);
// Title, run line and "Result:", each followed by an empty line.
void WriteReportHead(ReportText& out, std::string_view title, const TPageCommon& page);
// An empty line, "Replies:" and an empty line.
void WriteRepliesLabel(ReportText& out);

// Lost * 100 / Sent truncated, computed at 64 bits; 0 when nothing was sent.
std::uint64_t LossRate(const THostResult& host);
// The rate with " %" ("0 %" when nothing was sent).
void PutLossRateText(ReportText& out, const THostResult& host);
// The seven statistics lines "Sent:" .. "Avg. time:" of a text report; page
// blocks indent them with a tab, one-host reports do not.
void WriteStatisticsLines(ReportText& out, const THostResult& host, bool indent);
// The seven statistics cells Sent .. Avg. time with the bare loss rate.
void PutStatisticsCells(ReportText& out, const THostResult& host);

// A reply's address: the IPv4 text when set (always on IP range ping pages),
// else the IPv6 text.
void PutReplyAddress(ReportText& out, const TReplyRecord& reply, bool ipv4Only);
// One text reply line: number, stamp "YY.MM.DD hh:mm:ss" and what happened.
void WriteReplyLine(ReportText& out, std::uint64_t number, const TReplyRecord& reply, bool ipv4Only);
// The eleven cells "Year" .. "Time (ms)" of a CSV reply row.
void PutReplyCells(ReportText& out, const TReplyRecord& reply, bool ipv4Only);
// Every stored reply of a row as text lines, numbered from 1 in store order.
void WriteReplyLines(ReportText& out, const THostResult& host, bool ipv4Only);
