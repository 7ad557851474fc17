#include "pages/Settings.h"

#include <algorithm>
#include <climits>
#include <string_view>
#include <vector>

#include "platform/FileIo.h"
#include "platform/FileTrust.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"

ProgramOptions GlobalOptions;

namespace {

constexpr std::string_view Main = "MAIN";
// The window's design size; it bounds the window when the system reports no
// work area.
constexpr WindowRect DesignArea{0, 0, 1020, 650};
constexpr long long MinPaneHeight = 50;
constexpr long long MaxPaneHeight = 1000;
constexpr int MinColumnWidth = 5;
constexpr int MaxColumnWidth = 1000;

std::string ModeKey(Mode mode, std::string_view what, int column = -1) {
  std::string key(ModeWord(mode));
  key += what;
  if (column >= 0) key += std::to_string(column);
  return key;
}

int Narrow(long long value) { return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX)); }

// Pulls the rectangle into the area: not left of or above it, not wider or
// higher than it, and moved back when it sticks out on the right or at the
// bottom. Those two tests use the area's right and bottom edges, so a work
// area that does not start at 0 (a panel at the top of the screen, a second
// screen) still holds the whole window. 64-bit sums: the file may hold any
// 32-bit numbers.
WindowRect FitToArea(const WindowRect& wanted, const WindowRect& area) {
  long long left = std::max<long long>(wanted.Left, area.Left);
  long long top = std::max<long long>(wanted.Top, area.Top);
  const long long width = std::min<long long>(wanted.Width, area.Width);
  const long long height = std::min<long long>(wanted.Height, area.Height);
  const long long right = static_cast<long long>(area.Left) + area.Width;
  const long long bottom = static_cast<long long>(area.Top) + area.Height;
  if (left + width > right) left = right - width;
  if (top + height > bottom) top = bottom - height;
  return {Narrow(left), Narrow(top), Narrow(width), Narrow(height)};
}

// How much of `rect` lies in `area`, in square pixels; 0 when nothing does.
long long Overlap(const WindowRect& rect, const WindowRect& area) {
  const auto span = [](long long start, long long length, long long areaStart, long long areaLength) {
    return std::max(0LL, std::min(start + length, areaStart + areaLength) - std::max(start, areaStart));
  };
  return span(rect.Left, rect.Width, area.Left, area.Width) *
         span(rect.Top, rect.Height, area.Top, area.Height);
}

// The monitor that holds most of the rectangle gets it; one that no monitor
// holds any more (a monitor unplugged since) goes to the primary one, as do
// ties, so that a window across two monitors does not hop between them.
WindowRect FitToScreens(const WindowRect& wanted, const std::vector<WindowRect>& areas) {
  if (areas.empty()) return FitToArea(wanted, DesignArea);
  const WindowRect* best = &areas.front();
  for (const WindowRect& area : areas)
    if (Overlap(wanted, area) > Overlap(wanted, *best)) best = &area;
  return FitToArea(wanted, *best);
}

void LoadOptions(const IniFile& ini) {
  ProgramOptions& options = GlobalOptions;
  options.RunAtSystemStartup =
      ini.ReadInteger(Main, "RunAtSystemStartup", options.RunAtSystemStartup ? 1 : 0) != 0;
  const std::string folder = ini.ReadString(Main, "ResultFolder", "");
  if (!folder.empty()) options.ResultFolder = FolderWithSlash(folder);
  options.CsvType = ini.ReadInteger(Main, "CsvType", options.CsvType);
  // Byte options keep the low 8 bits of what was read, then fall back to 0
  // when out of range.
  const auto version =
      static_cast<std::uint8_t>(ini.ReadInteger(Main, "IpVersion", options.IpVersion.load()));
  options.IpVersion.store(version > 2 ? 0 : version);
  const auto priority =
      static_cast<std::uint8_t>(ini.ReadInteger(Main, "IpPriority", options.IpPriority.load()));
  options.IpPriority.store(priority > 1 ? 0 : priority);
}

