#include <initializer_list>
#include <string>

#include "pages/RowTexts.h"
#include "reports/ReportLayouts.h"

namespace {

void PutCells(ReportText& out, std::initializer_list<std::string_view> cells) {
  for (std::string_view cell : cells) out.Cell(cell);
}

void WriteResultHeading(ReportText& out, bool multiPing) {
  out.Cell("Host No.");
  if (multiPing)
    PutCells(out, {"Host name", "IP address", "Resolved nost name"});
  else
    PutCells(out, {"IP address", "Host name"});
  PutCells(out, {"Sent", "Received", "Lost", "Loss rate (%)", "Min. time (ms)", "Max. time (ms)",
                 "Avg. time (ms)"});
  out.EndLine();
}

void WriteReplyHeading(ReportText& out) {
  PutCells(out, {"Host No.", "Reply No.", "Year", "Month", "Day", "Hour", "Minute", "Second", "Status",
                 "Reply from", "Bytes", "TTL", "Time (ms)"});
  out.EndLine();
}

bool Answered(const THostResult& host) { return host.State == 0; }

// The addresses of the rows that answered, one per line or one cell per row.
void WriteIpList(ReportText& out, const ReportRows& rows) {
  for (const THostResult* host : rows) {
    if (!out.Ok()) return;
    if (!Answered(*host)) continue;
    if (out.Csv())
      out.Cell(host->Address);
    else
      out.Put(host->Address);
    out.EndLine();
  }
}

// n "." TAB label TAB value: the first lines of a text block.
void WriteNumberedLine(ReportText& out, std::size_t number, std::string_view label, std::string_view value) {
  out.Num(number).Put(".\t").Put(label).Put("\t").Put(value).EndLine();
}

// The text block of an answering address or hop: its number and address,
// its name and its statistics, then an empty line.
void WriteAddressBlock(ReportText& out, std::size_t number, const THostResult& host) {
  WriteNumberedLine(out, number, "IP address:", host.Address);
  out.Put("\tHost name:\t").Put(host.HostName).EndLine();
  WriteStatisticsLines(out, host, true);
  out.EmptyLine();
}

void PutNameInBrackets(ReportText& out, const THostResult& host) {
  if (!host.HostName.empty()) out.Put(" [").Put(host.HostName).Put("]");
}

// Every stored reply of every answering row as CSV rows, no line between hosts.
void WriteReplyRows(ReportText& out, const ReportRows& rows, bool ipv4Only) {
  WriteReplyHeading(out);
  for (std::size_t i = 0; i < rows.size() && out.Ok(); ++i) {
    if (!Answered(*rows[i])) continue;
    std::uint64_t number = 0;
    for (const TReplyRecord& reply : rows[i]->Replies) {
      out.Cell(i + 1).Cell(++number);
      PutReplyCells(out, reply, ipv4Only);
      out.EndLine();
    }
  }
}

// The text replies part of a row: its heading line, an empty line, the
// replies, an empty line.
void WriteRowReplies(ReportText& out, const THostResult& host, bool ipv4Only) {
  PutNameInBrackets(out, host);
  out.Put(":").EndLine();
  out.EmptyLine();
  WriteReplyLines(out, host, ipv4Only);
  out.EmptyLine();
}

}  // namespace

void WriteAddressPageReport(ReportText& out, std::string_view title, const TPageCommon& page,
                            const ReportRows& rows, ReportKind kind, bool ipv4Only) {
  if (kind == ReportKind::IpList) return WriteIpList(out, rows);
  WriteReportHead(out, title, page);
  if (out.Csv()) WriteResultHeading(out, false);
  for (std::size_t i = 0; i < rows.size() && out.Ok(); ++i) {
    const THostResult& host = *rows[i];
    if (!Answered(host)) continue;
    if (out.Csv()) {
      out.Cell(i + 1).Cell(host.Address).Cell(host.HostName);
      PutStatisticsCells(out, host);
      out.EndLine();
      continue;
    }
    WriteAddressBlock(out, i + 1, host);
  }
  if (kind == ReportKind::Result) return;
  WriteRepliesLabel(out);
  if (out.Csv()) return WriteReplyRows(out, rows, ipv4Only);
  for (std::size_t i = 0; i < rows.size() && out.Ok(); ++i) {
    if (!Answered(*rows[i])) continue;
    out.Num(i + 1).Put(". Replies from ").Put(rows[i]->Address);
    WriteRowReplies(out, *rows[i], ipv4Only);
  }
}

void WriteMultiPingPageReport(ReportText& out, const TPingPage& page, ReportKind kind) {
  const ReportRows rows = PageRows(page);
  if (kind == ReportKind::IpList) return WriteIpList(out, rows);
  WriteReportHead(out, "Multi ping to " + page.Name, page);
  if (out.Csv()) WriteResultHeading(out, true);
  for (std::size_t i = 0; i < rows.size() && out.Ok(); ++i) {
    const THostResult& host = *rows[i];
    const bool notFound = host.State >= psHostNotFound && host.State <= psNoIpv6Address;
    if (!Answered(host) && !notFound) continue;
    // A host that was not found shows why in place of its address.
    const std::string message = notFound ? ResultStateText(host.State, Mode::MultiPing) : std::string();
    if (out.Csv()) {
      out.Cell(i + 1).Cell(host.Host);
      if (notFound) {
        out.Cell(message).EndLine();
        continue;
      }
      out.Cell(host.Address).Cell(host.HostName);
      PutStatisticsCells(out, host);
      out.EndLine();
      continue;
    }
    WriteNumberedLine(out, i + 1, "Host name:", host.Host);
    out.Put("\tIP address:\t").Put(notFound ? message : host.Address).EndLine();
    if (!notFound) {
      out.Put("\tResolved host name:\t").Put(host.HostName).EndLine();
      WriteStatisticsLines(out, host, true);
    }
    out.EmptyLine();
  }
  if (kind == ReportKind::Result) return;
  WriteRepliesLabel(out);
  if (out.Csv()) return WriteReplyRows(out, rows, false);
  for (std::size_t i = 0; i < rows.size() && out.Ok(); ++i) {
    if (!Answered(*rows[i])) continue;
    out.Num(i + 1).Put(". ").Put(rows[i]->Host).Put(" Replies from ").Put(rows[i]->Address);
    WriteRowReplies(out, *rows[i], false);
  }
}

