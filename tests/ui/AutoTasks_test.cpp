// The "Auto tasks" dialog's wiring: the tabs' buttons, its controls against
// the page's fields, the entry editor, the text limits and the keys.
#include <QDateEdit>
#include <QKeyEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <functional>

#include "WindowTest.h"
#include "automation/AutoTasksModel.h"
#include "ui/TaskEditorGroup.h"

namespace {

class AutoTasks : public WindowTest {
 protected:
  // Clicks the tab's "Auto tasks" button and runs `body` inside the modal
  // dialog; a body that leaves it open has it cancelled.
  void WhileOpen(Mode mode, const std::function<void(TFormAutoTasks&)>& body) {
    bool ran = false;
    QTimer::singleShot(0, &w(), [&] {
      ran = true;
      body(Tasks());
      if (Tasks().isVisible()) Tasks().reject();
    });
    Frame(mode).BitBtnTasks->click();
    EXPECT_TRUE(ran);
  }
};

TEST_F(AutoTasks, OpensOnTheTabsPageAndWritesItOnlyOnOk) {
  for (const Mode mode : {Mode::Ping, Mode::RangePing}) {
    TPageCommon& page = ShownPage(mode);
    page.ExecPath = "/opt/run me";
    page.TaskCount = 1;
    page.Tasks[0] = TAutoTask{.Day = 3, .Hour = 9, .Minute = 5, .Type = ttEveryWeek};
    for (QPushButton* TFormAutoTasks::*button : {&TFormAutoTasks::ButtonCancel, &TFormAutoTasks::ButtonOk})
      WhileOpen(mode, [&](TFormAutoTasks& d) {
        EXPECT_EQ(d.EditPath->text(), "/opt/run me");
        EXPECT_TRUE(d.RadioButtonResultCSV->isChecked());  // Cancel dropped the edits
        EXPECT_EQ(Column(*d.ListView1->model(), 1), QStringList{"03d 09h:05m"});
        d.EditEvery->setText("12");
        d.RadioButtonResultTxt->setChecked(true);
        d.EditParam->setText("\"%PATH\"");
        (d.*button)->click();
        EXPECT_EQ(page.ExecParam, button == &TFormAutoTasks::ButtonOk ? "\"%PATH\"" : "");
      });
    EXPECT_EQ(page.EveryMinutes, 12);
    EXPECT_EQ(page.ResultFormat, 0);
  }
}

TEST_F(AutoTasks, EachBoxShowsAndStoresItsOwnFlag) {
  TFormAutoTasks& d = Tasks();
  TPageCommon& page = ShownPage(Mode::Ping);
  QCheckBox* const boxes[] = {d.CheckBoxStartOnStartup, d.CheckBoxStartEvery,       d.CheckBoxStartSchedules,
                              d.CheckBoxSaveResult,     d.CheckBoxResultWithReplys, d.CheckBoxIpList,
                              d.CheckBoxExecute,        d.CheckBoxHideWindow};
  bool* const flags[] = {&page.StartOnStartup,   &page.StartEvery,   &page.StartSchedules, &page.SaveResult,
                         &page.ResultWithReplys, &page.ResultIpList, &page.ExecuteProgram, &page.HideWindow};
  for (std::size_t i = 0; i < std::size(boxes); ++i) {
    for (std::size_t k = 0; k < std::size(flags); ++k) *flags[k] = k == i;
    d.LoadTasksFromPage(Mode::Ping, 0);
    for (std::size_t k = 0; k < std::size(boxes); ++k) EXPECT_EQ(boxes[k]->isChecked(), k == i) << i;
    for (QCheckBox* box : boxes) box->toggle();
    d.ButtonOk->click();
    for (std::size_t k = 0; k < std::size(flags); ++k) EXPECT_EQ(*flags[k], k != i) << i;
  }
}

// While the dialog is open the schedules go on starting pages, and Enter
// and Escape press none of its buttons.
TEST_F(AutoTasks, WhileOpenSchedulesGoOnAndEnterAndEscapePressNothing) {
  w().FramePing1->EditHost->setText("127.0.0.1");
  w().FramePing1->EditRetries->setText("1");
  TPageCommon& page = ShownPage(Mode::Ping);
  page.StartEvery = true;
  page.EveryMinutes = 0;
  WhileOpen(Mode::Ping, [&](TFormAutoTasks& d) {
    const std::int32_t runId = page.RunId;
    EXPECT_TRUE(SpinUntil([&] { return page.RunId != runId; }));
    d.CheckBoxStartOnStartup->setChecked(true);
    for (QWidget* focus : std::initializer_list<QWidget*>{d.ButtonOk, d.EditParam, d.ListView1})
      for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        focus->setFocus();
        QTest::keyClick(focus, key);
        EXPECT_TRUE(d.isVisible()) << key;
      }
    EXPECT_FALSE(page.StartOnStartup);
    EXPECT_EQ(d.Tasks->TaskCount(), 0);
  });
}

