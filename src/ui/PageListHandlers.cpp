#include "ui/PageListHandlers.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>

#include "pages/ModePages.h"
#include "pages/PageOperations.h"
#include "pages/PageRegistry.h"
#include "ui/PageRunOperations.h"
#include "ui/SlotGuard.h"
#include "ui/TabViews.h"
#include "ui/frames/EditorBytes.h"
#include "ui/frames/TFramePages.h"
#include "ui/models/PageListModel.h"
#include "ui/views/TabView.h"

namespace {

void SetCommonDefaults(TPageCommon& page) {
  page.Name = "New page";
  page.TimeOut = 1000;
  page.Retries = 4;
  page.Minutes = 1;
  page.ByMinutes = false;
  page.Delay = 1000;
  page.Bytes = 32;
  page.ResolveHostName = true;
  page.ShowReplys = true;
  page.TaskCount = 0;
  page.StartOnStartup = page.StartEvery = page.StartSchedules = false;
  page.EveryMinutes = 1;
  page.SaveResult = false;
  page.ResultFormat = 1;
  page.ResultWithReplys = true;
  page.ResultIpList = page.ExecuteProgram = page.HideWindow = false;
  page.ExecPath.clear();
  page.ExecParam.clear();
}

template <class Page>
int IndexOfListItem(const TPageRegistry<Page>& registry, ListHandle row) {
  if (row == NoListItem) return -1;
  for (int i = 0; i < registry.Count(); ++i)
    if (registry.Pages[i]->ListItem == row) return i;
  return -1;
}

// The row the user sees directly above `row`, or below it for the top row.
ListHandle NeighbourRow(const PageListModel* list, ListHandle row) {
  if (!list) return NoListItem;
  const int at = list->RowOf(row);
  if (at < 0) return NoListItem;
  const ListHandle above = list->HandleAt(at - 1);
  return above != NoListItem ? above : list->HandleAt(at + 1);
}

template <class Page>
void DeleteFrom(TPageRegistry<Page>& registry, int index) {
  if (!registry.ValidIndex(index) || registry.Count() < 2) return;
  const Mode mode = registry.mode;
  TabViews* views = ActiveTabViews();
  TFramePages* frame = views ? views->ForMode(mode).PagesFrame() : nullptr;
  // Removing the shown page's row moves the list's selection; that change
  // must not reach the select handler, which would store the deleted page's
  // editors into whichever page now sits at its index.
  const QSignalBlocker blocker(frame);
  CatchAll([&] {
    StopPage(mode, index);
    ClearPageResult(mode, index);
    const ListHandle neighbour =
        NeighbourRow(frame ? frame->Model : nullptr, registry.Pages[index]->ListItem);
    const bool wasCurrent = index == registry.Current;
    RemovePage(registry, index);
    if (wasCurrent) {
      const int next = IndexOfListItem(registry, neighbour);
      // Without a neighbour the tab still shows the deleted page; the final
      // step below replaces it rather than leaving its editors in place.
      registry.Current = next;
      if (next >= 0) ShowModePage(mode, next, false, true);
    } else {
      if (registry.Current > index) registry.Current = std::max(0, registry.Current - 1);
      ShowModePage(mode, registry.Current, false, true);
    }
  });
  CatchAll([&] {
    if (registry.ValidIndex(registry.Current)) return;
    registry.Current = 0;
    ShowModePage(mode, 0, false, true);
  });
}

}  // namespace

std::unique_ptr<TPingPage> DefaultPingPage(Mode mode) {
  auto page = std::make_unique<TPingPage>();
  SetCommonDefaults(*page);
  page->Host.clear();
  page->Ttl = 255;
  page->Hops = 32;
  page->PingForAllIp = mode == Mode::Ping || mode == Mode::MultiPing;
  page->HostCount = 0;
  return page;
}

