#pragma once

#include <string_view>

#include "reports/ReportPages.h"
#include "reports/ReportText.h"

// The layouts of the reports, TXT or CSV as `out` says. They only read the
// page; the writers have checked it before.

// Ping and IP range ping pages: the rows are reported by address; ipv4Only
// (IP range ping) writes every reply address as IPv4.
void WriteAddressPageReport(ReportText& out, std::string_view title, const TPageCommon& page,
                            const ReportRows& rows, ReportKind kind, bool ipv4Only);
// Multi ping pages: every host as entered, with a note for those not found.
void WriteMultiPingPageReport(ReportText& out, const TPingPage& page, ReportKind kind);
// Trace route and Path ping pages: the hop list, a block per hop, "*" for the
// hops that did not answer.
void WriteRoutePageReport(ReportText& out, std::string_view title, const TPingPage& page, ReportKind kind);

// One host or hop with all its stored replies. titleValue follows "Ping to ";
// resolvedLabel names the name line "Resolved host name" (Multi ping).
void WriteHostReport(ReportText& out, const TPageCommon& page, const THostResult& host,
                     std::string_view titleValue, bool resolvedLabel, bool ipv4Only);
