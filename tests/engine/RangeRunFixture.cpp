#include "RangeRunFixture.h"

#include <algorithm>

#include "engine/EchoServices.h"
#include "engine/HandOff.h"
#include "engine/RangeRunStart.h"
#include "engine/RunLifecycle.h"
#include "pages/Settings.h"
#include "pages/TextHelpers.h"

namespace {

void RecordFinish(Mode mode, int index) {
  if (mode == Mode::RangePing) RangeRunTest::Finished().push_back(index);
}

}  // namespace

void RecordingRangeView::AliveHostAdded(int host) {
  TRangePingPage* page = RangePingRegistry.CurrentPage();
  ASSERT_TRUE(page && host >= 0 && host < page->HostCount);
  THostResult& record = *page->Hosts[static_cast<std::size_t>(host)];
  EXPECT_EQ(record.ListItem, NoListItem);
  EXPECT_GE(record.Sent, 1u);  // the first answer is already counted
  added.push_back(record.Ipv4);
  record.ListItem = nextHandle++;
}

std::unique_ptr<IcmpEchoHandle> RefusingIcmp::Open(IpFamily family) {
  const int call = opens_.fetch_add(1);
  if (refuse && refuse(call)) {
    if (throwInstead) throw std::runtime_error("socket refused");
    return nullptr;
  }
  return inner_.Open(family);
}

std::vector<int>& RangeRunTest::Finished() {
  static std::vector<int> indexes;
  return indexes;
}

void RangeRunTest::SetUp() {
  EnsureTestApplication();
  OpenHandOffGate();
  ResetRegistries();
  ResetOptions();
  Finished().clear();
  SetRunFinishActions(&RecordFinish);
  SetEngineIcmp(&icmp_);
  SetEngineResolver(&resolver_);
  SetPageView(Mode::RangePing, &view_);
}

void RangeRunTest::TearDown() {
  icmp_.OpenGate();
  resolver_.OpenGate();
  for (auto& page : RangePingRegistry.Pages)
    if (page->Worker) Stop(*page);
  EXPECT_TRUE(WaitAllEnded());
  SetPageView(Mode::RangePing, nullptr);
  SetEngineIcmp(nullptr);
  SetEngineResolver(nullptr);
  SetRunFinishActions(nullptr);
  ResetRegistries();
  ResetOptions();
}

TRangePingPage& RangeRunTest::AddPage(const std::string& from, const std::string& to, int threads) {
  auto page = std::make_unique<TRangePingPage>();
  page->Id = RangePingRegistry.NextId++;
  page->From = from;
  page->To = to;
  page->Threads = threads;
  page->Retries = 1;
  page->Delay = 0;
  page->ResolveHostName = false;
  RangePingRegistry.Pages.push_back(std::move(page));
  if (RangePingRegistry.Current < 0) RangePingRegistry.Current = 0;
  return *RangePingRegistry.Pages.back();
}

bool RangeRunTest::Start(TRangePingPage& page) {
  CutRunOfPage(RangePingRegistry, page);
  page.RunId = RunIdAfter(page.RunId);
  page.ResultState = psPending;
  page.SelectedHost = 0;
  return LaunchRangeRun(page, nullptr);
}

std::vector<std::string> RangeRunTest::HostTexts(const TRangePingPage& page) {
  std::vector<std::string> texts;
  for (int k = 0; k < page.HostCount; ++k) texts.push_back(page.Hosts[static_cast<std::size_t>(k)]->Address);
  return texts;
}

std::vector<std::string> RangeRunTest::EchoTargets() const {
  std::vector<std::string> targets;
  for (const FakeIcmp::Sent& sent : icmp_.Log()) targets.push_back(Ipv4ToString(sent.request.ipv4));
  return targets;
}

std::function<IcmpEchoResult(const EchoRequest&)> AnswerOnly(std::vector<std::string> answers) {
  return [answers = std::move(answers)](const EchoRequest& request) {
    if (std::find(answers.begin(), answers.end(), Ipv4ToString(request.ipv4)) == answers.end())
      return IcmpEchoResult{};  // timed out
    return ReplyFromTarget(request);
  };
}
