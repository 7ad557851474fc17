#pragma once

#include <string>

#include "pages/PageTypes.h"
#include "platform/SystemTime.h"

// The rules every report file name is made of.

// The text without \ / : * ? " < > | ; everything else stays in place.
std::string CleanedName(const std::string& text);
// "2026y12m05d08h04m09s": year, month, day, hour, minute, second, each with a
// leading "0" below 10 and followed by its letter.
std::string ReportStamp(const SystemTime& time);
// The stamps of the page's start and end joined by "-".
std::string RunStamp(const TPageCommon& page);

// The name the tool bars propose for a whole-page report, without extension:
// ResultFolder, the mode's prefix ("Ping_", "MultiPing_", "RangePing_",
// "Traceroute_", "PathPing_"), the cleaned page name, the infix ("_",
// "_replys_", "_iplist_") and the run stamp. Empty for an invalid page index.
std::string PageReportName(Mode mode, int pageIndex, const std::string& infix);
// The name proposed for one host or hop: ResultFolder, "Ping_" on every tab,
// the host part, "_replys_" and the page's run stamp. The host part is the
// cleaned host as entered on Multi ping, elsewhere the row's address with ":"
// and "%" made safe (Ipv6LiteralName). Empty for an invalid index.
std::string HostReportName(Mode mode, int pageIndex, int hostIndex);

// Removes from `folder` what report saves killed before their rename left
// there: hidden temporaries of files named as the reports above are. The
// default result folder is left alone where the ownership rule refuses it.
void RemoveReportLeftovers(const std::string& folder);