void LoadWindow(const IniFile& ini, WindowGeometry& window) {
  WindowRect rect = window.CurrentRect();
  rect.Left = ini.ReadInteger(Main, "Left", rect.Left);
  rect.Top = ini.ReadInteger(Main, "Top", rect.Top);
  rect.Width = ini.ReadInteger(Main, "Width", rect.Width);
  rect.Height = ini.ReadInteger(Main, "Height", rect.Height);
  const std::int32_t maximized = ini.ReadInteger(Main, "Maximized", 0);
  window.SetRect(FitToScreens(rect, window.WorkAreas()));
  if (maximized == 1) window.Maximize();
}

// The settings file the last load found but could not apply, and why. Then
// the one start-up kept aside: saves replace it without a second copy until
// one of them has replaced it, after which it is a file of ours.
struct UnreadConfig {
  std::string path;
  Status why;
};
UnreadConfig unreadConfig;
std::string configKeptAside;

int ClampWidth(std::int32_t width) { return std::clamp(width, MinColumnWidth, MaxColumnWidth); }

// The pane height stays as the user gave it, not fitted to the window: the
// tab fits it to the room it has at any moment, so a window that starts
// small does not lose it for good.
void LoadLayout(const IniFile& ini, Mode mode, ModeLayout& layout) {
  const long long height = ini.ReadInteger(Main, ModeKey(mode, "HostHeight"), layout.PaneClientHeight());
  layout.SetPaneClientHeight(static_cast<int>(std::clamp(height, MinPaneHeight, MaxPaneHeight)));
  for (int column = 0; column < ResultColumnCount(mode); ++column) {
    const auto width =
        ini.ReadInteger(Main, ModeKey(mode, "HostWidth", column), layout.ResultColumnWidth(column));
    layout.SetResultColumnWidth(column, ClampWidth(width));
  }
  for (int column = 0; column < ReplyColumnCount; ++column) {
    const auto width =
        ini.ReadInteger(Main, ModeKey(mode, "RepliesWidth", column), layout.ReplyColumnWidth(column));
    layout.SetReplyColumnWidth(column, ClampWidth(width));
  }
}

void SaveLayout(IniFile& ini, Mode mode, const ModeLayout& layout) {
  ini.WriteInteger(Main, ModeKey(mode, "HostHeight"), layout.PaneClientHeight());
  for (int column = 0; column < ResultColumnCount(mode); ++column)
    ini.WriteInteger(Main, ModeKey(mode, "HostWidth", column), layout.ResultColumnWidth(column));
  for (int column = 0; column < ReplyColumnCount; ++column)
    ini.WriteInteger(Main, ModeKey(mode, "RepliesWidth", column), layout.ReplyColumnWidth(column));
}

}  // namespace

void ResetOptions() {
  GlobalOptions.ResultFolder = FolderWithSlash(DefaultResultFolder());
  GlobalOptions.RunAtSystemStartup = false;
  GlobalOptions.CsvType = 1;
  GlobalOptions.IpVersion.store(0);
  GlobalOptions.IpPriority.store(0);
}

std::string FolderWithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

void PlaceFirstStart(WindowGeometry& window, int width, int height) {
  const std::vector<WindowRect> areas = window.WorkAreas();
  const WindowRect area = areas.empty() ? DesignArea : areas.front();
  const WindowRect centred{area.Left + (area.Width - width) / 2, area.Top + (area.Height - height) / 2, width,
                           height};
  window.SetRect(FitToArea(centred, area));
}

std::string ConfigFilePath() { return ConfigFolder() + "/" + ConfigFileName; }

Status LoadConfig(WindowGeometry& window, const ModeLayouts& layouts) {
  if (Status usable = CheckOwnFolder(ConfigFolder()); !usable.ok()) {
    unreadConfig = {};
    return usable;
  }
  return LoadConfig(ConfigFilePath(), window, layouts);
}

