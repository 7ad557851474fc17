#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "pages/ModeLayout.h"
#include "pages/UnreadFile.h"
#include "pages/WindowGeometry.h"
#include "platform/Status.h"

// The program-wide options. The UI thread owns and writes them; the name
// resolution of the worker threads reads IpVersion and IpPriority, hence
// the atomics.
struct ProgramOptions {
  // Where reports go; always ends in "/" (see FolderWithSlash).
  std::string ResultFolder;
  // Start the program when the user logs on.
  bool RunAtSystemStartup = false;
  // 0: CSV cells are separated by ";"; any other value: by ",".
  std::int32_t CsvType = 1;
  // 0: both address families; 1: IPv4 only; 2: IPv6 only.
  std::atomic<std::uint8_t> IpVersion{0};
  // 0: prefer IPv4; 1: prefer IPv6.
  std::atomic<std::uint8_t> IpPriority{0};
};

extern ProgramOptions GlobalOptions;

// Back to the start-up values: the default result folder, no start at logon,
// "," for CSV, both families with IPv4 preferred.
void ResetOptions();

// The folder text with a "/" appended when it does not end in one; an empty
// text stays empty.
std::string FolderWithSlash(std::string folder);

// A first start: the window at width x height, centred in the primary
// monitor's work area, the halves truncated toward zero, then fitted into it
// as a saved place is (LoadConfig), so that where the area is the smaller
// the whole frame is still on the screen. Without a work area, one of the
// design size at 0, 0 stands in.
void PlaceFirstStart(WindowGeometry& window, int width, int height);

inline constexpr char ConfigFileName[] = "config.ini";
// ConfigFileName in the program's Config folder.
std::string ConfigFilePath();

// Applies the settings file to the options, the window and the tabs. Every
// value read has the current one as its default, so a missing key changes
// nothing, and a missing, unreadable or oversized file changes nothing at
// all. Out-of-range values are fitted, the window into the work area of the
// monitor that holds most of it, or the primary one's when none holds any.
// The status says why a file was not applied, and KeepUnreadConfigAside
// what becomes of it. The first form reads nothing from a Config folder the
// ownership rule refuses (FileTrust.h).
Status LoadConfig(WindowGeometry& window, const ModeLayouts& layouts);
Status LoadConfig(const std::string& path, WindowGeometry& window, const ModeLayouts& layouts);

// At start-up, after LoadConfig: the file that load found too large is kept
// aside now (KeepCopyAside), once; one it could not read, or that is not a
// regular file, is only named, and the saves go on refusing to replace it
// while it cannot be read. Nothing when the file was applied or missing.
std::optional<UnreadFile> KeepUnreadConfigAside();

// Writes the options, the window's normal rectangle and the tabs' pane
// heights and column widths into the settings file, keeping every other line
// of it. The file is replaced atomically, so a failed save keeps the old one.
// A file too large or unreadable is first kept aside as KeepCopyAside does,
// unless start-up kept it aside already, and a FIFO, device or folder in its
// place is left alone: the save fails. The first form also creates the
// Config folder, and fails where the ownership rule refuses it.
Status SaveConfig(const WindowGeometry& window, const ModeLayouts& layouts);
Status SaveConfig(const std::string& path, const WindowGeometry& window, const ModeLayouts& layouts);
