#include "automation/AutoTasksModel.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>

#include "AutomationTestSupport.h"

namespace {

TEST(TaskEditor, EntriesAreBroughtIntoRangeAndShownAsRows) {
  // Kind; day, hour, minute, retries and minutes texts (null: "Retries:" is chosen); the row.
  using Text = const char*;
  const std::tuple<std::uint8_t, Text, Text, Text, Text, Text, TaskRowTexts> cases[] = {
      {ttEveryHour, "", "", "75", "0", nullptr, {"Every hour", "59m", "1"}},
      {ttEveryHour, "", "", "abc", "abc", nullptr, {"Every hour", "00m", "4"}},
      {ttEveryDay, "", "24", "60", "5000000", nullptr, {"Every day", "23h:59m", "999999"}},
      {ttEveryDay, "", "9", "5", "77", "99999", {"Every day", "09h:05m", "60000m"}},
      {ttEveryWeek, "0", "", "", "4", "", {"Every week", "01d 00h:00m", "1m"}},
      {ttEveryWeek, "9", "65536", "3", "4", nullptr, {"Every week", "07d 23h:03m", "4"}},
      {ttEveryMonth, "40", "7", "0", "4", "30", {"Every month", "31d 07h:00m", "30m"}},
      {9, "2", "1", "1", "4", nullptr, {"Every month", "02d 01h:01m", "4"}},
  };
  for (const auto& [kind, day, hour, minute, retries, minutes, row] : cases) {
    TaskEditorFields f;
    f.Kind = kind, f.Retries = retries, f.ByMinutes = minutes != nullptr,
    f.Minutes = minutes ? minutes : "12";
    f.EveryHourMinute = f.EveryDayMinute = f.EveryWeekMinute = f.EveryMonthMinute = minute;
    f.EveryDayHour = f.EveryWeekHour = f.EveryMonthHour = hour;
    f.EveryWeekDay = f.EveryMonthDay = day;
    EXPECT_EQ(TaskRow(BuildTask(f)), row) << row.Time;
  }
  // Single takes the date of one picker and the time of the other, and
  // shows its year within the century.
  TaskEditorFields f;
  f.Date = LocalTime(2100, 7, 5, 17, 45);
  f.Time = LocalTime(1999, 1, 1, 9, 5, 59);
  const TAutoTask task = BuildTask(f);
  EXPECT_EQ(std::vector<int>({task.Year, task.Month, task.Day, task.Hour, task.Minute}),
            std::vector<int>({2100, 7, 5, 9, 5}));
  EXPECT_EQ(TaskRow(task), (TaskRowTexts{"Single", "00.07.05 09:05", "4"}));
}

class AutoTasksDialog : public ::testing::Test {
 protected:
  void SetUp() override { ResetPagesAndOptions(); }

  AutoTasksModel model;
  QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(AutoTasksDialog, LoadShowsThePageAndOkStoresItWithEveryLatchCleared) {
  AddTestPage(Mode::RangePing, "other");
  TPageCommon& page = AddTestPage(Mode::RangePing);
  TaskEditorFields f;
  f.Kind = ttEveryDay, f.EveryDayHour = "9", f.EveryDayMinute = "5";
  page.Tasks.fill(BuildTask(f));
  page.Tasks[0].Fired = page.Tasks[100 - 1].Fired = true;
  page.TaskCount = 150, page.EveryMinutes = -5, page.ResultFormat = 0, page.ExecPath = "/usr/bin/mail";
  page.StartEvery = page.ResultIpList = page.HideWindow = true, page.ResultWithReplys = false;

  model.LoadTasksFromPage(Mode::RangePing, 1);
  ASSERT_EQ(model.rowCount(), MaxTasks);
  EXPECT_EQ(model.index(99, 1).data().toString(), "09h:05m");
  AutomationControls shown;
  shown.StartEvery = shown.ResultIpList = shown.HideWindow = shown.ResultTxt = true;
  shown.EveryText = "-5", shown.ExecPath = "/usr/bin/mail";
  EXPECT_EQ(model.Controls(), shown);
  EXPECT_TRUE(page.Tasks[0].Fired);  // nothing written before "Ok"

  EXPECT_EQ(model.DeleteTask(0), 0);
  AutomationControls typed = shown;
  typed.EveryText = "abc";  // no integer: the loaded value stays
  typed.ResultTxt = false;
  typed.ExecPath = std::string(279, 'a') + "\xC3\xA9";  // the last character would end at byte 281
  typed.ExecParam = std::string("x\0y", 3);
  ASSERT_TRUE(model.StoreTasksToPage(typed));
  EXPECT_EQ(page.TaskCount, MaxTasks - 1);
  for (int i = 0; i < MaxTasks; ++i) EXPECT_EQ(page.Tasks[static_cast<std::size_t>(i)].Fired, i == 99) << i;
  EXPECT_EQ(std::tie(page.EveryMinutes, page.ResultFormat, page.ExecPath, page.ExecParam),
            std::make_tuple(-5, 1, std::string(279, 'a'), std::string("x")));
  EXPECT_FALSE(FitsExecText(typed.ExecPath));
  EXPECT_TRUE(FitsExecText(std::string(278, 'a') + "\xC3\xA9"));

  // A load of no page detaches the dialog: no rows, the controls keep what
  // they held, "Ok" stores nothing; nor into a page that took the index of
  // the deleted one the dialog was loaded from.
  model.LoadTasksFromPage(Mode::RangePing, 5);
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(model.Controls(), shown);
  EXPECT_FALSE(model.StoreTasksToPage({}));
  model.LoadTasksFromPage(Mode::RangePing, 0);
  RemovePage(RangePingRegistry, 0);
  EXPECT_FALSE(model.StoreTasksToPage({}));
  EXPECT_EQ(page.TaskCount, MaxTasks - 1);
}

TEST_F(AutoTasksDialog, AddStopsAtAHundredAndDeleteSelectsTheRowAbove) {
  TaskEditorFields f;
  f.Kind = ttEveryHour;
  for (int i = 0; i < MaxTasks; ++i) ASSERT_TRUE(model.AddTask((f.EveryHourMinute = std::to_string(i), f)));
  EXPECT_FALSE(model.AddTask(f));
  while (model.TaskCount() > 4) model.DeleteTask(4);
  EXPECT_EQ(model.DeleteTask(2), 1);
  EXPECT_EQ(model.index(2, 1).data().toString(), "03m");
  EXPECT_EQ(model.DeleteTask(0), 0);
  EXPECT_EQ(model.DeleteTask(7), -1);
  model.DeleteTask(0);
  EXPECT_EQ(model.DeleteTask(0), -1);
  EXPECT_EQ(model.rowCount(), 0);
}

}  // namespace
