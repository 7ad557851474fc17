#pragma once

#include <string>

#include "platform/Status.h"

// Starting the program when the user logs in, the way Linux desktops do it:
// an entry "velquor.desktop" in the user's autostart folder,
// $XDG_CONFIG_HOME/autostart, else ~/.config/autostart.

// Where the entry lies; empty when neither an absolute XDG_CONFIG_HOME nor
// the user's home (HOME, else the password database) says where the user's
// configuration is.
std::string AutostartEntryPath();

// The Exec value of a desktop entry that starts `program` without arguments,
// as it stands in the file: the path quoted and escaped so that a launcher
// hands it over byte for byte, whatever blanks, quotes, backslashes, "$",
// "`" or "%" it holds.
std::string DesktopExecValue(const std::string& program);

// The whole entry that starts `program` at log-in.
std::string AutostartEntryText(const std::string& program);

// With `start`, writes the entry for `program` (creating the folder, replacing
// any entry there); without it, removes the entry, where a missing one (a
// file in the folder's place among them) is no error. The entry is replaced
// whole or not at all.
Status SetStartAtLogin(bool start, const std::string& program);

// Whether an entry lies where AutostartEntryPath says, whatever program it
// starts.
bool StartAtLoginEntryExists();
