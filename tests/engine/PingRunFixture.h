#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"
#include "FakeEcho.h"
#include "engine/EchoRounds.h"
#include "engine/PageViews.h"
#include "pages/PageRegistry.h"

// What the engine told the Ping tab's view, in order. User-interface thread.
struct RecordingPageView : PageView {
  std::vector<bool> running;
  int rowsRebuilt = 0;
  std::vector<int> changedRows;
  std::vector<std::pair<std::uint32_t, TReplyRecord>> gridLines;

  void SetRunning(bool on) override { running.push_back(on); }
  void ResultRowsChanged() override { ++rowsRebuilt; }
  void HostRowChanged(int row) override { changedRows.push_back(row); }
  void AppendReplyRow(const TReplyRecord& reply, std::uint32_t number) override {
    gridLines.emplace_back(number, reply);
  }
};

// Ping runs against a fake echo and a fake resolver, with the view above on
// the Ping tab. Pages are started and stopped the way the window's Start and
// Stop do it, minus the widgets. Every test leaves no run thread behind.
class PingRunTest : public ::testing::Test {
 public:
  // Page indexes the end-of-run actions were run for, in order.
  static std::vector<int>& FinishedIndexes();

 protected:
  void SetUp() override;
  void TearDown() override;

  // A page with the settings of a new page of the tab, idle.
  TPingPage& AddPage(const std::string& host);
  // Start: cuts a running run, resets the rows, computes the reply capacity
  // and launches the controller. Returns the new run id.
  int Start(TPingPage& page);

  FakeIcmp icmp_;
  FakeResolver resolver_;
  RecordingPageView view_;
};

inline EchoRunSettings CountSettings(int retries, int delay = 0) {
  EchoRunSettings settings;
  settings.Retries = retries;
  settings.Delay = delay;
  settings.ResolveHostName = false;
  return settings;
}
