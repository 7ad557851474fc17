// What a run takes from its page or its task where the modes differ, and
// runs of the longest length.
#include <gtest/gtest.h>

#include "RunFixture.h"
#include "engine/HopEcho.h"
#include "engine/RangeRunStart.h"

namespace {

TEST(RunSettings, CountAndLengthAreBoundedByModeAndByWhoStartsTheRun) {
  struct Row {
    bool task;
    std::int32_t retries, minutes;
    std::vector<std::int32_t> runRetries;  // Ping and Multi ping, IP range ping, the hop modes
    std::int32_t runMinutes;
  };
  // Only a page's own count reaches 999,999,999, and not on the hop tabs.
  const Row rows[] = {{false, 2'000'000'000, 70'000, {999'999'999, 999'999'999, 999'999}, 60'000},
                      {false, 0, 0, {1, 1, 1}, 1},
                      {true, 5'000'000, 100'000, {999'999, 999'999, 999'999}, 60'000},
                      {true, 0, 0, {1, 1, 1}, 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.retries) + (row.task ? " task" : " page"));
    const TaskRunValues values{row.retries, row.minutes, true};
    const TaskRunValues* task = row.task ? &values : nullptr;
    TPingPage page;
    TRangePingPage range;
    page.Retries = range.Retries = row.task ? 7 : row.retries;  // a task's run leaves them out
    page.Minutes = range.Minutes = row.task ? 3 : row.minutes;
    const EchoRunSettings ping = RunSettingsOfPage(page, task);
    const RangeRunSettings ranged = RangeRunSettingsOfPage(range, task);
    const HopRunSettings hops = HopSettingsOfPage(page, task);
    EXPECT_EQ(std::vector<std::int32_t>({ping.Retries, ranged.Retries, hops.Retries}), row.runRetries);
    EXPECT_EQ(std::vector<std::int32_t>({ping.Minutes, ranged.Minutes, hops.Minutes}),
              std::vector<std::int32_t>(3, row.runMinutes));
  }
}

class LongestRun : public RunFixture, public ::testing::WithParamInterface<Mode> {};

TEST_P(LongestRun, ARunOf60000MinutesDoesNotEndAtOnce) {
  const Mode mode = GetParam();
  TPageCommon& page = mode == Mode::RangePing
                          ? static_cast<TPageCommon&>(AddRangePage("10.0.0.1", "10.0.0.1", 1))
                          : AddPage(mode, "target4");
  page.ByMinutes = true;
  page.Minutes = 60'000;
  ASSERT_TRUE(Start(mode, page));
  // 3.6e9 ms in 32 bits turns negative: the run would end before its first echo.
  ASSERT_TRUE(SpinUntil([&] {
    const auto rows = Rows(mode, page);
    return page.Worker == nullptr || (!rows.empty() && rows[0]->Sent >= 3);
  }));
  EXPECT_NE(page.Worker, nullptr);
  EXPECT_TRUE(Finished().empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, LongestRun,
                         ::testing::Values(Mode::Ping, Mode::MultiPing, Mode::RangePing, Mode::Traceroute),
                         [](const auto& info) { return std::string(ModeWord(info.param)); });

}  // namespace