void WriteRoutePageReport(ReportText& out, std::string_view title, const TPingPage& page, ReportKind kind) {
  const ReportRows rows = PageRows(page);
  // A hop that did not answer (or failed) still has its place, shown as "*";
  // a hop dropped beyond the destination (State -1) has none.
  auto shown = [](const THostResult& hop) { return hop.State != -1; };
  if (kind == ReportKind::IpList) {
    for (const THostResult* hop : rows) {
      if (!out.Ok()) return;
      if (!shown(*hop)) continue;
      const std::string_view address = Answered(*hop) ? std::string_view(hop->Address) : "*";
      if (out.Csv())
        out.Cell(address);
      else
        out.Put(address);
      out.EndLine();
    }
    return;
  }
  WriteReportHead(out, title, page);
  if (out.Csv()) {
    WriteResultHeading(out, false);
    for (std::size_t i = 0; i < rows.size() && out.Ok(); ++i) {
      const THostResult& hop = *rows[i];
      if (!shown(hop)) continue;
      out.Cell(i + 1).Cell(Answered(hop) ? std::string_view(hop.Address) : "*").Cell(hop.HostName);
      PutStatisticsCells(out, hop);
      out.EndLine();
    }
    if (kind == ReportKind::Result) return;
    WriteRepliesLabel(out);
    return WriteReplyRows(out, rows, false);
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!shown(*rows[i])) continue;
    out.Num(i + 1).Put(".\t");
    if (Answered(*rows[i])) {
      out.Put(rows[i]->Address);
      PutNameInBrackets(out, *rows[i]);
    } else {
      out.Put("*");
    }
    out.EndLine();
  }
  out.EmptyLine();
  auto writeSilentHop = [&out](std::size_t number) {
    out.Num(number).Put(".\t*").EndLine();
    out.EmptyLine();
  };
  for (std::size_t i = 0; i < rows.size() && out.Ok(); ++i) {
    const THostResult& hop = *rows[i];
    if (!shown(hop)) continue;
    if (!Answered(hop)) {
      writeSilentHop(i + 1);
      continue;
    }
    WriteAddressBlock(out, i + 1, hop);
  }
  if (kind == ReportKind::Result) return;
  WriteRepliesLabel(out);
  for (std::size_t i = 0; i < rows.size() && out.Ok(); ++i) {
    if (!shown(*rows[i])) continue;
    if (!Answered(*rows[i])) {
      writeSilentHop(i + 1);
      continue;
    }
    out.Num(i + 1).Put(". Replies from ").Put(rows[i]->Address);
    WriteRowReplies(out, *rows[i], false);
  }
}

void WriteHostReport(ReportText& out, const TPageCommon& page, const THostResult& host,
                     std::string_view titleValue, bool resolvedLabel, bool ipv4Only) {
  WriteReportHead(out, "Ping to " + std::string(titleValue), page);
  const std::string_view nameLabel = resolvedLabel ? "Resolved host name" : "Host name";
  if (out.Csv()) {
    out.Cell("IP address").Cell(host.Address).EndLine();
    out.Cell(nameLabel).Cell(host.HostName).EndLine();
    out.Cell("Sent").Cell(host.Sent).EndLine();
    out.Cell("Received").Cell(host.Received).EndLine();
    out.Cell("Lost").Cell(host.Lost).EndLine();
    // The one-host CSV keeps the " %" of the text form.
    out.Cell("Loss rate").BeginCell();
    PutLossRateText(out, host);
    out.EndCell().EndLine();
    out.Cell("Min. time").Cell(host.MinTime).EndLine();
    out.Cell("Max. time").Cell(host.MaxTime).EndLine();
    out.Cell("Avg. time").Cell(host.AvgTime).EndLine();
    WriteRepliesLabel(out);
    PutCells(out, {"No.", "Year", "Month", "Day", "Hour", "Minute", "Second", "Status", "Reply from", "Bytes",
                   "TTL", "Time (ms)"});
    out.EndLine();
    std::uint64_t number = 0;
    for (const TReplyRecord& reply : host.Replies) {
      if (!out.Ok()) return;
      out.Cell(++number);
      PutReplyCells(out, reply, ipv4Only);
      out.EndLine();
    }
    return;
  }
  out.Put("IP address:\t").Put(host.Address).EndLine();
  out.Put(nameLabel).Put(":\t").Put(host.HostName).EndLine();
  WriteStatisticsLines(out, host, false);
  WriteRepliesLabel(out);
  WriteReplyLines(out, host, ipv4Only);
}
