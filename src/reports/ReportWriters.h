#pragma once

#include <cstdint>
#include <string>

#include "pages/PageTypes.h"
#include "platform/Status.h"

// The report writers of the five modes: a whole page, or one host (on the
// route modes one hop) with all its stored replies, as text or CSV.
//
// Each returns true when the file was written whole. It returns false, and
// leaves an existing file of that name as it was, when a guard refuses (a
// page index outside the registry, a page whose ResultState is not psOk, for
// one host also a host index outside the page's rows or a row whose State is
// not 0) or when the file cannot be written; no temporary file is left then.
// The file name is used as given, with no extension added; its folder is
// created, with the folders above it, when it does not exist.
// A report streams to disk, so its size is not bounded by memory. No
// exception leaves a writer. The UI thread calls them (they read the pages).

// The report mode of the whole-page writers; any other value acts as rmIpList.
enum TReportMode : std::int32_t { rmWithReplies = 0, rmResult = 1, rmIpList = 2 };

bool SavePingReportTxt(const std::string& fileName, int pageIndex, int mode);
bool SavePingReportCsv(const std::string& fileName, int pageIndex, int mode);
bool SaveMultiPingReportTxt(const std::string& fileName, int pageIndex, int mode);
bool SaveMultiPingReportCsv(const std::string& fileName, int pageIndex, int mode);
// Hosts in ascending address order, numbered in that order.
bool SaveRangePingReportTxt(const std::string& fileName, int pageIndex, int mode);
bool SaveRangePingReportCsv(const std::string& fileName, int pageIndex, int mode);
bool SaveTracerouteReportTxt(const std::string& fileName, int pageIndex, int mode);
bool SaveTracerouteReportCsv(const std::string& fileName, int pageIndex, int mode);
bool SavePathPingReportTxt(const std::string& fileName, int pageIndex, int mode);
bool SavePathPingReportCsv(const std::string& fileName, int pageIndex, int mode);

bool SavePingHostReportTxt(const std::string& fileName, int pageIndex, int hostIndex);
bool SavePingHostReportCsv(const std::string& fileName, int pageIndex, int hostIndex);
bool SaveMultiPingHostReportTxt(const std::string& fileName, int pageIndex, int hostIndex);
bool SaveMultiPingHostReportCsv(const std::string& fileName, int pageIndex, int hostIndex);
// hostIndex counts the hosts in order of first answer, as SelectedHost does.
bool SaveRangePingHostReportTxt(const std::string& fileName, int pageIndex, int hostIndex);
bool SaveRangePingHostReportCsv(const std::string& fileName, int pageIndex, int hostIndex);
bool SaveTracerouteHopReportTxt(const std::string& fileName, int pageIndex, int hopIndex);
bool SaveTracerouteHopReportCsv(const std::string& fileName, int pageIndex, int hopIndex);
bool SavePathPingHopReportTxt(const std::string& fileName, int pageIndex, int hopIndex);
bool SavePathPingHopReportCsv(const std::string& fileName, int pageIndex, int hopIndex);

// The writers' guards, for callers that ask for nothing (no save dialog)
// when no report would be written: a page index inside the registry and a
// page whose ResultState is psOk; for one host also a host index inside the
// page's rows and a row whose State is 0.
bool PageReportReady(Mode mode, int pageIndex);
bool HostReportReady(Mode mode, int pageIndex, int hostIndex);

// For callers that choose by mode (tool bars, end-of-run actions): the
// page writer, or the one-host (hop) writer, of that mode, with the reason
// when nothing was written.
Status SavePageReport(Mode mode, bool csv, const std::string& fileName, int pageIndex, int reportMode);
Status SaveHostReport(Mode mode, bool csv, const std::string& fileName, int pageIndex, int hostIndex);
// The page writer for a report that replaces no file: it is written as
// `fileName` or, when that name is taken, as the first free one with "_2",
// "_3", ... before the extension; `written` gets the name taken.
Status SaveNewPageReport(Mode mode, bool csv, const std::string& fileName, int pageIndex, int reportMode,
                         std::string& written);
