// The result tool bars of the five tabs: which clicks open the save dialog
// with which name, what is written for the answer, and Clear result. A saved
// file is compared with what the writer makes of the same page: the report
// bytes themselves belong to the report tests.

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <optional>

#include "WindowTest.h"
#include "platform/FileIo.h"
#include "reports/ReportWriters.h"

namespace {

using F = TModeFrame;
using Button = QAction* F::*;
constexpr const char* Stamp = "2026y03m05d09h05m03s-2026y03m05d09h15m40s";

class ToolBars : public WindowTest {
 protected:
  // The shown page of `mode` ran from 2026-03-05 09:05:03 to 09:15:40; its
  // row 0 answered (one reply), its row 1 did not.
  static void Resolve(Mode mode, int selected) {
    TPageCommon& page = ShownPage(mode);
    page.Name = "a/b:c";
    page.ResultState = psOk;
    page.SelectedHost = selected;
    page.StartTime = {2026, 3, 4, 5, 9, 5, 3, 0};
    page.EndTime = {2026, 3, 4, 5, 9, 15, 40, 0};
    THostResult rows[2];
    rows[0].State = 0;
    rows[0].Host = "lab/printer";
    rows[0].Address = "fe80::1%4";
    rows[0].Replies = {TReplyRecord{26, 3, 5, 9, 5, 4, 0x0100007F, {}, 32, 64, 1, rsSuccess}};
    rows[1].State = 1;
    if (mode != Mode::RangePing) {
      std::copy(rows, rows + 2, static_cast<TPingPage&>(page).Hosts.begin());
      static_cast<TPingPage&>(page).HostCount = 2;
      return;
    }
    auto& range = static_cast<TRangePingPage&>(page);
    range.Hosts.clear();
    for (THostResult& row : rows) range.Hosts.push_back(std::make_unique<THostResult>(row));
    range.HostCapacity = range.HostCount = 2;
  }

  // The window with a save dialog that records the names it proposes, runs
  // `onAsk` while "open" and gives `answer`, its name taken in Folder().
  void StartWithFakeDialog() {
    TFormPing::Hooks hooks;
    hooks.AskSaveFile = [this](const QString& proposed) {
      asked.push_back(proposed.toStdString());
      if (onAsk) onAsk();
      if (answer) answer->fileName = QString::fromStdString(Folder() + "/") + answer->fileName;
      return answer;
    };
    Start(hooks);
  }

  std::string Proposed(const std::string& name) const { return Folder() + "/Results/" + name + Stamp; }
  std::string Read(const std::string& name) const {
    return ReadFilePrefix(Folder() + "/" + name, 1 << 20).value_or("<none>");
  }
  // The file holds what the page writer (host < 0) or the host writer gives.
  void ExpectReport(const std::string& name, Mode mode, bool csv, int reportMode, int host = -1) {
    const std::string expected = Folder() + "/expected";
    ASSERT_TRUE(host < 0 ? SavePageReport(mode, csv, expected, 0, reportMode)
                         : SaveHostReport(mode, csv, expected, 0, host));
    EXPECT_EQ(Read(name), Read("expected")) << name;
  }

