#pragma once

#include "pages/PageRegistry.h"

// The pages of the five registries seen by mode, for the walks, actions and
// reports that treat every mode alike. User-interface thread only.

// Calls `visit` with the mode's registry, whichever page class it holds.
template <class Visit>
decltype(auto) WithModeRegistry(Mode mode, Visit&& visit) {
  switch (mode) {
    case Mode::Ping:
      return visit(PingRegistry);
    case Mode::MultiPing:
      return visit(MultiPingRegistry);
    case Mode::RangePing:
      return visit(RangePingRegistry);
    case Mode::Traceroute:
      return visit(TracerouteRegistry);
    case Mode::PathPing:
      break;
  }
  return visit(PathPingRegistry);
}

// The registry of a mode whose pages are TPingPage records (every mode but
// IP range ping); null for IP range ping.
TPingRegistry* PingModeRegistry(Mode mode);
// Pages in use in the mode's registry.
int ModePageCount(Mode mode);
// Index of the mode's current page.
int ModeCurrentIndex(Mode mode);
// Page `index` of the mode's registry; null when there is none.
TPageCommon* ModePage(Mode mode, int index);
// The page of the mode with this id; null when there is none.
TPageCommon* ModePageById(Mode mode, int id);
