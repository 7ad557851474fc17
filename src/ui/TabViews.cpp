#include "ui/TabViews.h"

#include "ui/frames/TFrameMultiPing.h"
#include "ui/frames/TFramePathPing.h"
#include "ui/frames/TFramePing.h"
#include "ui/frames/TFrameRangePing.h"
#include "ui/frames/TFrameTraceroute.h"
#include "ui/views/HopTabView.h"
#include "ui/views/MultiPingTabView.h"
#include "ui/views/PingTabView.h"
#include "ui/views/RangePingTabView.h"

namespace {
TabViews* active = nullptr;
}  // namespace

TabViews::TabViews(const TabFrames& f, CopyMenus& menus)
    : ping_(std::make_unique<PingTabView>(f.PingPages, f.Ping, menus)),
      multiPing_(std::make_unique<MultiPingTabView>(f.MultiPingPages, f.MultiPing, menus)),
      rangePing_(std::make_unique<RangePingTabView>(f.RangePingPages, f.RangePing, menus)),
      traceroute_(std::make_unique<HopTabView>(Mode::Traceroute, f.TraceroutePages, f.Traceroute, menus)),
      pathPing_(std::make_unique<HopTabView>(Mode::PathPing, f.PathPingPages, f.PathPing, menus)) {
  active = this;
}

TabViews::~TabViews() {
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
