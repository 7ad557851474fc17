#pragma once

#include <string>

#include "pages/PageTypes.h"
#include "platform/SystemTime.h"

// Schedule entries as the "Auto tasks" dialog shows and builds them.

// The three texts of an entry's row: "Type", "Time" and "Retries".
struct TaskRowTexts {
  std::string Type;
  std::string Time;
  std::string Retries;

  friend bool operator==(const TaskRowTexts&, const TaskRowTexts&) = default;
};

// Numbers below 10 get a leading "0"; a Single entry shows its year within
// the century; a type beyond the known ones shows as "Every month".
TaskRowTexts TaskRow(const TAutoTask& task);

// The entry editor as the user left it: the kind chosen, the two pickers,
// the texts of the number edits and the retries choice. The defaults are
// those the editor opens with.
struct TaskEditorFields {
  std::uint8_t Kind = ttSingle;  // beyond ttEveryWeek: Every month
  SystemTime Date;               // Year, Month and Day are used
  SystemTime Time;               // Hour and Minute are used
  std::string EveryHourMinute = "0";
  std::string EveryDayHour = "0";
  std::string EveryDayMinute = "0";
  std::string EveryWeekDay = "1";  // 1 = Monday ... 7 = Sunday
  std::string EveryWeekHour = "0";
  std::string EveryWeekMinute = "0";
  std::string EveryMonthDay = "1";
  std::string EveryMonthHour = "0";
  std::string EveryMonthMinute = "0";
  std::string Retries = "4";
  std::string Minutes = "1";
  bool ByMinutes = false;  // "Retries, minutes:" chosen
};

// The entry "Add" makes of the editor, armed. Only the kind's own fields
// are read; a text that is not a number gives the field's fallback (minute
// and hour 0, day 1, retries 4, minutes 1), which is then brought into range:
// minute 0..59, hour 0..23, week day 1..7, day of month 1..31, retries
// 1..999999, minutes 1..60000. Fields the kind does not use stay 0.
TAutoTask BuildTask(const TaskEditorFields& fields);
