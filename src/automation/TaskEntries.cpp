#include "automation/TaskEntries.h"

#include "pages/EditorNumbers.h"
#include "pages/RowTexts.h"
#include "pages/TextHelpers.h"

namespace {

std::uint16_t Field(const std::string& text, std::int32_t fallback, std::int32_t low, std::int32_t high) {
  return static_cast<std::uint16_t>(EditorInt(text, fallback, low, high));
}

std::string DayHourMinute(const TAutoTask& task) {
  return TwoDigits(task.Day) + "d " + TwoDigits(task.Hour) + "h:" + TwoDigits(task.Minute) + "m";
}

}  // namespace

TaskRowTexts TaskRow(const TAutoTask& task) {
  TaskRowTexts row;
  switch (task.Type) {
    case ttSingle:
      row.Type = "Single";
      row.Time = TwoDigits(task.Year % 100u) + "." + TwoDigits(task.Month) + "." + TwoDigits(task.Day) + " " +
                 TwoDigits(task.Hour) + ":" + TwoDigits(task.Minute);
      break;
    case ttEveryHour:
      row.Type = "Every hour";
      row.Time = TwoDigits(task.Minute) + "m";
      break;
    case ttEveryDay:
      row.Type = "Every day";
      row.Time = TwoDigits(task.Hour) + "h:" + TwoDigits(task.Minute) + "m";
      break;
    case ttEveryWeek:
      row.Type = "Every week";
      row.Time = DayHourMinute(task);
      break;
    default:
      row.Type = "Every month";
      row.Time = DayHourMinute(task);
      break;
  }
  row.Retries = IntToStrA(task.Value) + (task.ByMinutes ? "m" : "");
  return row;
}

TAutoTask BuildTask(const TaskEditorFields& f) {
  TAutoTask task;
  task.Year = task.Month = task.Day = task.Hour = task.Minute = 0;
  switch (f.Kind) {
    case ttSingle:
      task.Type = ttSingle;
      task.Year = f.Date.Year;
      task.Month = f.Date.Month;
      task.Day = f.Date.Day;
      task.Hour = f.Time.Hour;
      task.Minute = f.Time.Minute;
      break;
    case ttEveryHour:
      task.Type = ttEveryHour;
      task.Minute = Field(f.EveryHourMinute, 0, 0, 59);
      break;
    case ttEveryDay:
      task.Type = ttEveryDay;
      task.Minute = Field(f.EveryDayMinute, 0, 0, 59);
      task.Hour = Field(f.EveryDayHour, 0, 0, 23);
      break;
    case ttEveryWeek:
      task.Type = ttEveryWeek;
      task.Minute = Field(f.EveryWeekMinute, 0, 0, 59);
      task.Hour = Field(f.EveryWeekHour, 0, 0, 23);
      task.Day = Field(f.EveryWeekDay, 1, 1, 7);
      break;
    default:
      task.Type = ttEveryMonth;
      task.Minute = Field(f.EveryMonthMinute, 0, 0, 59);
      task.Hour = Field(f.EveryMonthHour, 0, 0, 23);
      task.Day = Field(f.EveryMonthDay, 1, 1, 31);
      break;
  }
  task.Fired = false;
  task.ByMinutes = f.ByMinutes;
  task.Value = f.ByMinutes ? EditorInt(f.Minutes, 1, 1, 60'000) : EditorInt(f.Retries, 4, 1, 999'999);
  return task;
}
