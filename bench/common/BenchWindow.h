#pragma once

#include <memory>

#include "pages/PageTypes.h"
#include "ui/CopyMenus.h"
#include "ui/TabViews.h"
#include "ui/frames/TFrameMultiPing.h"
#include "ui/frames/TFramePages.h"
#include "ui/frames/TFramePathPing.h"
#include "ui/frames/TFramePing.h"
#include "ui/frames/TFrameRangePing.h"
#include "ui/frames/TFrameTraceroute.h"

// The five tabs' frames with their views, as the main window has them, with
// one tab shown so that its rows and replies are painted as they change.
struct BenchWindow {
  TFramePages pingPages, multiPages, rangePages, tracePages, pathPages;
  TFramePing ping;
  TFrameMultiPing multi;
  TFrameRangePing range;
  TFrameTraceroute trace;
  TFramePathPing path;
  CopyMenus menus;
  std::unique_ptr<TabViews> views;

  // visible false leaves every tab hidden, for finding out what painting costs.
  explicit BenchWindow(Mode shown, bool visible = true) {
    views = std::make_unique<TabViews>(TabFrames{&pingPages, &ping, &multiPages, &multi, &rangePages, &range,
                                                 &tracePages, &trace, &pathPages, &path},
                                       menus);
    QWidget* frame = shown == Mode::RangePing ? static_cast<QWidget*>(&range) : &ping;
    frame->resize(1000, 600);
    if (visible) frame->show();
  }
};
