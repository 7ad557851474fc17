#include "ui/TabViews.h"

#include "engine/HopPageView.h"
#include "engine/PageViews.h"
#include "ui/RunButtons.h"
#include "ui/frames/TFrameMultiPing.h"
#include "ui/frames/TFramePathPing.h"
#include "ui/frames/TFramePing.h"
#include "ui/frames/TFrameRangePing.h"
#include "ui/frames/TFrameTraceroute.h"
#include "ui/views/HopTabPageView.h"
#include "ui/views/HopTabView.h"
#include "ui/views/MultiPingTabView.h"
#include "ui/views/PingTabView.h"
#include "ui/views/RangePingTabView.h"
#include "ui/views/RangeTabPageView.h"
#include "ui/views/TabPageView.h"

namespace {
TabViews* active = nullptr;
}  // namespace

TabViews::TabViews(const TabFrames& f, CopyMenus& menus)
    : ping_(std::make_unique<PingTabView>(f.PingPages, f.Ping, menus)),
      multiPing_(std::make_unique<MultiPingTabView>(f.MultiPingPages, f.MultiPing, menus)),
      rangePing_(std::make_unique<RangePingTabView>(f.RangePingPages, f.RangePing, menus)),
      traceroute_(std::make_unique<HopTabView>(Mode::Traceroute, f.TraceroutePages, f.Traceroute, menus)),
      pathPing_(std::make_unique<HopTabView>(Mode::PathPing, f.PathPingPages, f.PathPing, menus)),
      runButtons_(std::make_unique<RunButtons>(*this)) {
  for (const Mode mode : AllModes) {
    auto& view = pageViews_[static_cast<std::size_t>(mode)];
    view = std::make_unique<TabPageView>(ForMode(mode));
    SetPageView(mode, view.get());
  }
  rangePageView_ = std::make_unique<RangeTabPageView>(*rangePing_);
  SetPageView(Mode::RangePing, rangePageView_.get());
  traceroutePageView_ = std::make_unique<HopTabPageView>(*traceroute_);
  SetHopPageView(Mode::Traceroute, traceroutePageView_.get());
  pathPingPageView_ = std::make_unique<HopTabPageView>(*pathPing_);
  SetHopPageView(Mode::PathPing, pathPingPageView_.get());
  active = this;
}

TabViews::~TabViews() {
  // Run callbacks still to come find no view and change the pages alone.
  for (const Mode mode : AllModes)
    if (ModePageView(mode) == pageViews_[static_cast<std::size_t>(mode)].get()) SetPageView(mode, nullptr);
  if (ModePageView(Mode::RangePing) == rangePageView_.get()) SetPageView(Mode::RangePing, nullptr);
  if (ModePageView(Mode::Traceroute) == traceroutePageView_.get()) SetHopPageView(Mode::Traceroute, nullptr);
  if (ModePageView(Mode::PathPing) == pathPingPageView_.get()) SetHopPageView(Mode::PathPing, nullptr);
  if (active == this) active = nullptr;
}

TabView& TabViews::ForMode(Mode mode) const {
  switch (mode) {
    case Mode::Ping:
      return *ping_;
    case Mode::MultiPing:
      return *multiPing_;
    case Mode::RangePing:
      return *rangePing_;
    case Mode::Traceroute:
      return *traceroute_;
    case Mode::PathPing:
      break;
  }
  return *pathPing_;
}

void TabViews::StoreAllFramesToPages() {
  for (Mode mode : AllModes) ForMode(mode).StoreFrameToPage();
}

TabViews* ActiveTabViews() { return active; }

namespace {
void Store(Mode mode) {
  if (active) active->ForMode(mode).StoreFrameToPage();
}
void Show(Mode mode, int index, bool storeFirst, bool selectInList) {
  if (active) active->ForMode(mode).ShowPage(index, storeFirst, selectInList);
}
}  // namespace

void StorePingFrameToPage() { Store(Mode::Ping); }
void StoreMultiPingFrameToPage() { Store(Mode::MultiPing); }
void StoreRangePingFrameToPage() { Store(Mode::RangePing); }
void StoreTracerouteFrameToPage() { Store(Mode::Traceroute); }
void StorePathPingFrameToPage() { Store(Mode::PathPing); }

void ShowPingPage(int index, bool storeFirst, bool selectInList) {
  Show(Mode::Ping, index, storeFirst, selectInList);
}
void ShowMultiPingPage(int index, bool storeFirst, bool selectInList) {
  Show(Mode::MultiPing, index, storeFirst, selectInList);
}
void ShowRangePingPage(int index, bool storeFirst, bool selectInList) {
  Show(Mode::RangePing, index, storeFirst, selectInList);
}
void ShowTraceroutePage(int index, bool storeFirst, bool selectInList) {
  Show(Mode::Traceroute, index, storeFirst, selectInList);
}
void ShowPathPingPage(int index, bool storeFirst, bool selectInList) {
  Show(Mode::PathPing, index, storeFirst, selectInList);
}
