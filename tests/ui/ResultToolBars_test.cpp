// The result tool bars of the five tabs: which clicks open the window's save
// dialog with which name and type, what is written for the answer, the
// question before a file is replaced, and Clear result. A saved file is
// compared with what the writer makes of the same page: the report bytes and
// names themselves belong to the report tests.

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <optional>

#include "OwnDisplay.h"
#include "WindowTest.h"
#include "pages/Settings.h"
#include "platform/FileIo.h"
#include "reports/ReportNames.h"
#include "reports/ReportWriters.h"

namespace {

using F = TModeFrame;
using Button = QAction* F::*;
const std::vector<Record> Rows = {{0, "10.0.0.1"}, {1, "10.0.0.2"}, {0, "10.0.0.3"}};
const QString Txt = "TXT files (*.txt)", Csv = "CSV files (*.csv)";

// The name the dialog offers for page 0 of the tab: its page report with
// this infix, or with none the report of its host 0.
std::string OfferedName(Mode mode, const char* infix) {
  return infix ? PageReportName(mode, 0, infix) : HostReportName(mode, 0, 0);
}

class ToolBars : public WindowTest {
 protected:
  std::string Read(const std::string& name) const {
    return ReadFilePrefix(Folder() + "/" + name, 1 << 20).value_or("<none>");
  }
  // The file holds what the page writer (host < 0) or the host writer gives.
  void ExpectReport(const std::string& name, Mode mode, bool csv, int reportMode, int host = -1) {
    const std::string expected = Folder() + "/expected";
    ASSERT_TRUE((host < 0 ? SavePageReport(mode, csv, expected, 0, reportMode)
                          : SaveHostReport(mode, csv, expected, 0, host))
                    .ok());
    EXPECT_EQ(Read(name), Read("expected")) << name;
  }
};

TEST_F(ToolBars, SaveButtonsAskForTheirNameInTheTypeChosenLastAndWriteTheHostSelectedLast) {
  const struct {
    Mode mode;
    Button button;
    std::optional<SaveFileAnswer> answer;  // none: cancelled
    const char* infix;                     // null: the selected host's report
    std::string written;
    int reportMode;
  } cases[] = {
      {Mode::Ping, &F::ToolButton1, {{"r1", 1}}, "_", "r1.txt", rmResult},
      {Mode::MultiPing, &F::ToolButton2, {{"r2.CSV", 1}}, "_replys_", "r2.CSV", rmWithReplies},
      {Mode::RangePing, &F::ToolButton6, {{"r3", 2}}, "_iplist_", "r3.csv", rmIpList},
      {Mode::Traceroute, &F::ToolButton2, {{"r4.txt", 2}}, "_replys_", "r4.txt", rmWithReplies},
      {Mode::PathPing, &F::ToolButton1, std::nullopt, "_", "", rmResult},
      {Mode::Ping, &F::ToolButton4, {{"h1", 1}}, nullptr, "h1.txt", -1},
      {Mode::RangePing, &F::ToolButton4, {{"h2.Txt", 2}}, nullptr, "h2.Txt", -1},
  };
  // The user: notes what the dialog offers, selects row 2 of the tab
  // meanwhile and gives the case's answer; no case, no dialog.
  const std::remove_extent_t<decltype(cases)>* open = nullptr;
  bool queued = false;
  QStringList offered;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    if (!open) {
      ADD_FAILURE() << "a dialog without a report to save";
      return dialog->reject();
    }
    EXPECT_TRUE(queued) << "the dialog opened before the events queued ahead of it";
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    offered << dialog->selectedFiles().value(0) << dialog->selectedNameFilter();
    ShownPage(open->mode).SelectedHost = 2;
    const std::optional<SaveFileAnswer> answer = std::exchange(open, nullptr)->answer;
    if (!answer) return dialog->reject();
    dialog->selectNameFilter(answer->filterIndex == 2 ? Csv : Txt);
    dialog->findChild<QLineEdit*>("fileNameEdit")
        ->setText(QString::fromStdString(Folder() + "/") + answer->fileName);
    static_cast<QDialog*>(dialog)->accept();  // as its Save button does
  });
  user.start(5);
  QString type = Txt;
  for (const auto& c : cases) {
    GiveResult(c.mode, 0, Rows);
    open = &c;
    offered.clear();
    queued = false;
    QMetaObject::invokeMethod(
        &w(), [&] { queued = !QApplication::activeModalWidget(); }, Qt::QueuedConnection);
    (Frame(c.mode).*c.button)->trigger();
    // A host report is proposed under the host selected at the click.
    const QString name = QString::fromStdString(OfferedName(c.mode, c.infix));
    EXPECT_EQ(offered, (QStringList{name + (type == Csv ? ".csv" : ".txt"), type}));
    if (!c.answer) continue;
    ExpectReport(c.written, c.mode, c.answer->filterIndex == 2, c.reportMode, c.infix ? -1 : 2);
    type = c.answer->filterIndex == 2 ? Csv : Txt;
  }
  // No dialog without a result, nor for a host that did not answer.
  GiveResult(Mode::MultiPing, 0, Rows, 1);
  Frame(Mode::MultiPing).ToolButton4->trigger();
  ShownPage(Mode::MultiPing).ResultState = psPending;
  Frame(Mode::MultiPing).ToolButton1->trigger();
  // The six reports saved and the last one the writer made for comparison.
  EXPECT_EQ(QDir(QString::fromStdString(Folder())).entryList(QDir::Files).size(), 7);
}