  std::vector<std::string> asked;
  std::optional<SaveFileAnswer> answer;
  std::function<void()> onAsk;
};

TEST_F(ToolBars, SaveButtonsProposeTheirNameAndWriteTheChosenType) {
  StartWithFakeDialog();
  const struct {
    Mode mode;
    Button button;
    std::optional<SaveFileAnswer> answer;  // none: cancelled
    std::string proposed, written;
    int reportMode;  // -1: the selected host's report
  } cases[] = {
      {Mode::Ping, &F::ToolButton1, {{"r1", 1}}, "Ping_abc_", "r1.txt", rmResult},
      {Mode::MultiPing, &F::ToolButton2, {{"r2.CSV", 1}}, "MultiPing_abc_replys_", "r2.CSV", rmWithReplies},
      {Mode::RangePing, &F::ToolButton6, {{"r3", 2}}, "RangePing_abc_iplist_", "r3.csv", rmIpList},
      {Mode::Traceroute, &F::ToolButton2, {{"r4.txt", 2}}, "Traceroute_abc_replys_", "r4.txt", rmWithReplies},
      {Mode::PathPing, &F::ToolButton1, std::nullopt, "PathPing_abc_", "", rmResult},
      {Mode::Ping, &F::ToolButton4, {{"h1", 1}}, "Ping_fe80--1s4_replys_", "h1.txt", -1},
      {Mode::MultiPing, &F::ToolButton4, {{"h2", 2}}, "Ping_labprinter_replys_", "h2.csv", -1},
      {Mode::RangePing, &F::ToolButton4, {{"h3.Txt", 2}}, "Ping_fe80--1s4_replys_", "h3.Txt", -1},
  };
  for (const auto& c : cases) {
    Resolve(c.mode, 0);
    asked.clear();
    answer = c.answer;
    (Frame(c.mode).*c.button)->trigger();
    EXPECT_EQ(asked, std::vector<std::string>{Proposed(c.proposed)});
    if (!c.written.empty())
      ExpectReport(c.written, c.mode, c.answer->filterIndex == 2, c.reportMode, c.reportMode < 0 ? 0 : -1);
  }
  // No dialog without a result, nor for a host that did not answer or none.
  asked.clear();
  for (const Mode mode : AllModes) {
    for (const int selected : {1, -1}) {
      Resolve(mode, selected);
      Frame(mode).ToolButton4->trigger();
    }
    ShownPage(mode).ResultState = psPending;
    for (Button button : {&F::ToolButton1, &F::ToolButton2, &F::ToolButton6, &F::ToolButton4})
      if (QAction* action = Frame(mode).*button) action->trigger();
  }
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(QDir(QString::fromStdString(Folder())).entryList(QDir::Files).size(), 8);
}

TEST_F(ToolBars, AHostSaveTakesTheSelectionAsItIsWhenTheDialogCloses) {
  StartWithFakeDialog();
  Resolve(Mode::Ping, 0);
  TPingPage& page = *PingRegistry.CurrentPage();
  page.Hosts[2] = page.Hosts[0];
  page.Hosts[2].Address = "192.0.2.30";
  page.HostCount = 3;
  bool queued = false, queuedBeforeDialog = false;
  QMetaObject::invokeMethod(
      &w(), [&] { queued = true; }, Qt::QueuedConnection);
  onAsk = [&] {
    queuedBeforeDialog = queued;
    page.SelectedHost = 2;  // picked while the dialog was open
  };
  answer = SaveFileAnswer{"host", 1};
  w().FramePing1->ToolButton4->trigger();
  EXPECT_TRUE(queuedBeforeDialog);
  EXPECT_EQ(asked, std::vector<std::string>{Proposed("Ping_fe80--1s4_replys_")});
  ExpectReport("host.txt", Mode::Ping, false, 0, 2);
}

// The window's own dialog: the proposed path, no question before a file is
// replaced, and the type chosen once offered again on another tab.
TEST_F(ToolBars, TheDialogRemembersTheChosenTypeAcrossTabs) {
  Start();
  Resolve(Mode::Ping, 0);
  Resolve(Mode::Traceroute, 0);
  ASSERT_TRUE(WriteFileAtomically(Folder() + "/first.csv", "old").ok());
  QTimer noQuestion;
  QObject::connect(&noQuestion, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      ADD_FAILURE() << "asked before replacing a file";
      box->reject();
    }
  });
  noQuestion.start(10);
  QStringList shown;
  auto answerWith = [&](const char* file, bool chooseCsv) {
    auto* poll = new QTimer(&w());
    QObject::connect(poll, &QTimer::timeout, [=, &shown, this] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      poll->deleteLater();
      shown << dialog->selectedFiles().value(0) << dialog->selectedNameFilter();
      if (chooseCsv) dialog->selectNameFilter(QStringLiteral("CSV files (*.csv)"));
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
          ->setText(QString::fromStdString(Folder() + file));
      static_cast<QDialog*>(dialog)->accept();  // as its Save button does
    });
    poll->start(10);
  };
  answerWith("/first.csv", true);
  w().FramePing1->ToolButton1->trigger();
  answerWith("/second", false);
  w().FrameTraceroute1->ToolButton1->trigger();
  EXPECT_EQ(shown, (QStringList{QString::fromStdString(Proposed("Ping_abc_")), "TXT files (*.txt)",
                                QString::fromStdString(Proposed("Traceroute_abc_")), "CSV files (*.csv)"}));
  ExpectReport("first.csv", Mode::Ping, true, rmResult);
  ExpectReport("second.csv", Mode::Traceroute, true, rmResult);
}

TEST_F(ToolBars, ClearResultStopsTheRunThenClearsItAndMultiPingKeepsItsHosts) {
  Start();
  for (const Mode mode : AllModes) {
    Resolve(mode, 0);
    w().Views().ForMode(mode).ShowPage(0, false, false);
    ASSERT_EQ(Frame(mode).Replies->Count(), 1);
    TPageCommon& page = ShownPage(mode);
    RecordingWorker run;
    page.Worker = &run;
    Frame(mode).ToolButton3->trigger();
    EXPECT_TRUE(run.terminated == 1 && page.Worker == nullptr && page.ResultState == psPending);
    EXPECT_EQ(Frame(mode).Replies->Count(), 0);
    const int hostRows = Frame(mode).HostView()->model()->rowCount();
    EXPECT_EQ(hostRows, mode == Mode::MultiPing ? 2 : 0) << static_cast<int>(mode);
  }
  EXPECT_EQ(MultiPingRegistry.CurrentPage()->HostCount, 2);
}

}  // namespace
