#include "reports/ReportNames.h"

#include <string_view>
#include <vector>

#include "pages/ModePages.h"
#include "pages/Settings.h"
#include "pages/TextHelpers.h"
#include "platform/FileIo.h"
#include "platform/ProgramPaths.h"
#include "reports/ReportPages.h"

namespace {

constexpr std::string_view Dropped = "\\/:*?\"<>|";

void AppendField(std::string& out, unsigned value, char letter) {
  if (value < 10) out += '0';
  out += std::to_string(value);
  out += letter;
}

}  // namespace

std::string CleanedName(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (Dropped.find(c) == std::string_view::npos) out += c;
  return out;
}

std::string ReportStamp(const SystemTime& time) {
  std::string out;
  AppendField(out, time.Year, 'y');
  AppendField(out, time.Month, 'm');
  AppendField(out, time.Day, 'd');
  AppendField(out, time.Hour, 'h');
  AppendField(out, time.Minute, 'm');
  AppendField(out, time.Second, 's');
  return out;
}

std::string RunStamp(const TPageCommon& page) {
  return ReportStamp(page.StartTime) + "-" + ReportStamp(page.EndTime);
}

std::string PageReportName(Mode mode, int pageIndex, const std::string& infix) {
  const TPageCommon* page = ModePage(mode, pageIndex);
  if (!page) return {};
  return GlobalOptions.ResultFolder + ModeWord(mode) + std::string("_") + CleanedName(page->Name) + infix +
         RunStamp(*page);
}

std::string HostReportName(Mode mode, int pageIndex, int hostIndex) {
  const TPageCommon* page = ModePage(mode, pageIndex);
  const THostResult* host = FindHostRow(mode, pageIndex, hostIndex);
  if (!page || !host) return {};
  const std::string part = mode == Mode::MultiPing ? CleanedName(host->Host) : Ipv6LiteralName(host->Address);
  return GlobalOptions.ResultFolder + "Ping_" + part + "_replys_" + RunStamp(*page);
}

void RemoveReportLeftovers(const std::string& folder) {
  if (!FolderMayBeUsed(folder).ok()) return;
  std::vector<std::string> prefixes;
  for (const Mode mode : AllModes) prefixes.push_back(ModeWord(mode) + std::string("_"));
  RemoveStaleTemporariesIn(folder, prefixes);
}
