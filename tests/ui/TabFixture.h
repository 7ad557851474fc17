#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAbstractItemModelTester>
#include <QStringList>
#include <memory>
#include <vector>

#include "pages/PageOperations.h"
#include "ui/CopyMenus.h"
#include "ui/TabViews.h"
#include "ui/frames/TFrameMultiPing.h"
#include "ui/frames/TFramePages.h"
#include "ui/frames/TFramePathPing.h"
#include "ui/frames/TFramePing.h"
#include "ui/frames/TFrameRangePing.h"
#include "ui/frames/TFrameTraceroute.h"
#include "ui/models/MultiPingHostModel.h"
#include "ui/models/PageListModel.h"
#include "ui/models/RepliesModel.h"
#include "ui/views/TabView.h"

// The ten frames of the measuring tabs with their views, on fresh registries.
class TabFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetRegistries();
    views = std::make_unique<TabViews>(TabFrames{&pingPages, &ping, &multiPages, &multi, &rangePages, &range,
                                                 &tracePages, &trace, &pathPages, &path},
                                       menus);
    // Every model of the tab checks itself through all that the tests do.
    for (QAbstractItemModel* model : std::initializer_list<QAbstractItemModel*>{
             ping.Hosts, multi.Hosts, range.AliveHosts, trace.Hosts, path.Hosts, ping.Replies, multi.Replies,
             range.Replies, trace.Replies, path.Replies, pingPages.Model, multiPages.Model, rangePages.Model,
             tracePages.Model, pathPages.Model})
      testers.push_back(std::make_unique<QAbstractItemModelTester>(
          model, QAbstractItemModelTester::FailureReportingMode::Fatal));
  }
  void TearDown() override {
    testers.clear();
    views.reset();
    ResetRegistries();
  }

  // Routes a page list's selection to the page it names, as the window does.
  template <class Registry>
  void FollowSelection(TFramePages& frame, Registry& registry, Mode mode) {
    QObject::connect(&frame, &TFramePages::PageRowSelected, &frame, [this, &registry, mode](quintptr row) {
      for (int i = 0; i < registry.Count(); ++i)
        if (registry.Pages[i]->ListItem == row) views->ForMode(mode).ShowPage(i, true, false);
    });
  }

  TFramePages pingPages, multiPages, rangePages, tracePages, pathPages;
  TFramePing ping;
  TFrameMultiPing multi;
  TFrameRangePing range;
  TFrameTraceroute trace;
  TFramePathPing path;
  CopyMenus menus;
  std::unique_ptr<TabViews> views;
  std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;
};

// The texts of one model row, column 0 first.
inline QStringList RowCells(const QAbstractItemModel& model, int row) {
  QStringList cells;
  for (int c = 0; c < model.columnCount(); ++c) cells << model.index(row, c).data().toString();
  return cells;
}

// A stand-in for a run's controller: a page with one is running.
struct FakeWorker : PageWorker {
  void Terminate() override {}
};
