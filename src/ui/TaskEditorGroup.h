#pragma once

#include <QGroupBox>

#include "automation/TaskEntries.h"

class QDateEdit;
class QLineEdit;
class QRadioButton;
class QTimeEdit;

// The entry editor of the "Auto tasks" dialog (the group "schedule"): one
// band per kind of entry, each with its radio button and its own fields, and
// the group "Custom retries" below. Choosing a kind enables nothing and
// disables nothing; "Add" reads only the chosen kind's fields. The editor
// keeps what was typed across openings of the dialog; only the two pickers
// go back to the present at every load.
class TaskEditorGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit TaskEditorGroup(QWidget* parent = nullptr);

  QRadioButton* RadioButtonSingle = nullptr;
  QDateEdit* DateTimePickerDate = nullptr;
  QTimeEdit* DateTimePickerTime = nullptr;
  QRadioButton* RadioButtonEveryHour = nullptr;
  QLineEdit* EditEveryHourMinute = nullptr;
  QRadioButton* RadioButtonEveryDay = nullptr;
  QLineEdit* EditEveryDayHour = nullptr;
  QLineEdit* EditEveryDayMinute = nullptr;
  QRadioButton* RadioButtonEveryWeek = nullptr;
  QLineEdit* EditEveryWeekDay = nullptr;
  QLineEdit* EditEveryWeekHour = nullptr;
  QLineEdit* EditEveryWeekMinute = nullptr;
  QRadioButton* RadioButtonEveryMonth = nullptr;
  QLineEdit* EditEveryMonthDay = nullptr;
  QLineEdit* EditEveryMonthHour = nullptr;
  QLineEdit* EditEveryMonthMinute = nullptr;
  QGroupBox* GroupBox2 = nullptr;  // "Custom retries"
  QRadioButton* RadioButtonRetries = nullptr;
  QLineEdit* EditRetries = nullptr;
  QRadioButton* RadioButtonMinutes = nullptr;
  QLineEdit* EditMinutes = nullptr;

  // The editor as the user left it; the kind is the first checked of
  // Single, Every hour, Every day, Every week, else Every month.
  TaskEditorFields Fields() const;
  // Both pickers to the present date and time.
  void ResetPickers();
};
