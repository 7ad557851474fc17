#include "reports/ReportText.h"

#include "pages/Settings.h"
#include "pages/TextHelpers.h"

namespace {

bool Received(const TReplyRecord& reply) { return reply.Status == rsSuccess || reply.Status == rsTtlExpired; }

}  // namespace

ReportText::ReportText(AtomicFile& file, bool csv)
    : file_(file),
      buffer_(ChunkBytes),
      pos_(buffer_.data()),
      end_(buffer_.data() + buffer_.size()),
      csv_(csv),
      separator_(GlobalOptions.CsvType == 0 ? ';' : ',') {}

void ReportText::Spill(std::size_t bytes) {
  const std::size_t used = static_cast<std::size_t>(pos_ - buffer_.data());
  if (ok_) ok_ = file_.Write(std::string_view(buffer_.data(), used));
  // A single piece longer than the buffer (a huge page name) gets a larger one.
  if (bytes > buffer_.size()) buffer_.resize(bytes);
  pos_ = buffer_.data();
  end_ = buffer_.data() + buffer_.size();
}

bool ReportText::Finish() {
  Spill(0);
  return ok_;
}

ReportKind KindOfMode(int mode) {
  if (mode == 0) return ReportKind::WithReplies;
  if (mode == 1) return ReportKind::Result;
  return ReportKind::IpList;
}

namespace {

// "Y.MM.DD hh:mm:ss", every field below 10 with a leading "0": a run's stamp
// carries the full year, a reply's the year within the century.
void PutStamp(ReportText& out, unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
              unsigned second) {
  out.Padded(year).Put(".").Padded(month).Put(".").Padded(day).Put(" ");
  out.Padded(hour).Put(":").Padded(minute).Put(":").Padded(second);
}

}  // namespace

void PutRunStamp(ReportText& out, const SystemTime& time) {
  PutStamp(out, time.Year, time.Month, time.Day, time.Hour, time.Minute, time.Second);
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
  PutStamp(out, reply.Year, reply.Month, reply.Day, reply.Hour, reply.Minute, reply.Second);
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
