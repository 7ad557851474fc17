#include "PingRunFixture.h"

#include <memory>

#include "engine/EchoServices.h"
#include "engine/HandOff.h"
#include "engine/Pinger.h"
#include "engine/ReplyAccounting.h"
#include "engine/RunLifecycle.h"
#include "pages/Settings.h"

namespace {

void RecordFinish(Mode mode, int index) {
  if (mode == Mode::Ping) PingRunTest::FinishedIndexes().push_back(index);
}

}  // namespace

std::vector<int>& PingRunTest::FinishedIndexes() {
  static std::vector<int> indexes;
  return indexes;
}

void PingRunTest::SetUp() {
  EnsureTestApplication();
  OpenHandOffGate();
  ResetRegistries();
  ResetOptions();
  FinishedIndexes().clear();
  SetRunFinishActions(&RecordFinish);
  SetEngineIcmp(&icmp_);
  SetEngineResolver(&resolver_);
  SetPageView(Mode::Ping, &view_);
  resolver_.hosts["localhost"] = {V4("127.0.0.1"), V6("::1")};
  resolver_.hosts["127.0.0.1"] = {V4("127.0.0.1")};
  resolver_.hosts["::1"] = {V6("::1")};
}

void PingRunTest::TearDown() {
  // Nothing may stay stuck behind a gate, and no thread may outlive the
  // fakes it uses.
  icmp_.OpenGate();
  resolver_.OpenGate();
  for (auto& page : PingRegistry.Pages)
    if (page->Worker) Stop(*page);
  EXPECT_TRUE(WaitAllEnded());
  SetPageView(Mode::Ping, nullptr);
  SetEngineIcmp(nullptr);
  SetEngineResolver(nullptr);
  SetRunFinishActions(nullptr);
  ResetRegistries();
  ResetOptions();
}

TPingPage& PingRunTest::AddPage(const std::string& host) {
  auto page = std::make_unique<TPingPage>();
  page->Id = PingRegistry.NextId++;
  page->Name = host;
  page->Host = host;
  page->Delay = 0;
  page->ResolveHostName = false;
  PingRegistry.Pages.push_back(std::move(page));
  if (PingRegistry.Current < 0) PingRegistry.Current = 0;
  return *PingRegistry.Pages.back();
}

int PingRunTest::Start(TPingPage& page) {
  CutRunOfPage(PingRegistry, page);
  page.RunId = RunIdAfter(page.RunId);
  for (THostResult& host : page.Hosts) {
    host.ListItem = NoListItem;
    host.ResetResult();
  }
  page.HostCount = 0;
  page.ResultState = psPending;
  page.FinishedWorkers = 0;
  page.SelectedHost = 0;
  page.StartTime = page.EndTime = LocalTimeNow();
  const EchoRunSettings settings = RunSettingsOfPage(page, nullptr);
  page.ReplyCapacity = PingReplyCapacity(settings.ByMinutes, settings.Retries, settings.Minutes,
                                         settings.Delay, page.ShowReplys);
  EXPECT_TRUE(LaunchController(
      page, std::make_unique<Pinger>(RunStamp{page.Id, page.RunId}, page.Host, settings, page.PingForAllIp)));
  return page.RunId;
}