// Qt's own dialog replaces what follows the last dot of the name when the
// type changes; addresses and page names have dots of their own. The user
// switches the type and saves the name as offered.
TEST_F(ToolBars, ChangingTheTypeKeepsTheWholeOfferedName) {
  GlobalOptions.ResultFolder = Folder() + "/";
  GiveResult(Mode::Ping, 0, {{0, "127.0.0.1"}});
  GiveResult(Mode::MultiPing, 0, Rows);
  ShownPage(Mode::MultiPing).Name = "www.example.com";
  const struct {
    Mode mode;
    Button button;
    const char* infix;  // null: the selected host's report
    int reportMode;
    std::function<void(QComboBox&)> switchType;
    bool csv;
  } cases[] = {
      {Mode::Ping, &F::ToolButton4, nullptr, -1, [](QComboBox& c) { QTest::keyClick(&c, Qt::Key_Down); },
       true},
      {Mode::MultiPing, &F::ToolButton2, "_replys_", rmWithReplies,
       [](QComboBox& c) { QTest::keyClick(&c, Qt::Key_Up); }, false},
      // A dialog that leaves the name alone when the type changes.
      {Mode::MultiPing, &F::ToolButton1, "_", rmResult, [](QComboBox& c) { c.setCurrentIndex(1); }, true},
  };
  const std::remove_extent_t<decltype(cases)>* open = nullptr;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog || !open) return;
    std::exchange(open, nullptr)->switchType(*dialog->findChild<QComboBox*>("fileTypeCombo"));
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
  });
  user.start(5);
  for (const auto& c : cases) {
    open = &c;
    (Frame(c.mode).*c.button)->trigger();
    ExpectReport(OfferedName(c.mode, c.infix).substr(Folder().size() + 1) + (c.csv ? ".csv" : ".txt"), c.mode,
                 c.csv, c.reportMode, c.infix ? -1 : 0);
  }
}

// Options take a result folder that does not exist; the user saves the name
// offered. Root writes anywhere: a file stands where a folder should be.
TEST_F(ToolBars, AMissingResultFolderIsMadeAndAFailedSaveSaysWhichFileAndWhy) {
  ASSERT_TRUE(WriteFileAtomically(Folder() + "/file", "").ok());
  const struct {
    const char* folder;
    Mode mode;
    Button button;
    const char* infix;  // null: the selected host's report
    bool written;
  } cases[] = {
      // First into a folder that exists, which the dialog then shows.
      {"/Results/", Mode::MultiPing, &F::ToolButton1, "_", true},
      {"/made/deeper/", Mode::RangePing, &F::ToolButton6, "_iplist_", true},
      {"/file/sub/", Mode::Ping, &F::ToolButton1, "_", false},
      {"/file/sub/", Mode::Traceroute, &F::ToolButton4, nullptr, false},
  };
  // The user saves under the name the dialog offers.
  const auto save = [](QWidget& modal) {
    if (auto* dialog = qobject_cast<QFileDialog*>(&modal))
      dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
  };
  const QString why = "cannot create " + QString::fromStdString(Folder()) + "/file/sub: Not a directory";
  for (const auto& c : cases) {
    GlobalOptions.ResultFolder = Folder() + c.folder;
    GiveResult(c.mode, 0, Rows);
    const QStringList told = MessagesOf([&] { (Frame(c.mode).*c.button)->trigger(); }, {}, save);
    const std::string file = OfferedName(c.mode, c.infix) + ".txt";
    EXPECT_EQ(ReadFilePrefix(file, 1 << 20).has_value(), c.written) << file;
    EXPECT_EQ(told, c.written ? QStringList()
                              : QStringList("The report could not be saved to " +
                                            QString::fromStdString(file) + ":\n" + why));
  }
}