Status LoadConfig(const std::string& path, WindowGeometry& window, const ModeLayouts& layouts) {
  Status status;
  const IniFile ini = IniFile::FromFile(path, &status);
  unreadConfig = {};
  // Anything there but unread, a FIFO, device or folder too, is named at
  // start-up: the saves will not replace it.
  if (!status.ok() && status.kind != Status::Kind::NotFound) unreadConfig = {path, status};
  if (!status.ok()) return status;
  LoadOptions(ini);
  LoadWindow(ini, window);
  for (const Mode mode : AllModes)
    if (ModeLayout* layout = layouts[static_cast<std::size_t>(mode)]) LoadLayout(ini, mode, *layout);
  return status;
}

std::optional<UnreadFile> KeepUnreadConfigAside() {
  if (unreadConfig.why.ok()) return std::nullopt;
  const std::string path = unreadConfig.path;
  const Status why = unreadConfig.why;
  unreadConfig = {};
  // Only a file too large was read at all; one that could not be read
  // cannot be copied either.
  if (why.kind != Status::Kind::Invalid) return LeaveUnread(path, why);
  std::optional<UnreadFile> file = KeepReadInPartAside(
      path, "larger than a settings file may be, " + std::to_string(IniFile::MaxFileBytes) + " bytes");
  if (file && file->keepFailure.empty()) configKeptAside = path;
  return file;
}

Status SaveConfig(const WindowGeometry& window, const ModeLayouts& layouts) {
  const std::string folder = ConfigFolder();
  if (Status made = MakeOwnFolder(folder); !made.ok()) return made;
  return SaveConfig(folder + "/" + ConfigFileName, window, layouts);
}

Status SaveConfig(const std::string& path, const WindowGeometry& window, const ModeLayouts& layouts) {
  // Starting from the file on disk keeps the lines we do not own. Something
  // that is not a regular file is not ours to replace. A file that was not
  // read whole holds lines this save would drop, so it is kept aside first,
  // and stays as it is when it cannot be copied; start-up may have kept it
  // already.
  Status read;
  IniFile ini = IniFile::FromFile(path, &read);
  if (read.kind == Status::Kind::Unsupported) return read;
  const bool keptAlready = read.kind == Status::Kind::Invalid && path == configKeptAside;
  if (!read.ok() && read.kind != Status::Kind::NotFound && !keptAlready)
    if (Status kept = KeepCopyAside(path); !kept.ok()) return kept;
  const ProgramOptions& options = GlobalOptions;
  ini.WriteInteger(Main, "RunAtSystemStartup", options.RunAtSystemStartup ? 1 : 0);
  // A folder name with a line break cannot be stored; the old value stays.
  ini.WriteString(Main, "ResultFolder", options.ResultFolder);
  ini.WriteInteger(Main, "CsvType", options.CsvType);
  ini.WriteInteger(Main, "IpVersion", options.IpVersion.load());
  ini.WriteInteger(Main, "IpPriority", options.IpPriority.load());

  const bool maximized = window.IsMaximized();
  WindowRect rect = window.CurrentRect();
  if (maximized)
    if (const auto normal = window.NormalRect()) rect = *normal;
  ini.WriteInteger(Main, "Left", rect.Left);
  ini.WriteInteger(Main, "Top", rect.Top);
  ini.WriteInteger(Main, "Width", rect.Width);
  ini.WriteInteger(Main, "Height", rect.Height);
  ini.WriteInteger(Main, "Maximized", maximized ? 1 : 0);

  for (const Mode mode : AllModes)
    if (const ModeLayout* layout = layouts[static_cast<std::size_t>(mode)]) SaveLayout(ini, mode, *layout);
  Status saved = ini.SaveToFile(path);
  if (saved.ok() && path == configKeptAside) configKeptAside.clear();
  return saved;
}
