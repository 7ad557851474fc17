#pragma once

#include <string>
#include <vector>

#include "pages/PageRegistry.h"
#include "pages/UnreadFile.h"
#include "platform/Status.h"

// The page file of each mode in the config folder: written whole on every
// save, read once at start-up while the registries are still empty. Failures
// stay silent to the user; the Status says what went wrong.

// "PingPages.dat", "MultiPingPages.dat", ... in mode order.
std::string PageFileName(Mode mode);

// `folder` is a Config folder, used only as the ownership rule allows
// (FileTrust.h): a folder another user could change is neither read nor
// written, and the status says why.
//
// The registry's page file in `folder` (created when missing). A save goes
// through a temporary file, so a failed one leaves the previous file intact.
// A file that the last load of the mode rejected or did not keep whole, and
// that start-up did not keep aside, is first kept aside (KeepCopyAside): it
// may hold pages no registry has. One that could not be read at all is not
// replaced: the save fails.
Status SavePages(const TPingRegistry& registry, const std::string& folder);
Status SavePages(const TRangeRegistry& registry, const std::string& folder);
// Adds the pages of the file to the registry; NotFound when there is none,
// Unsupported when a FIFO, device or folder is in its place.
Status LoadPages(TPingRegistry& registry, const std::string& folder);
Status LoadPages(TRangeRegistry& registry, const std::string& folder);

// The mode's global registry against ConfigFolder().
Status SavePages(Mode mode);
Status LoadPages(Mode mode);

inline Status SavePingPages() { return SavePages(Mode::Ping); }
inline Status SaveMultiPingPages() { return SavePages(Mode::MultiPing); }
inline Status SaveRangePingPages() { return SavePages(Mode::RangePing); }
inline Status SaveTraceroutePages() { return SavePages(Mode::Traceroute); }
inline Status SavePathPingPages() { return SavePages(Mode::PathPing); }

inline Status LoadPingPages() { return LoadPages(Mode::Ping); }
inline Status LoadMultiPingPages() { return LoadPages(Mode::MultiPing); }
inline Status LoadRangePingPages() { return LoadPages(Mode::RangePing); }
inline Status LoadTraceroutePages() { return LoadPages(Mode::Traceroute); }
inline Status LoadPathPingPages() { return LoadPages(Mode::PathPing); }

// At start-up, once every file is loaded and before the window shows: the
// page files in `folder` that their last load did not read whole are kept
// aside now, so the user learns where, and the saves do not copy them again.
// One in mode order for each such file; one nothing could be read of is
// only named, and stays as it is.
std::vector<UnreadFile> KeepUnreadPageFilesAside(const std::string& folder);
// The same in ConfigFolder(), followed by the settings file
// (KeepUnreadConfigAside).
std::vector<UnreadFile> KeepUnreadFilesAside();

// Removes the temporaries that saves killed before their rename left beside
// the five page files and "config.ini" in `folder` (default: ConfigFolder());
// none in a folder the ownership rule refuses.
void RemoveSaveLeftovers(const std::string& folder);
void RemoveSaveLeftovers();

// All five in mode order. Every mode is tried even when an earlier one
// fails; the result is the first failure.
Status SaveAllPages();
Status LoadAllPages();
