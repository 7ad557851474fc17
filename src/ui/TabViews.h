#pragma once

#include <array>
#include <memory>

#include "pages/PageTypes.h"

class CopyMenus;
class HopTabPageView;
class HopTabView;
class MultiPingTabView;
class PingTabView;
class RangePingTabView;
class RunButtons;
class RangeTabPageView;
class TabPageView;
class TabView;
class TFrameMultiPing;
class TFramePages;
class TFramePathPing;
class TFramePing;
class TFrameRangePing;
class TFrameTraceroute;

// The ten frames of the five measuring tabs, as the main window places them.
struct TabFrames {
  TFramePages* PingPages = nullptr;
  TFramePing* Ping = nullptr;
  TFramePages* MultiPingPages = nullptr;
  TFrameMultiPing* MultiPing = nullptr;
  TFramePages* RangePingPages = nullptr;
  TFrameRangePing* RangePing = nullptr;
  TFramePages* TraceroutePages = nullptr;
  TFrameTraceroute* Traceroute = nullptr;
  TFramePages* PathPingPages = nullptr;
  TFramePathPing* PathPing = nullptr;
};

// The five tab views of the main window. Creating it attaches the page lists
// (and the Multi ping host list) to the registries and makes it the target
// of the Store...FrameToPage and Show...Page functions; destroying it
// detaches both. It is also what the engine's run callbacks update (each
// tab's PageView) and what the Start and Stop buttons act through. Create it
// before the page files are loaded, so that every loaded page gets its row.
class TabViews {
 public:
  TabViews(const TabFrames& frames, CopyMenus& menus);
  ~TabViews();
  TabViews(const TabViews&) = delete;
  TabViews& operator=(const TabViews&) = delete;

  TabView& ForMode(Mode mode) const;
  PingTabView& Ping() const { return *ping_; }
  MultiPingTabView& MultiPing() const { return *multiPing_; }
  RangePingTabView& RangePing() const { return *rangePing_; }
  HopTabView& Traceroute() const { return *traceroute_; }
  HopTabView& PathPing() const { return *pathPing_; }

  // The five stores, in mode order (hourly save, session end, destruction).
  void StoreAllFramesToPages();

 private:
  std::unique_ptr<PingTabView> ping_;
  std::unique_ptr<MultiPingTabView> multiPing_;
  std::unique_ptr<RangePingTabView> rangePing_;
  std::unique_ptr<HopTabView> traceroute_;
  std::unique_ptr<HopTabView> pathPing_;
  std::array<std::unique_ptr<TabPageView>, AllModes.size()> pageViews_;
  // The IP range ping tab's view, which also adds alive-host rows.
  std::unique_ptr<RangeTabPageView> rangePageView_;
  // The Trace route and Path ping tabs' views, whose hop rows come and go.
  std::unique_ptr<HopTabPageView> traceroutePageView_;
  std::unique_ptr<HopTabPageView> pathPingPageView_;
  std::unique_ptr<RunButtons> runButtons_;
};

// The tab views that the functions below act on; null while none exist.
TabViews* ActiveTabViews();

// Store<Mode>FrameToPage: the tab's editors into its current page.
void StorePingFrameToPage();
void StoreMultiPingFrameToPage();
void StoreRangePingFrameToPage();
void StoreTracerouteFrameToPage();
void StorePathPingFrameToPage();

// Show<Mode>Page: page `index` of the mode's registry on its tab.
void ShowPingPage(int index, bool storeFirst, bool selectInList);
void ShowMultiPingPage(int index, bool storeFirst, bool selectInList);
void ShowRangePingPage(int index, bool storeFirst, bool selectInList);
void ShowTraceroutePage(int index, bool storeFirst, bool selectInList);
void ShowPathPingPage(int index, bool storeFirst, bool selectInList);