TEST_F(AutoTasks, AddTakesTheChosenKindsOwnFieldsAndDeleteSelectsTheRowAbove) {
  TFormAutoTasks& d = Tasks();
  TaskEditorGroup& e = *d.GroupBox1;
  d.LoadTasksFromPage(Mode::Ping, 0);
  // Every edit gets a value of its own, so a field read from the wrong edit shows.
  const std::pair<QLineEdit*, const char*> edits[] = {
      {e.EditEveryHourMinute, "11"}, {e.EditEveryDayHour, "12"},   {e.EditEveryDayMinute, "13"},
      {e.EditEveryWeekDay, "5"},     {e.EditEveryWeekHour, "14"},  {e.EditEveryWeekMinute, "15"},
      {e.EditEveryMonthDay, "16"},   {e.EditEveryMonthHour, "17"}, {e.EditEveryMonthMinute, "18"},
      {e.EditRetries, "7"},          {e.EditMinutes, "30"}};
  for (const auto& [edit, text] : edits) edit->setText(text);
  e.DateTimePickerDate->setDate(QDate(2026, 12, 5));
  e.DateTimePickerTime->setTime(QTime(9, 5, 40));
  const struct {
    QRadioButton* kind;
    bool byMinutes;
    QStringList row;
  } cases[] = {
      {e.RadioButtonSingle, false, {"Single", "26.12.05 09:05", "7"}},
      {e.RadioButtonEveryHour, true, {"Every hour", "11m", "30m"}},
      {e.RadioButtonEveryDay, false, {"Every day", "12h:13m", "7"}},
      {e.RadioButtonEveryWeek, false, {"Every week", "05d 14h:15m", "7"}},
      {e.RadioButtonEveryMonth, false, {"Every month", "16d 17h:18m", "7"}},
  };
  for (const auto& c : cases) {
    c.kind->setChecked(true);
    (c.byMinutes ? e.RadioButtonMinutes : e.RadioButtonRetries)->setChecked(true);
    d.ButtonAdd->click();
    EXPECT_EQ(RowCells(*d.Tasks, d.Tasks->TaskCount() - 1), c.row);
  }

  Select(d.ListView1, 2);
  d.ButtonDel->click();
  EXPECT_EQ(Column(*d.Tasks), (QStringList{"Single", "Every hour", "Every week", "Every month"}));
  EXPECT_EQ(d.ListView1->selectionModel()->selectedRows(), QModelIndexList{d.Tasks->index(1, 0)});
}

// The kinds and the retries are two radio groups, though the retries box
// sits inside the kinds' group: clicking the chosen kind keeps it chosen,
// and the arrows move a choice only within its own group.
TEST_F(AutoTasks, KindsAndRetriesAreTwoRadioGroups) {
  WhileOpen(Mode::Ping, [&](TFormAutoTasks& d) {
    TaskEditorGroup& e = *d.GroupBox1;
    e.DateTimePickerDate->setDate(QDate(2026, 12, 5));
    e.DateTimePickerTime->setTime(QTime(9, 5));
    QTest::mouseClick(e.RadioButtonSingle, Qt::LeftButton);
    QTest::mouseClick(d.ButtonAdd, Qt::LeftButton);
    EXPECT_EQ(RowCells(*d.Tasks, 0), (QStringList{"Single", "26.12.05 09:05", "4"}));

    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    const struct {
      QRadioButton* from;
      Qt::Key key;
      QRadioButton* to;
    } moves[] = {
        {e.RadioButtonSingle, Qt::Key_Down, e.RadioButtonEveryHour},
        {e.RadioButtonEveryMonth, Qt::Key_Down, e.RadioButtonEveryMonth},  // the box below is another group
        {e.RadioButtonRetries, Qt::Key_Up, e.RadioButtonRetries},
        {e.RadioButtonRetries, Qt::Key_Down, e.RadioButtonMinutes},
    };
    for (const auto& m : moves) {
      m.from->setChecked(true);
      m.from->setFocus();
      QTest::keyClick(m.from, m.key);
      EXPECT_EQ(QApplication::focusWidget(), m.to) << m.from->text().toStdString() << " " << m.key;
      EXPECT_TRUE(m.to->isChecked()) << m.from->text().toStdString() << " " << m.key;
    }
    EXPECT_TRUE(e.RadioButtonEveryMonth->isChecked());  // choosing a retry kind left the kind alone
  });
}

