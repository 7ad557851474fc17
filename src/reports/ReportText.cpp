#include "reports/ReportText.h"

#include <charconv>

#include "pages/Settings.h"
#include "pages/TextHelpers.h"

namespace {

// A field of a stamp: one leading "0" below 10, otherwise as many digits as it needs.
void PutPadded(ReportText& out, unsigned value) {
  if (value < 10) out.Put("0");
  out.Num(value);
}

bool Received(const TReplyRecord& reply) { return reply.Status == rsSuccess || reply.Status == rsTtlExpired; }

}  // namespace

ReportText::ReportText(AtomicFile& file, bool csv)
    : file_(file), csv_(csv), separator_(GlobalOptions.CsvType == 0 ? ';' : ',') {
  line_.reserve(256);
}

ReportText& ReportText::Num(std::uint64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  line_.append(digits, result.ptr);
  return *this;
}

void ReportText::EndLine() {
  line_ += "\r\n";
  if (ok_) ok_ = file_.Write(line_);
  line_.clear();
}

ReportKind KindOfMode(int mode) {
  if (mode == 0) return ReportKind::WithReplies;
  if (mode == 1) return ReportKind::Result;
  return ReportKind::IpList;
}

void PutRunStamp(ReportText& out, const SystemTime& time) {
  PutPadded(out, time.Year);
  out.Put(".");
  PutPadded(out, time.Month);
  out.Put(".");
  PutPadded(out, time.Day);
  out.Put(" ");
  PutPadded(out, time.Hour);
  out.Put(":");
  PutPadded(out, time.Minute);
  out.Put(":");
  PutPadded(out, time.Second);
}

void PutRunLine(ReportText& out, const TPageCommon& page) {
  if (out.Csv()) out.BeginCell();
  out.Put("Time: ");
  PutRunStamp(out, page.StartTime);
  out.Put(" - ");
  PutRunStamp(out, page.EndTime);
  if (out.Csv()) out.EndCell();
}

namespace {

void WriteLabelLine(ReportText& out, std::string_view text) {
  if (out.Csv())
    out.Cell(text);
  else
    out.Put(text);
  out.EndLine();
}

}  // namespace

void WriteReportHead(ReportText& out, std::string_view title, const TPageCommon& page) {
  WriteLabelLine(out, title);
  out.EmptyLine();
  PutRunLine(out, page);
  out.EndLine();
  out.EmptyLine();
  WriteLabelLine(out, "Result:");
  out.EmptyLine();
}

void WriteRepliesLabel(ReportText& out) {
  out.EmptyLine();
  WriteLabelLine(out, "Replies:");
  out.EmptyLine();
}

std::uint64_t LossRate(const THostResult& host) {
  // Lost * 100 leaves 32 bits beyond 42,949,672 losses.
  return host.Sent ? std::uint64_t{host.Lost} * 100u / host.Sent : 0u;
}

void PutLossRateText(ReportText& out, const THostResult& host) { out.Num(LossRate(host)).Put(" %"); }

void WriteStatisticsLines(ReportText& out, const THostResult& host, bool indent) {
  const std::string_view lead = indent ? "\t" : "";
  out.Put(lead).Put("Sent:\t\t").Num(host.Sent).EndLine();
  out.Put(lead).Put("Received:\t\t").Num(host.Received).EndLine();
  out.Put(lead).Put("Lost:\t\t").Num(host.Lost).EndLine();
  out.Put(lead).Put("Loss rate:\t\t");
  PutLossRateText(out, host);
  out.EndLine();
  out.Put(lead).Put("Min. time:\t\t").Num(host.MinTime).Put(" ms").EndLine();
  out.Put(lead).Put("Max. time:\t").Num(host.MaxTime).Put(" ms").EndLine();
  out.Put(lead).Put("Avg. time:\t").Num(host.AvgTime).Put(" ms").EndLine();
}

void PutStatisticsCells(ReportText& out, const THostResult& host) {
  out.Cell(host.Sent).Cell(host.Received).Cell(host.Lost).Cell(LossRate(host));
  out.Cell(host.MinTime).Cell(host.MaxTime).Cell(host.AvgTime);
}

void PutReplyAddress(ReportText& out, const TReplyRecord& reply, bool ipv4Only) {
  if (reply.Ipv4 == 0 && !ipv4Only) {
    out.Put(Ipv6ToString(&reply.Ipv6));
    return;
  }
  // Network order: the first octet is the first byte in memory. Written here
  // rather than through a text helper because a long report has a million.
  const auto* octets = reinterpret_cast<const unsigned char*>(&reply.Ipv4);
  out.Num(octets[0]).Put(".").Num(octets[1]).Put(".").Num(octets[2]).Put(".").Num(octets[3]);
}

void WriteReplyLine(ReportText& out, std::uint64_t number, const TReplyRecord& reply, bool ipv4Only) {
  out.Num(number).Put(".\t");
  PutPadded(out, reply.Year);
  out.Put(".");
  PutPadded(out, reply.Month);
  out.Put(".");
  PutPadded(out, reply.Day);
  out.Put(" ");
  PutPadded(out, reply.Hour);
  out.Put(":");
  PutPadded(out, reply.Minute);
  out.Put(":");
  PutPadded(out, reply.Second);
  out.Put("\t");
  if (Received(reply)) {
    out.Put("  Reply from [");
    PutReplyAddress(out, reply, ipv4Only);
    out.Put(reply.Status == rsSuccess ? "]  Bytes = " : "]  TTL expired in transit.  Bytes = ");
    out.Num(reply.Bytes).Put("  TTL = ").Num(reply.Ttl).Put("  Time = ").Num(reply.Time).Put(" ms");
  } else {
    // A ping error reads as a timeout here, as it always has in these files.
    out.Put("  Timeout");
  }
  out.EndLine();
}

void PutReplyCells(ReportText& out, const TReplyRecord& reply, bool ipv4Only) {
  out.Cell(reply.Year).Cell(reply.Month).Cell(reply.Day);
  out.Cell(reply.Hour).Cell(reply.Minute).Cell(reply.Second);
  if (!Received(reply)) {
    out.Cell("Timeout").Cell("").Cell("").Cell("").Cell("");
    return;
  }
  out.Cell(reply.Status == rsSuccess ? "Success" : "TTL expired");
  out.BeginCell();
  PutReplyAddress(out, reply, ipv4Only);
  out.EndCell();
  out.Cell(reply.Bytes).Cell(reply.Ttl).Cell(reply.Time);
}

void WriteReplyLines(ReportText& out, const THostResult& host, bool ipv4Only) {
  std::uint64_t number = 0;
  for (const TReplyRecord& reply : host.Replies) {
    if (!out.Ok()) return;
    WriteReplyLine(out, ++number, reply, ipv4Only);
  }
}
