#include "automation/AutoTasksModel.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>

#include "AutomationTestSupport.h"
#include "pages/PageOperations.h"

namespace {

TEST(TaskEditor, EntriesAreBroughtIntoRangeAndShownAsRows) {
  // The day, hour and minute texts go to the kind's own edits; a null
  // minutes text means "Retries:" is chosen.
  struct Case {
    std::uint8_t kind;
    const char *day, *hour, *minute, *retries, *minutes;
    TaskRowTexts row;
  } cases[] = {
      {ttEveryHour, "", "", "75", "4", nullptr, {"Every hour", "59m", "4"}},
      {ttEveryHour, "", "", "abc", "0", nullptr, {"Every hour", "00m", "1"}},
      {ttEveryHour, "", "", "-1", "abc", nullptr, {"Every hour", "00m", "4"}},
      {ttEveryDay, "", "24", "60", "5000000", nullptr, {"Every day", "23h:59m", "999999"}},
      {ttEveryDay, "", "9", "5", "77", "99999", {"Every day", "09h:05m", "60000m"}},
      {ttEveryWeek, "0", "", "", "4", "", {"Every week", "01d 00h:00m", "1m"}},
      {ttEveryWeek, "9", "65536", "3", "4", nullptr, {"Every week", "07d 23h:03m", "4"}},
      {ttEveryMonth, "40", "7", "0", "4", "30", {"Every month", "31d 07h:00m", "30m"}},
      {9, "2", "1", "1", "4", nullptr, {"Every month", "02d 01h:01m", "4"}},
  };
  for (const Case& c : cases) {
    TaskEditorFields f;
    f.Kind = c.kind;
    f.EveryHourMinute = f.EveryDayMinute = f.EveryWeekMinute = f.EveryMonthMinute = c.minute;
    f.EveryDayHour = f.EveryWeekHour = f.EveryMonthHour = c.hour;
    f.EveryWeekDay = f.EveryMonthDay = c.day;
    f.Retries = c.retries;
    f.ByMinutes = c.minutes != nullptr;
    f.Minutes = c.minutes ? c.minutes : "12";
    const TAutoTask task = BuildTask(f);
    EXPECT_EQ(TaskRow(task), c.row) << c.row.Time;
    EXPECT_FALSE(task.Fired);
  }
}

TEST(TaskEditor, SingleTakesThePickersAndShowsItsYearInTheCentury) {
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
  f.Kind = ttEveryDay;
  f.EveryDayHour = "9";
  f.EveryDayMinute = "5";
  page.Tasks.fill(BuildTask(f));
  page.Tasks[0].Fired = page.Tasks[100 - 1].Fired = true;
  page.TaskCount = 150;
  page.EveryMinutes = -5;
  page.ResultFormat = 0;
  page.StartEvery = page.ResultIpList = page.HideWindow = true;
  page.ResultWithReplys = false;
  page.ExecPath = "/usr/bin/mail";

  model.LoadTasksFromPage(Mode::RangePing, 1);
  ASSERT_EQ(model.rowCount(), MaxTasks);
  EXPECT_EQ(model.index(99, 1).data().toString(), "09h:05m");
  AutomationControls shown;
  shown.StartEvery = shown.ResultIpList = shown.HideWindow = shown.ResultTxt = true;
  shown.EveryText = "-5";
  shown.ExecPath = "/usr/bin/mail";
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
  EXPECT_EQ(page.EveryMinutes, -5);
  EXPECT_EQ(page.ResultFormat, 1);
  EXPECT_EQ(page.ExecPath, std::string(279, 'a'));
  EXPECT_EQ(page.ExecParam, "x");
  EXPECT_FALSE(FitsExecText(typed.ExecPath));
  EXPECT_TRUE(FitsExecText(std::string(278, 'a') + "\xC3\xA9"));
}

TEST_F(AutoTasksDialog, ADetachedDialogOrAPageDeletedMeanwhileGetsNothing) {
  TPageCommon& first = AddTestPage(Mode::Ping, "first");
  first.TaskCount = 1;
  first.ExecPath = "/bin/true";
  TPageCommon& second = AddTestPage(Mode::Ping, "second");
  model.LoadTasksFromPage(Mode::Ping, 0);
  model.LoadTasksFromPage(Mode::Ping, 5);
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(model.Controls().ExecPath, "/bin/true");  // the controls keep what they held
  EXPECT_FALSE(model.StoreTasksToPage({}));
  EXPECT_EQ(first.TaskCount, 1);

  model.LoadTasksFromPage(Mode::Ping, 0);
  RemovePage(PingRegistry, 0);
  EXPECT_FALSE(model.StoreTasksToPage({}));
  EXPECT_EQ(second.ExecPath, "");
}

TEST_F(AutoTasksDialog, AddStopsAtAHundredAndDeleteSelectsTheRowAbove) {
  TaskEditorFields f;
  f.Kind = ttEveryHour;
  for (int i = 0; i < MaxTasks; ++i) {
    f.EveryHourMinute = std::to_string(i);
    ASSERT_TRUE(model.AddTask(f));
  }
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