// The window and the dialog in a font twice the size, as on a desk at 200%:
// on this platform's screen the dialog then scrolls both ways.
class AutoTasksInALargeFont : public AutoTasks {
 protected:
  AutoTasksInALargeFont() { startWindow_ = false; }
  void SetUp() override {
    QFont large = normal_;
    large.setPointSizeF(normal_.pointSizeF() * 2);
    QApplication::setFont(large);
    AutoTasks::SetUp();
    Start();
  }
  void TearDown() override {
    AutoTasks::TearDown();
    QApplication::setFont(normal_);
  }
  const QFont normal_ = QApplication::font();
};

// Focus that comes into the scrolled body from Ok or Cancel shows its
// control whole, and each opening shows the body from its top left, though
// the last was left scrolled to its bottom right, with the focus in the
// body (the close box) or on Cancel.
TEST_F(AutoTasksInALargeFont, FocusComingIntoTheBodyIsInSightAndEachOpeningStartsAtTheTopLeft) {
  TFormAutoTasks& d = Tasks();
  const auto* scroll = d.findChild<QScrollArea*>();
  ASSERT_TRUE(scroll);
  QScrollBar* const bars[] = {scroll->horizontalScrollBar(), scroll->verticalScrollBar()};
  const auto toBottomRight = [&] {
    for (QScrollBar* bar : bars) bar->setValue(bar->maximum());
  };
  const auto opensAtTopLeft = [&] {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    for (QScrollBar* bar : bars) {
      ASSERT_GT(bar->maximum(), 0);
      EXPECT_EQ(bar->value(), 0);
    }
  };
  const struct {
    const char* what;
    bool atBottom;
    QPushButton* from;
    Qt::Key key;
    QWidget* to;
    bool byCloseBox;
  } entries[] = {
      {"Shift+Tab from Ok", false, d.ButtonOk, Qt::Key_Backtab, d.EditParam, true},
      {"Tab from Cancel", true, d.ButtonCancel, Qt::Key_Tab, d.CheckBoxStartOnStartup, false},
  };
  for (const auto& e : entries)
    WhileOpen(Mode::Ping, [&](TFormAutoTasks&) {
      SCOPED_TRACE(e.what);
      ASSERT_NO_FATAL_FAILURE(opensAtTopLeft());
      if (e.atBottom) toBottomRight();
      e.from->setFocus();
      QTest::keyClick(e.from, e.key);
      ASSERT_EQ(QApplication::focusWidget(), e.to);
      const QRect place(e.to->mapTo(scroll->viewport(), QPoint()), e.to->size());
      EXPECT_TRUE(scroll->viewport()->rect().contains(place)) << testing::PrintToString(place);
      toBottomRight();
      if (e.byCloseBox)
        d.close();
      else
        QTest::mouseClick(d.ButtonCancel, Qt::LeftButton);
      EXPECT_FALSE(d.isVisible());
    });
  WhileOpen(Mode::RangePing, [&](TFormAutoTasks&) { opensAtTopLeft(); });
}

TEST_F(AutoTasks, PathAndCommandLineRefuseMoreBytesThanThePageFileKeeps) {
  TFormAutoTasks& d = Tasks();
  for (QLineEdit* edit : {d.EditPath, d.EditParam}) {
    const QString full(279, u'a');
    edit->setText(full);
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("é"));
    QCoreApplication::sendEvent(edit, &typed);  // two bytes: one too many
    EXPECT_EQ(edit->text(), full);
    QTest::keyClicks(edit, "bc");
    EXPECT_EQ(edit->text(), full + "b");
  }
  // The program chooser opens at the path's folder and refuses a path it would have to cut.
  QString start, chosen = "/usr/bin/" + QString(272, u'x');  // 281 bytes
  d.SetProgramChooser([&](QWidget*, const QString& folder, const QString& name) {
    start = folder + "|" + name;
    return chosen;
  });
  d.EditPath->setText("/opt/tools/run.sh");
  d.Button3->click();
  EXPECT_EQ(start, "/opt/tools|run.sh");
  EXPECT_EQ(d.EditPath->text(), "/opt/tools/run.sh");
  chosen.chop(1);
  d.Button3->click();
  EXPECT_EQ(d.EditPath->text(), chosen);
}

}  // namespace