// The real dialog on an X server: the user picks the type with the arrow
// keys, types each name of the case into the name box and presses Return;
// when the names run out, Escape. A question about replacing a file is
// answered by a click, and "No" brings the dialog back. The folder holds the
// user's own notes.txt and notes.csv, and a folder named folder.txt.
TEST_F(ToolBars, AFileThatExistsIsReplacedOnlyWhenTheUserSaysSo) {
  if (!OnOwnDisplay()) return;
  GlobalOptions.ResultFolder = Folder() + "/";
  GiveResult(Mode::Ping, 0, Rows);
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Folder() + "/folder.txt")));
  const auto path = [&](const char* name) { return QString::fromStdString(Folder() + "/") + name; };
  const auto asked = [&](const char* name) {
    return path(name) + " already exists.\nDo you want to replace it?";
  };
  const struct {
    bool csv;
    std::vector<const char*> names;
    std::vector<bool> replace;  // the answers to the questions, in order
    QStringList told;
    const char* written;  // the report's file; null: none
  } cases[] = {
      {false, {"notes.txt"}, {false}, {asked("notes.txt")}, nullptr},
      {false, {"notes"}, {true}, {asked("notes.txt")}, "notes.txt"},
      // The extension the type puts on is asked about too.
      {true, {"notes", "fresh"}, {false}, {asked("notes.csv")}, "fresh.csv"},
      {true, {"notes", "notes"}, {false, true}, {asked("notes.csv"), asked("notes.csv")}, "notes.csv"},
      {true, {"new"}, {}, {}, "new.csv"},
      // Not a file to replace: the writer refuses it and says so.
      {false,
       {"folder"},
       {},
       {"The report could not be saved to " + path("folder.txt") + ":\n" + path("folder.txt") +
        " is not a regular file"},
       nullptr},
  };
  const std::remove_extent_t<decltype(cases)>* open = nullptr;
  std::size_t typed = 0, answered = 0;
  const auto answer = [&](QMessageBox& box) {
    QAbstractButton* button = box.button(QMessageBox::Ok);
    if (!button) {
      const bool yes = answered < open->replace.size() && open->replace[answered];
      button = box.button(yes ? QMessageBox::Yes : QMessageBox::No), ++answered;
    }
    QTest::mouseClick(button, Qt::LeftButton);
  };
  // Set while the dialog waits for the focus, which comes soon after it is
  // shown; a test that waited for ever would end with no reason given.
  std::optional<QDeadlineTimer> focusDue;
  const auto type = [&](QWidget& modal) {
    auto* dialog = qobject_cast<QFileDialog*>(&modal);
    if (!dialog) return;
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    if (typed == open->names.size()) return QTest::keyClick(name, Qt::Key_Escape);
    // As a user's keys, they go to the box that has the focus.
    if (QApplication::focusWidget() != name) {
      if (!focusDue) focusDue = QDeadlineTimer(3000);
      if (!focusDue->hasExpired()) return;
      focusDue.reset();
      ADD_FAILURE() << "the name box never got the focus";
      return dialog->reject();
    }
    focusDue.reset();
    QTest::keyClick(dialog->findChild<QComboBox*>("fileTypeCombo"), open->csv ? Qt::Key_Down : Qt::Key_Up);
    QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(name, open->names[typed++]);
    QTest::keyClick(name, Qt::Key_Return);
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(WriteFileAtomically(Folder() + "/notes.txt", "my notes\n").ok());
    ASSERT_TRUE(WriteFileAtomically(Folder() + "/notes.csv", "my,notes\n").ok());
    open = &c, typed = answered = 0;
    EXPECT_EQ(MessagesOf([&] { Frame(Mode::Ping).ToolButton1->trigger(); }, answer, type), c.told);
    EXPECT_EQ(answered, c.replace.size());
    if (c.written) ExpectReport(c.written, Mode::Ping, c.csv, rmResult);
    // The user's notes are as they were, unless the case replaced them.
    for (const auto& [notes, mine] : {std::pair{"notes.txt", "my notes\n"}, {"notes.csv", "my,notes\n"}}) {
      if (!c.written || c.written != std::string(notes)) {
        EXPECT_EQ(Read(notes), mine) << notes;
      }
    }
  }
}

TEST_F(ToolBars, ClearResultStopsTheRunAndClearsItButMultiPingKeepsItsHosts) {
  for (const Mode mode : AllModes) {
    TPageCommon& page = GiveResult(mode, 0, Rows);
    w().Views().ForMode(mode).ShowPage(0, false, false);
    ASSERT_EQ(Frame(mode).Replies->Count(), 1);
    RecordingWorker run;
    page.Worker = &run;
    const std::int32_t runId = page.RunId;  // moved on, so that late results are dropped
    Frame(mode).ToolButton3->trigger();
    EXPECT_TRUE(run.terminated == 1 && page.Worker == nullptr && page.RunId != runId);
    EXPECT_EQ(page.ResultState, psPending);
    EXPECT_EQ(Frame(mode).Replies->Count(), 0);
    const int hostRows = Frame(mode).HostView()->model()->rowCount();
    EXPECT_EQ(hostRows, mode == Mode::MultiPing ? 3 : 0) << static_cast<int>(mode);
  }
  EXPECT_EQ(MultiPingRegistry.CurrentPage()->HostCount, 3);
  EXPECT_EQ(RowCells(*w().FrameMultiPing1->Hosts, 0).mid(1), QStringList(9, " "));
}

}  // namespace
