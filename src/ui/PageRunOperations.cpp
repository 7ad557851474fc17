#include "ui/PageRunOperations.h"

#include <array>
#include <string>

#include "engine/RunLifecycle.h"
#include "pages/PageRegistry.h"
#include "pages/RowTexts.h"
#include "platform/SystemTime.h"
#include "ui/SlotGuard.h"
#include "ui/TabViews.h"
#include "ui/frames/TFrameMultiPing.h"
#include "ui/frames/TFramePing.h"
#include "ui/frames/TFrameRangePing.h"
#include "ui/frames/THopFrame.h"
#include "ui/models/MultiPingHostModel.h"
#include "ui/models/RepliesModel.h"
#include "ui/models/RowListModel.h"
#include "ui/views/HopTabView.h"
#include "ui/views/MultiPingTabView.h"
#include "ui/views/PingTabView.h"
#include "ui/views/RangePingTabView.h"

namespace {

// The tab of `mode` when its current page is `index`, else null.
TabView* ShownTab(Mode mode, int current, int index) {
  TabViews* views = ActiveTabViews();
  if (!views || index != current) return nullptr;
  return &views->ForMode(mode);
}

template <class Page>
void Stop(TPageRegistry<Page>& registry, int index) {
  CatchAll([&] {
    Page* page = registry.At(index);
    if (!page) return;
    if (page->Worker) {
      page->Worker->Terminate();
      page->Worker = nullptr;
    }
    page->RunId = RunIdAfter(page->RunId);
    page->EndTime = LocalTimeNow();
    if (TabView* tab = ShownTab(registry.mode, registry.Current, index)) tab->UpdateRunButtons();
  });
}

// The host list and replies grid of the shown Ping, Trace route or Path ping page.
void ClearShownRows(Mode mode, TabView& tab) {
  TabViews& views = *ActiveTabViews();
  RowListModel* hosts = mode == Mode::Ping         ? views.Ping().Ping()->Hosts
                        : mode == Mode::Traceroute ? views.Traceroute().Hops()->Hosts
                                                   : views.PathPing().Hops()->Hosts;
  if (hosts) hosts->Clear();
  if (tab.Frame()->Replies) tab.Frame()->Replies->Clear();
}

void ClearRowsPage(TPingRegistry& registry, int index) {
  CatchAll([&] {
    TPingPage* page = registry.At(index);
    if (!page) return;
    for (THostResult& host : page->Hosts) host.ListItem = NoListItem;
    if (TabView* tab = ShownTab(registry.mode, registry.Current, index))
      CatchAll([&] { ClearShownRows(registry.mode, *tab); });
    // Every slot, whatever HostCount says: a run may have left rows beyond it.
    for (THostResult& host : page->Hosts) CatchAll([&] { host.ResetResult(); });
    page->HostCount = 0;
    page->ResultState = psPending;
    page->FinishedWorkers = 0;
    page->SelectedHost = 0;
    if (registry.mode == Mode::Traceroute || registry.mode == Mode::PathPing) page->DestinationHop = 0;
  });
}

}  // namespace

void StopPingPage(int index) { Stop(PingRegistry, index); }
void StopMultiPingPage(int index) { Stop(MultiPingRegistry, index); }
void StopRangePingPage(int index) { Stop(RangePingRegistry, index); }
void StopTraceroutePage(int index) { Stop(TracerouteRegistry, index); }
void StopPathPingPage(int index) { Stop(PathPingRegistry, index); }

void StopPage(Mode mode, int index) {
  switch (mode) {
    case Mode::Ping:
      return StopPingPage(index);
    case Mode::MultiPing:
      return StopMultiPingPage(index);
    case Mode::RangePing:
      return StopRangePingPage(index);
    case Mode::Traceroute:
      return StopTraceroutePage(index);
    case Mode::PathPing:
      return StopPathPingPage(index);
  }
}

void ClearPingPageResult(int index) { ClearRowsPage(PingRegistry, index); }
void ClearTraceroutePageResult(int index) { ClearRowsPage(TracerouteRegistry, index); }
void ClearPathPingPageResult(int index) { ClearRowsPage(PathPingRegistry, index); }

void ClearMultiPingPageResult(int index, bool dropRows) {
  CatchAll([&] {
    TPingPage* page = MultiPingRegistry.At(index);
    if (!page) return;
    if (dropRows)
      for (THostResult& host : page->Hosts) host.ListItem = NoListItem;
    if (TabView* tab = ShownTab(Mode::MultiPing, MultiPingRegistry.Current, index)) {
      CatchAll([&] {
        MultiPingHostModel* hosts = ActiveTabViews()->MultiPing().MultiPing()->Hosts;
        if (dropRows) {
          hosts->Clear();
        } else {
          // The host column keeps the host as entered; the statistics go blank.
          const std::array<std::string, HostListColumns - 1> blanks = [] {
            std::array<std::string, HostListColumns - 1> texts;
            texts.fill(BlankCell);
            return texts;
          }();
          for (int i = 0; i < page->HostCount; ++i) {
            const ListHandle row = page->Hosts[i].ListItem;
            if (row == NoListItem) continue;
            hosts->SetTexts(row, 1, blanks);
            hosts->SetImage(row, ImageHost);
          }
        }
        if (tab->Frame()->Replies) tab->Frame()->Replies->Clear();
      });
    }
    for (int i = 0; i < page->HostCount; ++i) CatchAll([&] { page->Hosts[i].ResetResult(); });
    page->ResultState = psPending;
    page->FinishedWorkers = 0;
  });
}

void ClearRangePingPageResult(int index) {
  CatchAll([&] {
    TRangePingPage* page = RangePingRegistry.At(index);
    if (!page) return;
    for (auto& host : page->Hosts)
      if (host) host->ListItem = NoListItem;
    if (TabView* tab = ShownTab(Mode::RangePing, RangePingRegistry.Current, index)) {
      CatchAll([&] {
        if (RowListModel* alive = ActiveTabViews()->RangePing().RangePing()->AliveHosts) alive->Clear();
        if (tab->Frame()->Replies) tab->Frame()->Replies->Clear();
      });
    }
    // Each record owns its reply store; dropping the array frees both.
    CatchAll([&] { std::vector<std::unique_ptr<THostResult>>().swap(page->Hosts); });
    page->HostCapacity = 0;
    page->ReplyCapacity = 0;
    page->HostCount = 0;
    page->ResultState = psPending;
    page->SelectedHost = 0;
  });
}

void ClearPageResult(Mode mode, int index) {
  switch (mode) {
    case Mode::Ping:
      return ClearPingPageResult(index);
    case Mode::MultiPing:
      return ClearMultiPingPageResult(index, true);
    case Mode::RangePing:
      return ClearRangePingPageResult(index);
    case Mode::Traceroute:
      return ClearTraceroutePageResult(index);
    case Mode::PathPing:
      return ClearPathPingPageResult(index);
  }
}
