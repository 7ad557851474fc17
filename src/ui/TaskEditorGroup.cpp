#include "ui/TaskEditorGroup.h"

#include <QDateEdit>
#include <QDateTime>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "ui/FocusOrder.h"
#include "ui/frames/EditorBytes.h"

namespace {

constexpr int BandEditWidth = 30;
constexpr int RetriesEditWidth = 45;

QLineEdit* BandEdit(const char* text, QWidget* parent) {
  auto* edit = new QLineEdit(QString::fromLatin1(text), parent);
  edit->setFixedWidth(BandEditWidth);
  return edit;
}

QLineEdit* RetriesEdit(const char* text, QWidget* parent) {
  auto* edit = new QLineEdit(QString::fromLatin1(text), parent);
  edit->setFixedWidth(RetriesEditWidth);
  edit->setMaxLength(6);
  return edit;
}

QFrame* BandLine(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

// One field of a band: its label above it, and beside it what explains it.
QVBoxLayout* Labelled(const QString& label, std::initializer_list<QWidget*> field, QWidget* parent) {
  auto* column = new QVBoxLayout;
  column->addWidget(new QLabel(label, parent));
  auto* line = new QHBoxLayout;
  for (QWidget* widget : field) line->addWidget(widget);
  line->addStretch(1);
  column->addLayout(line);
  return column;
}

}  // namespace

TaskEditorGroup::TaskEditorGroup(QWidget* parent) : QGroupBox(QStringLiteral("schedule"), parent) {
  RadioButtonSingle = new QRadioButton(QStringLiteral("Single"), this);
  RadioButtonSingle->setChecked(true);
  DateTimePickerDate = new QDateEdit(this);
  DateTimePickerDate->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
  DateTimePickerDate->setCalendarPopup(true);
  DateTimePickerTime = new QTimeEdit(this);
  DateTimePickerTime->setDisplayFormat(QStringLiteral("HH:mm"));
  RadioButtonEveryHour = new QRadioButton(QStringLiteral("Every hour"), this);
  EditEveryHourMinute = BandEdit("0", this);
  RadioButtonEveryDay = new QRadioButton(QStringLiteral("Every day"), this);
  EditEveryDayHour = BandEdit("0", this);
  EditEveryDayMinute = BandEdit("0", this);
  RadioButtonEveryWeek = new QRadioButton(QStringLiteral("Every week"), this);
  EditEveryWeekDay = BandEdit("1", this);
  EditEveryWeekHour = BandEdit("0", this);
  EditEveryWeekMinute = BandEdit("0", this);
  RadioButtonEveryMonth = new QRadioButton(QStringLiteral("Every month"), this);
  EditEveryMonthDay = BandEdit("1", this);
  EditEveryMonthHour = BandEdit("0", this);
  EditEveryMonthMinute = BandEdit("0", this);

  GroupBox2 = new QGroupBox(QStringLiteral("Custom retries"), this);
  RadioButtonRetries = new QRadioButton(QStringLiteral("Retries:"), GroupBox2);
  RadioButtonRetries->setChecked(true);
  EditRetries = RetriesEdit("4", GroupBox2);
  RadioButtonMinutes = new QRadioButton(QStringLiteral("Retries, minutes:"), GroupBox2);
  EditMinutes = RetriesEdit("1", GroupBox2);
  auto* retries = new QGridLayout(GroupBox2);
  retries->addWidget(RadioButtonRetries, 0, 0);
  retries->addWidget(EditRetries, 0, 1);
  retries->addWidget(RadioButtonMinutes, 1, 0);
  retries->addWidget(EditMinutes, 1, 1);
  retries->setColumnStretch(2, 1);
  // The retries box sits inside this group: the kinds and the retries are
  // two radio groups only when each is made one.
  MakeRadioGroup(this, {RadioButtonSingle, RadioButtonEveryHour, RadioButtonEveryDay, RadioButtonEveryWeek,
                        RadioButtonEveryMonth});
  MakeRadioGroup(GroupBox2, {RadioButtonRetries, RadioButtonMinutes});

  const QString minuteOfHour = QStringLiteral("Minute of hour (0..59):");
  const QString hourOfDay = QStringLiteral("Hour of day (0..23):");
  auto* bands = new QGridLayout(this);
  int row = 0;
  auto band = [&](QRadioButton* kind, std::initializer_list<QLayout*> fields) {
    if (row > 0) bands->addWidget(BandLine(this), row++, 0, 1, 2);
    bands->addWidget(kind, row, 0, Qt::AlignTop);
    auto* line = new QHBoxLayout;
    for (QLayout* field : fields) line->addLayout(field);
    line->addStretch(1);
    bands->addLayout(line, row++, 1);
  };
  band(RadioButtonSingle, {Labelled(QStringLiteral("Date:"), {DateTimePickerDate}, this),
                           Labelled(QStringLiteral("Time:"), {DateTimePickerTime}, this)});
  band(RadioButtonEveryHour, {Labelled(minuteOfHour, {EditEveryHourMinute}, this)});
  band(RadioButtonEveryDay,
       {Labelled(hourOfDay, {EditEveryDayHour}, this), Labelled(minuteOfHour, {EditEveryDayMinute}, this)});
  // The number a week day is stored as says nothing by itself: say which
  // day 1 stands for, as the scheduler counts them.
  band(RadioButtonEveryWeek,
       {Labelled(QStringLiteral("Day of week (1..7):"),
                 {EditEveryWeekDay, new QLabel(QStringLiteral("1 = Monday"), this)}, this),
        Labelled(hourOfDay, {EditEveryWeekHour}, this), Labelled(minuteOfHour, {EditEveryWeekMinute}, this)});
  band(RadioButtonEveryMonth, {Labelled(QStringLiteral("Day of month (1..31)"), {EditEveryMonthDay}, this),
                               Labelled(hourOfDay, {EditEveryMonthHour}, this),
                               Labelled(minuteOfHour, {EditEveryMonthMinute}, this)});
  bands->addWidget(GroupBox2, row, 0, 1, 2);

  ResetPickers();
}

TaskEditorFields TaskEditorGroup::Fields() const {
  TaskEditorFields f;
  f.Kind = RadioButtonSingle->isChecked()      ? ttSingle
           : RadioButtonEveryHour->isChecked() ? ttEveryHour
           : RadioButtonEveryDay->isChecked()  ? ttEveryDay
           : RadioButtonEveryWeek->isChecked() ? ttEveryWeek
                                               : ttEveryMonth;
  const QDate date = DateTimePickerDate->date();
  f.Date.Year = static_cast<std::uint16_t>(date.year());
  f.Date.Month = static_cast<std::uint16_t>(date.month());
  f.Date.Day = static_cast<std::uint16_t>(date.day());
  const QTime time = DateTimePickerTime->time();
  f.Time.Hour = static_cast<std::uint16_t>(time.hour());
  f.Time.Minute = static_cast<std::uint16_t>(time.minute());
  f.EveryHourMinute = EditorText(EditEveryHourMinute);
  f.EveryDayHour = EditorText(EditEveryDayHour);
  f.EveryDayMinute = EditorText(EditEveryDayMinute);
  f.EveryWeekDay = EditorText(EditEveryWeekDay);
  f.EveryWeekHour = EditorText(EditEveryWeekHour);
  f.EveryWeekMinute = EditorText(EditEveryWeekMinute);
  f.EveryMonthDay = EditorText(EditEveryMonthDay);
  f.EveryMonthHour = EditorText(EditEveryMonthHour);
  f.EveryMonthMinute = EditorText(EditEveryMonthMinute);
  f.Retries = EditorText(EditRetries);
  f.Minutes = EditorText(EditMinutes);
  f.ByMinutes = RadioButtonMinutes->isChecked();
  return f;
}

void TaskEditorGroup::ResetPickers() {
  const QDateTime now = QDateTime::currentDateTime();
  DateTimePickerDate->setDate(now.date());
  DateTimePickerTime->setTime(now.time());
}
