#include "engine/HopPageView.h"

#include "engine/RunCallback.h"

namespace {

HopPageView* tracerouteView = nullptr;  // user-interface thread only
HopPageView* pathPingView = nullptr;

HopPageView** SlotOf(Mode mode) {
  if (mode == Mode::Traceroute) return &tracerouteView;
  if (mode == Mode::PathPing) return &pathPingView;
  return nullptr;
}

}  // namespace

void SetHopPageView(Mode mode, HopPageView* view) {
  HopPageView** slot = SlotOf(mode);
  if (!slot) return;
  *slot = view;
  SetPageView(mode, view);
}

HopPageView* HopViewIfShown(const TPingRegistry& registry, const TPingPage& page) {
  HopPageView** slot = SlotOf(registry.mode);
  if (!slot || !*slot) return nullptr;
  // A view set for the mode through SetPageView alone replaces this one.
  PageView* shown = ViewIfShown(registry, page);
  return shown == static_cast<PageView*>(*slot) ? *slot : nullptr;
}