std::unique_ptr<TRangePingPage> DefaultRangePingPage() {
  auto page = std::make_unique<TRangePingPage>();
  SetCommonDefaults(*page);
  page->Retries = 1;
  page->From.clear();
  page->To.clear();
  page->Threads = 10;
  return page;
}

void ShowModePage(Mode mode, int index, bool storeFirst, bool selectInList) {
  switch (mode) {
    case Mode::Ping:
      return ShowPingPage(index, storeFirst, selectInList);
    case Mode::MultiPing:
      return ShowMultiPingPage(index, storeFirst, selectInList);
    case Mode::RangePing:
      return ShowRangePingPage(index, storeFirst, selectInList);
    case Mode::Traceroute:
      return ShowTraceroutePage(index, storeFirst, selectInList);
    case Mode::PathPing:
      return ShowPathPingPage(index, storeFirst, selectInList);
  }
}

void DeletePingPage(int index) { DeleteFrom(PingRegistry, index); }
void DeleteMultiPingPage(int index) { DeleteFrom(MultiPingRegistry, index); }
void DeleteRangePingPage(int index) { DeleteFrom(RangePingRegistry, index); }
void DeleteTraceroutePage(int index) { DeleteFrom(TracerouteRegistry, index); }
void DeletePathPingPage(int index) { DeleteFrom(PathPingRegistry, index); }

void DeletePage(Mode mode, int index) {
  WithModeRegistry(mode, [index](auto& registry) { DeleteFrom(registry, index); });
}

PageListHandlers::PageListHandlers(TabViews& views, QObject* parent) : QObject(parent), views_(views) {
  for (const Mode mode : AllModes) {
    TFramePages* frame = views_.ForMode(mode).PagesFrame();
    connect(frame->ButtonAdd, &QPushButton::clicked, this, [this, mode] { ButtonAddClick(mode); });
    connect(frame->ButtonRename, &QPushButton::clicked, this, [this, mode] { ButtonRenameClick(mode); });
    connect(frame->ButtonDel, &QPushButton::clicked, this, [this, mode] { ButtonDelClick(mode); });
    connect(frame, &TFramePages::PageRowSelected, this,
            [this, mode](quintptr row) { ListView1SelectItem(mode, static_cast<ListHandle>(row)); });
  }
}

void PageListHandlers::ButtonAddClick(Mode mode) {
  CatchAll([&] {
    const std::string name = EditorBytes(views_.ForMode(mode).PagesFrame()->EditPageName);
    // Taken as typed: not trimmed, and a name another page has is fine.
    if (name.empty()) return;
    bool added = false;
    if (mode == Mode::RangePing) {
      auto page = DefaultRangePingPage();
      page->Name = name;
      added = AddRangePingPage(*page);
    } else {
      auto page = DefaultPingPage(mode);
      page->Name = name;
      if (mode == Mode::MultiPing)
        page->PingForAllIp = false;
      else
        page->Host = name;
      added = AddPage(*PingModeRegistry(mode), *page);
    }
    if (!added) return;
    const int last = WithModeRegistry(mode, [](auto& r) { return r.Count(); }) - 1;
    ShowModePage(mode, last, true, true);
  });
}

void PageListHandlers::ButtonRenameClick(Mode mode) {
  CatchAll([&] {
    const std::string name = EditorBytes(views_.ForMode(mode).PagesFrame()->EditPageName);
    WithModeRegistry(mode, [&](auto& registry) { RenamePage(registry, registry.Current, name); });
  });
}

void PageListHandlers::ButtonDelClick(Mode mode) {
  CatchAll([&] { DeletePage(mode, ModeCurrentIndex(mode)); });
}

void PageListHandlers::ListView1SelectItem(Mode mode, ListHandle row) {
  CatchAll([&] {
    const int index =
        WithModeRegistry(mode, [row](auto& registry) { return IndexOfListItem(registry, row); });
    if (index >= 0) ShowModePage(mode, index, true, false);
  });
}
