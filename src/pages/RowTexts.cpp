#include "pages/RowTexts.h"

#include <arpa/inet.h>

#include "pages/TextHelpers.h"

namespace {

std::string Decimal(std::uint64_t value) { return std::to_string(value); }

std::string OrBlank(const std::string& text) { return text.empty() ? BlankCell : text; }

// Columns 3 .. 9 of a list row, 2 .. 8 of an alive-host row.
template <std::size_t N>
void PutStatistics(std::array<std::string, N>& texts, std::size_t first, const THostResult& host) {
  const std::array<std::string, 7> stats = StatisticsTexts(host);
  for (std::size_t i = 0; i < stats.size(); ++i) texts[first + i] = stats[i];
}

HostRowText MessageRow(std::string caption, std::string message) {
  HostRowText row;
  row.Texts[0] = std::move(caption);
  row.Texts[1] = std::move(message);
  for (int c = 2; c < HostListColumns; ++c) row.Texts[c] = BlankCell;
  row.Image = ImageHostFailed;
  return row;
}

}  // namespace

std::string LostText(std::uint32_t lost, std::uint32_t sent) {
  // Lost * 100 leaves 32 bits past 42,949,672 losses; the product is taken at 64 bits.
  const std::uint64_t percent = sent ? std::uint64_t{lost} * 100u / sent : 0u;
  return Decimal(lost) + " (" + Decimal(percent) + "%)";
}

std::string CurTimeText(std::uint16_t curTime) {
  return curTime == LostEchoTime ? std::string("Timeout") : Decimal(curTime);
}

std::array<std::string, 7> StatisticsTexts(const THostResult& host) {
  return {Decimal(host.Sent),       Decimal(host.Received), LostText(host.Lost, host.Sent),
          Decimal(host.MinTime),    Decimal(host.MaxTime),  Decimal(host.AvgTime),
          CurTimeText(host.CurTime)};
}

std::string ResultStateText(int state, Mode mode) {
  switch (state) {
    case psHostNotFound:
      return "Host not found";
    case psNoIpv4Address:
      return "IPv4 address not found";
    case psNoIpv6Address:
      return "IPv6 address not found";
    case psError:
      if (mode == Mode::Traceroute) return "Traceroute error";
      if (mode == Mode::PathPing) return "Path ping error";
      return "Ping error";
    default:
      return {};
  }
}

HostRowText PingHostRow(int slot, const THostResult& host) {
  HostRowText row;
  row.Texts[0] = Decimal(static_cast<std::uint64_t>(slot) + 1);
  row.Texts[1] = host.Address;
  row.Texts[2] = OrBlank(host.HostName);
  PutStatistics(row.Texts, 3, host);
  row.Image = ImageHost;
  return row;
}

HostRowText ResultStateRow(int resultState, Mode mode) {
  return MessageRow("1", ResultStateText(resultState, mode));
}

std::optional<HostRowText> MultiPingHostRow(const THostResult& host) {
  const std::string caption = OrBlank(host.Host);
  if (host.State == -1) {
    HostRowText row;
    row.Texts[0] = caption;
    for (int c = 1; c < HostListColumns; ++c) row.Texts[c] = BlankCell;
    row.Image = ImageHost;
    return row;
  }
  if (host.State == 0) {
    HostRowText row;
    row.Texts[0] = caption;
    row.Texts[1] = OrBlank(host.Address);
    row.Texts[2] = OrBlank(host.HostName);
    PutStatistics(row.Texts, 3, host);
    row.Image = ImageHost;
    return row;
  }
  if (host.State >= psHostNotFound && host.State <= psError)
    return MessageRow(caption, ResultStateText(host.State, Mode::MultiPing));
  return std::nullopt;
}

std::optional<HostRowText> HopRow(int slot, const THostResult& host) {
  if (host.State == -1) return std::nullopt;
  HostRowText row;
  row.Texts[0] = Decimal(static_cast<std::uint64_t>(slot) + 1);
  if (host.State == 0)
    row.Texts[1] = host.Address;
  else
    row.Texts[1] = host.State == 1 ? "*" : "Error";
  row.Texts[2] = host.State == 0 ? OrBlank(host.HostName) : BlankCell;
  PutStatistics(row.Texts, 3, host);
  row.Image = host.State == 0 ? ImageHost : ImageHostFailed;
  return row;
}

HostRowText AliveHostRow(const THostResult& host) {
  HostRowText row;
  row.Texts[0] = host.Address;
  row.Texts[1] = OrBlank(host.HostName);
  PutStatistics(row.Texts, 2, host);
  row.Image = ImageHost;
  return row;
}

std::uint32_t AliveHostKey(const THostResult& host) { return ntohl(host.Ipv4); }

std::string TwoDigits(unsigned value) {
  std::string text(value < 10 ? 1 : 0, '0');
  return text += Decimal(value);
}

std::string ReplyDateText(const TReplyRecord& r) {
  return TwoDigits(r.Year) + "." + TwoDigits(r.Month) + "." + TwoDigits(r.Day) + "  " + TwoDigits(r.Hour) +
         ":" + TwoDigits(r.Minute) + ":" + TwoDigits(r.Second);
}

std::string ReplyStatusText(std::uint8_t status) {
  switch (status) {
    case rsSuccess:
      return "Success";
    case rsTimeout:
      return "Timeout";
    case rsTtlExpired:
      return "TTL expired";
    default:
      return "Ping error";
  }
}

std::string ReplyAddressText(const TReplyRecord& reply, bool ipv4Only) {
  if (reply.Ipv4 != 0 || ipv4Only) return Ipv4ToString(reply.Ipv4);
  return Ipv6ToString(&reply.Ipv6);
}

ReplyRowText ReplyRow(const TReplyRecord& reply, std::int64_t number, bool ipv4Only) {
  ReplyRowText row;
  row.Number = number;
  row.Texts[0] = std::to_string(number);
  row.Texts[1] = ReplyDateText(reply);
  row.Texts[2] = ReplyStatusText(reply.Status);
  const bool received = reply.Status == rsSuccess || reply.Status == rsTtlExpired;
  row.Image = received ? ImageReplyReceived : ImageReplyMissing;
  if (received) {
    row.Texts[3] = ReplyAddressText(reply, ipv4Only);
    row.Texts[4] = Decimal(reply.Bytes);
    row.Texts[5] = Decimal(reply.Ttl);
    row.Texts[6] = Decimal(reply.Time);
  }
  return row;
}

std::int64_t FirstReplyNumber(const THostResult& host) {
  return std::int64_t{host.Sent} - host.ReplyCount() + 1;
}

bool ListsReplies(const THostResult& host, Mode mode) {
  if (host.State == 0) return true;
  return host.State == 1 && (mode == Mode::Traceroute || mode == Mode::PathPing);
}

std::string JoinTexts(const std::string* texts, int count) {
  std::string line;
  for (int i = 0; i < count; ++i) {
    if (i) line += ' ';
    line += texts[i];
  }
  return line;
}
