#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "pages/PageTypes.h"

// The texts that the host lists, the alive-host grid and the replies grids
// show, in one place so that showing a page and the live updates of a run
// produce the same rows. All texts are UTF-8.

// Pictures of a tab's result list and tool bars.
inline constexpr int ImageSave = 0;
inline constexpr int ImageClear = 1;
inline constexpr int ImageHost = 2;  // a pinged address, an answering host or hop
inline constexpr int ImageTick = 3;
inline constexpr int ImageHostFailed = 4;  // a failed target, a silent hop, a status row
inline constexpr int ImageFolder = 5;
// Pictures of the replies grids.
inline constexpr int ImageReplyReceived = 0;  // "Success", "TTL expired"
inline constexpr int ImageReplyMissing = 1;   // "Timeout", "Ping error"
// Picture of a page row.
inline constexpr int ImagePage = 0;

// CurTime after a lost echo.
inline constexpr std::uint16_t LostEchoTime = 0xFFFF;
// The text of an empty cell in a host list row.
inline const std::string BlankCell = " ";

// Number of text columns in the host rows: ten in the list views, nine in
// the alive-host grid.
inline constexpr int HostListColumns = 10;
inline constexpr int AliveHostColumns = 9;

struct HostRowText {
  std::array<std::string, HostListColumns> Texts;  // unused columns stay empty
  int Image = ImageHost;
};

struct ReplyRowText {
  std::array<std::string, 7> Texts;  // "N" .. "Times (ms)"
  std::int64_t Number = 0;
  int Image = ImageReplyReceived;
};

// "Lost (percent%)"; the percentage is truncated, "0%" when nothing was sent.
std::string LostText(std::uint32_t lost, std::uint32_t sent);
// "Timeout" after a lost echo, else the time in milliseconds.
std::string CurTimeText(std::uint16_t curTime);
// The seven statistics columns "Sent" .. "Cur." of a row.
std::array<std::string, 7> StatisticsTexts(const THostResult& host);

// Message of a page or host that failed: 1 "Host not found", 2 "IPv4 address
// not found", 3 "IPv6 address not found", 4 the mode's error text; empty for
// any other value.
std::string ResultStateText(int state, Mode mode);

// A resolved address row of the Ping list (slot = its index in the page).
HostRowText PingHostRow(int slot, const THostResult& host);
// The one row that a page whose target failed shows on the Ping, Trace route
// and Path ping lists.
HostRowText ResultStateRow(int resultState, Mode mode);
// A Multi ping host row by the host's State; none for a state without a row.
std::optional<HostRowText> MultiPingHostRow(const THostResult& host);
// A hop row of the Trace route and Path ping lists; none for State -1.
std::optional<HostRowText> HopRow(int slot, const THostResult& host);
// An alive-host grid row (nine columns).
HostRowText AliveHostRow(const THostResult& host);
// The alive-host grid's sort key: the IPv4 address in host byte order.
std::uint32_t AliveHostKey(const THostResult& host);

// Two digits, with a leading "0" below 10.
std::string TwoDigits(unsigned value);
// "yy.mm.dd  hh:mm:ss".
std::string ReplyDateText(const TReplyRecord& reply);
std::string ReplyStatusText(std::uint8_t status);
// The replying address; ipv4Only (IP range ping) never reads the IPv6 field.
std::string ReplyAddressText(const TReplyRecord& reply, bool ipv4Only);
ReplyRowText ReplyRow(const TReplyRecord& reply, std::int64_t number, bool ipv4Only);
// Number of the oldest stored reply: Sent - ReplyCount + 1.
std::int64_t FirstReplyNumber(const THostResult& host);

// Whether a host row's stored replies are listed when it is selected: State
// 0, or on the Trace route and Path ping tabs also 1 (a silent hop lists its
// timeouts).
bool ListsReplies(const THostResult& host, Mode mode);

// Texts joined by single blanks, as the Copy Line items copy them.
std::string JoinTexts(const std::string* texts, int count);
