#include "pages/PageOperations.h"

#include <algorithm>

#include "pages/TextHelpers.h"

namespace {

constexpr std::size_t MaxHostText = 96;

void CopyCommon(TPageCommon& page, const TPageCommon& t) {
  page.Name = t.Name;
  page.TimeOut = ClampInt(t.TimeOut, 100, 60000);
  page.Retries = ClampInt(t.Retries, 1, 999999);
  page.Minutes = ClampInt(t.Minutes, 1, 60000);
  page.Delay = ClampInt(t.Delay, 0, 999999999);
  page.Bytes = ClampInt(t.Bytes, 0, 65500);
  page.ByMinutes = t.ByMinutes;
  page.ResolveHostName = t.ResolveHostName;
  page.ShowReplys = t.ShowReplys;

  page.TaskCount = ClampInt(t.TaskCount, 0, MaxTasks);
  for (int i = 0; i < page.TaskCount; ++i) {
    TAutoTask task = t.Tasks[i];
    task.Type = std::min<std::uint8_t>(task.Type, ttEveryMonth);
    task.Value = ClampInt(task.Value, 1, 999999);
    task.Fired = false;
    page.Tasks[i] = task;
  }

  page.StartOnStartup = t.StartOnStartup;
  page.StartEvery = t.StartEvery;
  page.StartSchedules = t.StartSchedules;
  page.EveryMinutes = t.EveryMinutes;
  page.SaveResult = t.SaveResult;
  page.ResultFormat = t.ResultFormat;
  page.ResultWithReplys = t.ResultWithReplys;
  page.ResultIpList = t.ResultIpList;
  page.ExecuteProgram = t.ExecuteProgram;
  page.HideWindow = t.HideWindow;
  page.ExecPath = t.ExecPath;
  page.ExecParam = t.ExecParam;
}

// Steps shared by both page classes once the page holds its settings: run
// state, id and the row in the page list.
template <class Page>
bool Register(TPageRegistry<Page>& registry, std::unique_ptr<Page> page) {
  page->Id = registry.NextId++;
  page->RunId = 0;
  page->StartTime = page->EndTime = LocalTimeNow();
  page->SelectedHost = -1;
  page->ResultState = psPending;
  page->Worker = nullptr;
  page->ReplyCapacity = 0;
  if (registry.List) page->ListItem = registry.List->AppendPageRow(page->Id, page->Name);
  registry.Pages.push_back(std::move(page));
  return true;
}

}  // namespace

int ClampInt(long long value, int low, int high) {
  return static_cast<int>(std::clamp<long long>(value, low, high));
}

bool AddPage(TPingRegistry& registry, const TPingPage& t) {
  if (registry.Count() >= MaxPages) return false;
  auto page = std::make_unique<TPingPage>();
  CopyCommon(*page, t);
  page->Host = t.Host;
  const Mode mode = registry.mode;
  if (mode == Mode::Ping || mode == Mode::MultiPing) page->Ttl = ClampInt(t.Ttl, 1, 255);
  if (mode == Mode::Traceroute || mode == Mode::PathPing) page->Hops = ClampInt(t.Hops, 1, MaxHosts);
  if (mode == Mode::Ping || mode == Mode::MultiPing) page->PingForAllIp = t.PingForAllIp;
  page->FinishedWorkers = 0;
  page->DestinationHop = 0;
  page->HostCount = 0;
  if (mode == Mode::MultiPing) {
    // Only the host list survives from the template, never its results.
    page->HostCount = ClampInt(t.HostCount, 0, MaxHosts);
    for (int i = 0; i < page->HostCount; ++i) {
      THostResult& row = page->Hosts[i];
      row.Reserved6 = t.Hosts[i].Reserved6;
      row.Host = CutUtf8(t.Hosts[i].Host, MaxHostText);
    }
  }
  return Register(registry, std::move(page));
}

bool AddPage(TRangeRegistry& registry, const TRangePingPage& t) {
  if (registry.Count() >= MaxPages) return false;
  auto page = std::make_unique<TRangePingPage>();
  CopyCommon(*page, t);
  page->From = t.From;
  page->To = t.To;
  page->Threads = ClampInt(t.Threads, 1, MaxPoolThreads);
  page->HostCapacity = 0;
  page->HostCount = 0;
  return Register(registry, std::move(page));
}

void AddMultiPingHost(TPingRegistry& registry, int index, const std::string& host) {
  TPingPage* page = registry.At(index);
  if (host.empty() || !page || page->HostCount >= MaxHosts) return;
  for (int i = 0; i < page->HostCount; ++i)
    if (EqualsIgnoreCase(page->Hosts[i].Host, host)) return;

  const int rowIndex = page->HostCount;
  THostResult& row = page->Hosts[rowIndex];
  row = THostResult{};
  row.Reserved6 = 1;
  row.Host = CutUtf8(host, MaxHostText);
  page->HostCount++;
  if (index == registry.Current && registry.HostList)
    row.ListItem = registry.HostList->AppendHostRow(rowIndex, row.Host);
}

bool DeleteMultiPingHost(TPingRegistry& registry, int index, int rowIndex) {
  TPingPage* page = registry.At(index);
  if (!page || rowIndex < 0 || rowIndex >= page->HostCount) return false;
  HostListObserver* list = index == registry.Current ? registry.HostList : nullptr;
  const ListHandle removed = page->Hosts[rowIndex].ListItem;

  ListHandle neighbour = NoListItem;
  if (list && removed != NoListItem) {
    neighbour = list->RowAbove(removed);
    if (neighbour == NoListItem) neighbour = list->RowBelow(removed);
  }

  page->Hosts[rowIndex].ReleaseReplies();
  // Later rows move down one place, whole; the freed last slot is left empty.
  std::move(page->Hosts.begin() + rowIndex + 1, page->Hosts.begin() + page->HostCount,
            page->Hosts.begin() + rowIndex);
  page->HostCount--;
  page->Hosts[page->HostCount] = THostResult{};

  if (list) {
    for (int i = rowIndex; i < page->HostCount; ++i)
      if (page->Hosts[i].ListItem != NoListItem) list->SetHostRowIndex(page->Hosts[i].ListItem, i);
    if (removed != NoListItem) list->DeleteHostRow(removed);
    if (neighbour != NoListItem) list->SelectHostRow(neighbour);
  }
  return true;
}
