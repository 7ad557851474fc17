#pragma once

#include <vector>

#include "pages/PageTypes.h"

// Where the reports find their pages and rows. Indexes from outside are
// checked here once, so a stale index from a tool bar or an end-of-run action
// reads nothing.

// Row hostIndex of that page (on IP range ping pages an index into the hosts
// in order of first answer); null when either index is out of range.
const THostResult* FindHostRow(Mode mode, int pageIndex, int hostIndex);

// Host rows in report order; a row's number in the report is its position
// here plus one, whether or not the report shows it.
using ReportRows = std::vector<const THostResult*>;

// Rows 0 .. HostCount - 1 of a Ping, Multi ping, Trace route or Path ping page.
ReportRows PageRows(const TPingPage& page);
// The hosts of an IP range ping page in ascending address order (the first
// octet most significant); hosts with equal addresses keep their order of
// first answer. The page's own order is left alone.
ReportRows RangeHostOrder(const TRangePingPage& page);
