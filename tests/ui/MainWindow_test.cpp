// The main window's life (start-up, the three saves, closing, a later start,
// what a restart brings back), the Options tab (start at log-in, the result
// folder buttons, the folder picker's rule) and where Tab goes.
#include <QDir>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <climits>
#include <filesystem>
#include <functional>

#include "WindowTest.h"
#include "pages/PageFiles.h"
#include "pages/Settings.h"
#include "platform/Autostart.h"
#include "platform/DesktopOpener.h"
#include "platform/FileIo.h"
#include "support/PermissionBits.h"
#include "ui/HomePageTab.h"
#include "ui/OptionsTab.h"

namespace {

using MainWindow = WindowTest;

// Where Tab should stop: a shown, enabled widget that takes Tab focus itself;
// of a radio group only the chosen button.
bool TabStop(const QWidget* w) {
  if (!w->isVisible() || !w->isEnabled() || w->focusProxy()) return false;
  if (const auto* radio = qobject_cast<const QRadioButton*>(w)) return radio->isChecked();
  return w->focusPolicy() & Qt::TabFocus;
}

// A part of the screen (a widget, or a row or column a layout makes) and
// its tab stops in reading order.
struct Block {
  QRect rect;
  QList<QWidget*> stops;
};

// Reading order from the positions alone: the blocks are cut into rows by
// lines that cross none of them, each row into columns the same way, and so
// on down; a block is read whole before the next.
QList<QWidget*> ReadingOrder(std::vector<Block> blocks) {
  std::erase_if(blocks, [](const Block& b) { return b.stops.isEmpty(); });
  for (const bool rows : {true, false}) {
    const auto from = [rows](const Block& b) { return rows ? b.rect.top() : b.rect.left(); };
    const auto to = [rows](const Block& b) { return rows ? b.rect.bottom() : b.rect.right(); };
    std::ranges::stable_sort(blocks, {}, from);
    std::vector<std::vector<Block>> bands;
    int reach = INT_MIN;
    for (const Block& b : blocks) {
      if (from(b) > reach) bands.emplace_back();
      bands.back().push_back(b);
      reach = std::max(reach, to(b));
    }
    if (bands.size() <= 1) continue;
    QList<QWidget*> stops;
    for (auto& band : bands) stops << ReadingOrder(std::move(band));
    return stops;
  }
  QList<QWidget*> stops;  // one block, or blocks that overlap
  for (const Block& b : blocks) stops << b.stops;
  return stops;
}

QList<QWidget*> StopsIn(QWidget* w, const QWidget* root);

Block BlockOf(QWidget* w, const QWidget* root) {
  return {QRect(w->mapTo(root, QPoint()), w->size()), StopsIn(w, root)};
}

Block BlockOf(QLayout* layout, const QWidget* root) {
  std::vector<Block> items;
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (item->widget()) items.push_back(BlockOf(item->widget(), root));
    if (item->layout()) items.push_back(BlockOf(item->layout(), root));
  }
  const QRect at = layout->geometry();
  return {QRect(layout->parentWidget()->mapTo(root, at.topLeft()), at.size()), ReadingOrder(items)};
}

QList<QWidget*> StopsIn(QWidget* w, const QWidget* root) {
  if (!w->isVisible()) return {};
  if (TabStop(w)) return {w};
  if (w->layout()) return BlockOf(w->layout(), root).stops;
  std::vector<Block> children;
  for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!child->isWindow()) children.push_back(BlockOf(child, root));
  return ReadingOrder(children);
}

QStringList Names(const QList<QWidget*>& widgets, const QWidget* root) {
  QStringList names;
  for (const QWidget* w : widgets) {
    const auto* button = qobject_cast<const QAbstractButton*>(w);
    const QPoint at = w ? w->mapTo(root, QPoint()) : QPoint();
    names << QStringLiteral("%1 '%2' at %3,%4")
                 .arg(w ? w->metaObject()->className() : "no focus", button ? button->text() : QString())
                 .arg(at.x())
                 .arg(at.y());
  }
  return names;
}

QStringList ConfigFiles(const std::string& folder) {
  return QDir(QString::fromStdString(folder + "/Config")).entryList(QDir::Files);
}

class FirstStart : public WindowTest {
 protected:
  FirstStart() { startWindow_ = false; }
};

// A start-up that fails writes nothing and shows nothing, not even to a
// later start. The first start then shows one page per tab, the window
// centred with its frame, every grid's columns wide enough for their
// titles in the header's own font (widths stored by the user still win:
// the restart below), and writes nothing.
TEST_F(FirstStart, AfterAFailedOneShowsOneNewPagePerTabCentredAndNothingIsWritten) {
  {
    TFormPing::Hooks hooks;
    hooks.BindEcho = [] { return Status::Failure(Status::Kind::Denied, "no ICMP"); };
    TFormPing window(hooks);
    EXPECT_FALSE(window.FormCreate().ok());
    window.WMShowMainWindow();
    EXPECT_FALSE(window.isVisible());
  }
  EXPECT_FALSE(QDir(QString::fromStdString(Folder() + "/Config")).exists());
  Start().show();
  // The design size is the window's outer bounds: once the frame is known
  // (the offscreen platform draws one), the frame has that size, centred,
  // or the work area's where that is the smaller (this platform's is).
  const QSize design = QSize(TFormPing::DesignWidth, TFormPing::DesignHeight)
                           .boundedTo(w().screen()->availableGeometry().size());
  EXPECT_TRUE(SpinUntil([&] { return w().frameGeometry().size() == design; }))
      << testing::PrintToString(w().frameGeometry());
  EXPECT_EQ(w().frameGeometry().center().y(), w().screen()->availableGeometry().center().y());
  EXPECT_NE(w().frameGeometry(), w().geometry());
  for (const Mode mode : AllModes) {
    EXPECT_EQ(Column(*Pages(mode).Model), QStringList{"New page"});
    for (QTreeView* grid : {Frame(mode).HostView(), Frame(mode).VirtualStringTree2})
      for (int c = 0; c < grid->header()->count(); ++c)
        EXPECT_GE(grid->header()->sectionSize(c), grid->header()->sectionSizeHint(c))
            << grid->model()->headerData(c, Qt::Horizontal).toString().toStdString();
  }
  EXPECT_TRUE(ConfigFiles(Folder()).isEmpty());
}

TEST_F(MainWindow, SavesHourlyAtTheSessionManagersRequestAndWhenDestroyedStoppingEveryRun) {
  QLineEdit* host = w().FramePing1->EditHost;
  host->setText("hourly");
  w().TimerSaveTimer();
  EXPECT_EQ(ReadPingFile(Mode::Ping)->At(0)->Host, "hourly");

  host->setText("checkpoint");
  w().SaveForSessionManager();
  EXPECT_EQ(ReadPingFile(Mode::Ping)->At(0)->Host, "checkpoint");

  host->setText("destroyed");
  RecordingWorker ping, range, path;
  PingRegistry.At(0)->Worker = &ping;
  RangePingRegistry.At(0)->Worker = &range;
  PathPingRegistry.At(0)->Worker = &path;
  Close();
  EXPECT_EQ(ping.terminated + range.terminated + path.terminated, 3);
  EXPECT_EQ(ReadPingFile(Mode::Ping)->At(0)->Host, "destroyed");
  // The page files and config.ini, written through temporary files that never stay behind.
  EXPECT_EQ(ConfigFiles(Folder()).size(), 6);
}

// Saves that fail say so once a session, in a message that blocks nothing
// and waits for the window to be shown; the session manager's, which may
// be a checkpoint that the session outlives, too. The session end's save,
// the last the user could see, shows none: it says so on stderr.
TEST_F(MainWindow, FailedSavesShowOneMessageOnlyWhileTheWindowIsShown) {
  ASSERT_TRUE(QFile(QString::fromStdString(Folder() + "/Config")).open(QIODevice::WriteOnly));
  struct Case {
    bool shown, sessionManager;
    int messages, messagesOnceShown;
  };
  for (const auto& [shown, sessionManager, messages, messagesOnceShown] :
       {Case{true, false, 1, 1}, Case{false, false, 0, 1}, Case{true, true, 1, 1}}) {
    const auto shownMessages = [&] {
      int count = 0;
      for (const QMessageBox* box : w().findChildren<QMessageBox*>()) {
        EXPECT_TRUE(box->isVisible() && !box->isModal());
        EXPECT_TRUE(box->text().contains(QString::fromStdString(Folder() + "/Config: Not a directory")));
        ++count;
      }
      return count;
    };
    Start().setVisible(shown);
    sessionManager ? w().SaveForSessionManager() : w().TimerSaveTimer();
    EXPECT_EQ(shownMessages(), messages) << shown << sessionManager;
    w().show();
    w().TimerSaveTimer();
    EXPECT_EQ(shownMessages(), messagesOnceShown) << shown << sessionManager;
  }
  // The session end's save fails as well, though the window is shown.
  Start().show();
  ::testing::internal::CaptureStderr();
  w().EndSessionAndQuit();
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("velquor: cannot save the pages and settings: "), std::string::npos) << said;
  EXPECT_TRUE(w().findChildren<QMessageBox*>().isEmpty());
}

// Only "Yes" closes, and stops the timers and the hand-overs of later
// starts; until then a later start of the program brings a hidden,
// minimised window back. The close's save is the session's last: a session
// manager's request after it writes nothing.
TEST_F(MainWindow, CloseAsksAndOnlyYesClosesALaterStartShowsTheWindow) {
  const QSignalSpy closing(&w(), &TFormPing::SessionClosing);
  w().showMinimized();
  w().hide();
  w().WMShowMainWindow();
  EXPECT_TRUE(w().isVisible() && !w().isMinimized());
  EXPECT_FALSE(w().close());
  EXPECT_TRUE(w().isVisible() && w().TimerSave->isActive());
  EXPECT_EQ(closing.count(), 0);
  closeAnswer_ = true;
  w().FramePing1->EditHost->setText("closing");
  EXPECT_TRUE(w().close());
  EXPECT_EQ(closing.count(), 1);
  EXPECT_EQ(closeQuestions_, 2);
  EXPECT_FALSE(w().isVisible());
  EXPECT_FALSE(w().TimerSave->isActive() || w().TimerTasks->isActive());
  w().FramePing1->EditHost->setText("after the close");
  w().SaveForSessionManager();
  EXPECT_EQ(ReadPingFile(Mode::Ping)->At(0)->Host, "closing");
}

// The user's close saves while the window is still shown. When that fails,
// a modal question names the folder and why, and the window stays until the
// user retries (here once in vain, then after mending the cause), closes
// without saving (the destruction then writes nothing either) or cancels
// (also by the message's own close button), which keeps everything running
// and asks the close question again next time. The once-a-session message
// stays out of it; stderr gets the failure's line once.
TEST_F(MainWindow, AFailedSaveOnClosingAsksAndTheWindowStaysUntilTheUserChooses) {
  const QString config = QString::fromStdString(Folder() + "/Config");
  const QString why = config + ": Not a directory";
  struct Case {
    QStringList clicks;  // "" closes the message by its own close button
    bool mendBeforeLast, closed;
  };
  const Case cases[] = {
      {{"Cancel"}, false, false},
      {{""}, false, false},
      {{"Retry", "Close without saving"}, false, true},
      {{"Retry", "Retry"}, true, true},
  };
  for (const Case& c : cases) {
    const std::string label = c.clicks.join('/').toStdString();
    ASSERT_TRUE(QFile(config).open(QIODevice::WriteOnly));  // in the way of the folder
    Start().show();
    w().FramePing1->EditHost->setText("closing");
    closeAnswer_ = true;
    closeQuestions_ = 0;
    int answered = 0;
    bool closed = false;
    ::testing::internal::CaptureStderr();
    const QStringList asked =
        MessagesOf([&] { closed = w().close(); },
                   [&](QMessageBox& box) {
                     const QString click = c.clicks.value(answered++);
                     if (c.mendBeforeLast && answered == c.clicks.size()) {
                       ASSERT_TRUE(QFile::remove(config));
                     }
                     for (QAbstractButton* button : box.buttons())
                       if (!click.isEmpty() && button->text() == click) return button->click();
                     box.close();  // also when the answer is missing, so that the test ends
                   });
    // The log keeps the failure too, once however often the user retries.
    const QStringList logged = QString::fromStdString(::testing::internal::GetCapturedStderr())
                                   .split('\n')
                                   .filter(QRegularExpression("^velquor:"));
    EXPECT_EQ(logged.size(), 1) << label;
    EXPECT_TRUE(logged.value(0).startsWith("velquor: cannot save the pages and settings: ") &&
                logged.value(0).endsWith(why))
        << logged.value(0).toStdString();
    EXPECT_EQ(closed, c.closed) << label;
    EXPECT_EQ(asked.size(), c.clicks.size()) << label;
    for (const QString& text : asked) EXPECT_TRUE(text.contains(why)) << text.toStdString();
    EXPECT_TRUE(w().findChildren<QMessageBox*>().isEmpty()) << label;
    EXPECT_EQ(w().isVisible() && w().TimerSave->isActive(), !c.closed) << label;
    if (!c.closed) {
      closeAnswer_ = false;
      EXPECT_FALSE(w().close());
      EXPECT_EQ(closeQuestions_, 2) << label;
      Close();
      ASSERT_TRUE(QFile::remove(config));
      continue;
    }
    // What the close saved, if anything, is what stays: the destruction
    // writes nothing more, though the folder could now be written.
    QFile::remove(config);
    w().FramePing1->EditHost->setText("destroyed");
    Close();
    EXPECT_EQ(ConfigFiles(Folder()).size(), c.mendBeforeLast ? 6 : 0) << label;
    if (c.mendBeforeLast) {
      EXPECT_EQ(ReadPingFile(Mode::Ping)->At(0)->Host, "closing");
    }
    QDir(config).removeRecursively();
  }
}

// The applied options are what the tool bars open, what starts at log-in
// (an entry in the user's configuration, here a temporary one) and what a
// restart brings back with the placement, panes and columns; "Open" opens
// the box as it stands.
TEST_F(MainWindow, AppliedOptionsTakeEffectAndComeBackAfterARestartWithThePlacement) {
  const std::string entry = AutostartEntryPath();
  ASSERT_EQ(entry, qEnvironmentVariable("XDG_CONFIG_HOME").toStdString() + "/autostart/velquor.desktop");
  std::vector<std::string> opened;
  SetDesktopOpener([&](const std::string& target) {
    opened.push_back(target);
    return true;
  });
  w().setGeometry(QRect(12, 34, 640, 480));
  w().FramePing1->ListView1->header()->resizeSection(2, 321);
  Frame(Mode::MultiPing).SetResultPaneHeight(210);  // a tab never opened
  Frame(Mode::RangePing).VirtualStringTree2->header()->resizeSection(6, 7);
  OptionsTab* options = w().TabSheetOptions;
  options->EditResultFolder->setText(QString::fromStdString(Folder() + "/reports"));
  options->CheckBoxStartup->setChecked(true);
  options->BitBtnApplyOptions->click();
  EXPECT_EQ(ReadFilePrefix(entry, 4096), AutostartEntryText(ExecutablePath()));
  options->RadioButtonCsv1->setChecked(true);  // not applied
  options->EditResultFolder->setText("/typed/not applied");
  for (const Mode mode : AllModes) Frame(mode).ToolButton5->trigger();
  options->ButtonOpenResultFolder->click();
  options->EditResultFolder->clear();
  options->ButtonOpenResultFolder->click();  // nothing to open
  w().TabSheetHomePage->BitBtnHomePage->click();
  SetDesktopOpener(nullptr);
  std::vector<std::string> expected(AllModes.size(), Folder() + "/reports/");
  expected.insert(expected.end(), {"/typed/not applied", HomePageTab::HomePageAddress});
  EXPECT_EQ(opened, expected);

  Start();
  EXPECT_EQ(w().geometry(), QRect(12, 34, 640, 480));
  EXPECT_EQ(w().FramePing1->ListView1->header()->sectionSize(2), 321);
  EXPECT_EQ(Frame(Mode::MultiPing).ResultPaneHeight(), 210);
  EXPECT_EQ(Frame(Mode::RangePing).VirtualStringTree2->header()->sectionSize(6), 7);
  options = w().TabSheetOptions;
  EXPECT_TRUE(options->RadioButtonCsv2->isChecked());
  EXPECT_EQ(options->EditResultFolder->text().toStdString(), Folder() + "/reports/");
  ASSERT_TRUE(options->CheckBoxStartup->isChecked());
  options->CheckBoxStartup->setChecked(false);
  options->BitBtnApplyOptions->click();
  EXPECT_FALSE(std::filesystem::exists(entry));
}

// An entry that cannot be written or removed is told, naming the file and
// why, and the box and the option then show whether it is there. Root
// writes anywhere: a file stands where the folder should be, or the
// folder's mode is made to count.
TEST_F(MainWindow, ApplySaysWhyTheLogInEntryFailedAndShowsWhetherItIsThere) {
  const std::string entry = AutostartEntryPath();
  const std::string folder = std::filesystem::path(entry).parent_path().string();
  const auto clear = [&] {
    std::error_code ignored;
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(folder, ignored);
  };
  const struct {
    const char* layout;  // "file": a file in the folder's place; "entry": the entry, in a folder of mode 0555
    bool checked;
    QString told;
  } cases[] = {
      {"file", true, "written to <entry>:\ncannot create <folder>: Not a directory"},
      {"file", false, ""},
      {"entry", false, "removed from <entry>:\ncannot remove <entry>: Permission denied"},
  };
  OptionsTab* options = w().TabSheetOptions;
  for (const auto& c : cases) {
    clear();
    const bool entryThere = c.layout == std::string("entry");
    if (entryThere) {
      ASSERT_TRUE(MakeFolder(folder).ok() && WriteFileAtomically(entry, "").ok());
      std::filesystem::permissions(folder, std::filesystem::perms(0555));
    } else {
      ASSERT_TRUE(WriteFileAtomically(folder, "").ok());
    }
    GlobalOptions.RunAtSystemStartup = !c.checked;
    options->CheckBoxStartup->setChecked(c.checked);
    const PermissionBitsApply modes;
    const QStringList told = MessagesOf([&] { options->BitBtnApplyOptions->click(); });
    const QString why = QString(c.told)
                            .replace("<entry>", QString::fromStdString(entry))
                            .replace("<folder>", QString::fromStdString(folder));
    EXPECT_EQ(told, why.isEmpty()
                        ? QStringList()
                        : QStringList("The entry that starts Velquor at log-in could not be " + why))
        << c.layout << c.checked;
    EXPECT_EQ(options->CheckBoxStartup->isChecked(), entryThere) << c.layout << c.checked;
    EXPECT_EQ(GlobalOptions.RunAtSystemStartup, entryThere) << c.layout << c.checked;
  }
  clear();
}

// Where the desktop has nothing to open a folder or a web page with, each
// button that opens one says which it could not open.
TEST_F(MainWindow, OpenButtonsSayWhatTheDesktopCouldNotOpen) {
  SetDesktopOpener([](const std::string&) { return false; });
  GlobalOptions.ResultFolder = Folder() + "/applied/";
  w().TabSheetOptions->EditResultFolder->setText("/typed");
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { Frame(Mode::RangePing).ToolButton5->trigger(); }, Folder() + "/applied/"},
      {[&] { w().TabSheetOptions->ButtonOpenResultFolder->click(); }, "/typed"},
      {[&] { w().TabSheetHomePage->BitBtnHomePage->click(); }, HomePageTab::HomePageAddress},
  };
  for (const auto& [press, target] : cases)
    EXPECT_EQ(MessagesOf(press),
              QStringList(QString::fromStdString(target) +
                          " could not be opened: no application on this desktop opens it."));
  SetDesktopOpener(nullptr);
}

// Tab goes round each measuring tab, the Options tab and the "Auto tasks"
// dialog as they read: the tab bar, the page list and its buttons, the
// settings row by row, Start, Stop and Auto tasks, the grids; a radio group
// is one stop, at its chosen button. The walk presses the real key.
TEST_F(MainWindow, TabFollowsTheScreenOnEveryTabAndInAutoTasks) {
  const auto walk = [](QWidget* root, const QString& where) {
    root->window()->show();
    root->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(root->window()));
    QCoreApplication::processEvents();
    QList<QWidget*> expected = StopsIn(root, root);
    ASSERT_GT(expected.size(), 5) << where.toStdString();
    expected.front()->setFocus(Qt::TabFocusReason);
    QList<QWidget*> walked{QApplication::focusWidget()};
    // A date editor takes a Tab for each of its fields before letting go.
    for (qsizetype presses = 0; walked.back() && walked.size() <= expected.size() && presses < 100;
         ++presses) {
      QTest::keyClick(walked.back(), Qt::Key_Tab);
      if (QApplication::focusWidget() != walked.back()) walked << QApplication::focusWidget();
    }
    expected << expected.front();  // round to where it began
    EXPECT_EQ(Names(walked, root), Names(expected, root)) << where.toStdString();
  };
  QTabWidget& tabs = *w().PageControl1;
  // A group chosen by the program, not by a click or a key, is stopped at on its chosen button too.
  Frame(Mode::PathPing).RadioButtonMinutes->setChecked(true);
  for (int tab = 0; tab <= tabs.indexOf(w().TabSheetOptions); ++tab) {
    tabs.setCurrentIndex(tab);
    walk(&tabs, tabs.tabText(tab));
  }
  walk(&Tasks(), Tasks().windowTitle());
  Tasks().hide();
}

// Each tab's host pane keeps the height the user dragged it to: a smaller
// window takes the room from the replies first, and once it is large again
// (maximised, or after a restart) the pane has that height back, which is
// the height saved even while the window is small. No tool bar ever folds
// its buttons behind the extension button.
TEST_F(MainWindow, HostPaneKeepsItsDraggedHeightThroughASmallWindowAndARestart) {
  constexpr int Dragged = 400;  // room only in a maximised window
  const auto showTab = [this](Mode mode) -> TModeFrame& {
    w().PageControl1->setCurrentIndex(static_cast<int>(mode));
    QApplication::processEvents();
    return Frame(mode);
  };
  const auto allButtonsShown = [](const TModeFrame& f) {
    for (QToolBar* bar : {f.ToolBar1, f.ToolBar2}) {
      if (bar->findChild<QToolButton*>("qt_toolbar_ext_button")->isVisible()) return false;
      for (QAction* action : bar->actions())
        if (!bar->widgetForAction(action)->isVisible()) return false;
    }
    return true;
  };
  w().showMaximized();
  for (const Mode mode : AllModes) {
    TModeFrame& f = showTab(mode);
    QWidget* handle = f.SplitterResult->handle(1);
    const QPoint to = handle->rect().center() + QPoint(0, Dragged - f.GroupBoxResult->height());
    QTest::mousePress(handle, Qt::LeftButton, {}, handle->rect().center());
    QTest::mouseMove(handle, to);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, to);
    ASSERT_EQ(f.GroupBoxResult->height(), Dragged);
  }
  // The design size has no room for the dragged height: the replies give all they can first.
  w().showNormal();
  const QGroupBox* replies = showTab(Mode::PathPing).GroupBoxReplys;
  EXPECT_EQ(replies->height(), replies->minimumSizeHint().height());
  EXPECT_LT(Frame(Mode::PathPing).GroupBoxResult->height(), Dragged);
  w().resize(w().minimumSize());
  for (const Mode mode : AllModes) EXPECT_TRUE(allButtonsShown(showTab(mode))) << ModeWord(mode);
  w().TimerSaveTimer();
  const QString ini =
      QString::fromStdString(ReadFilePrefix(Folder() + "/Config/config.ini", 1 << 20).value_or(""));
  for (const Mode mode : AllModes)
    EXPECT_EQ(ini.section(QString("\n%1HostHeight=").arg(ModeWord(mode)), 1).section('\n', 0, 0).toInt(),
              Dragged)
        << ModeWord(mode);
  w().showMaximized();
  for (const Mode mode : AllModes) {
    const TModeFrame& f = showTab(mode);
    EXPECT_EQ(f.GroupBoxResult->height(), Dragged) << ModeWord(mode);
    EXPECT_TRUE(allButtonsShown(f)) << ModeWord(mode);
  }
  // The restart places the window at its minimum, then maximises it.
  Start().show();
  for (const Mode mode : AllModes)
    EXPECT_EQ(showTab(mode).GroupBoxResult->height(), Dragged) << ModeWord(mode);
}

TEST(FolderPicker, TakesAPathOfOneTo280Characters) {
  const QString smile = QString::fromUcs4(U"\U0001F600");
  const std::pair<QString, bool> cases[] = {
      {"", false},
      {"/", true},
      {"/" + QString(279, 'a'), true},
      {"/" + QString(280, 'a'), false},
      {"/" + QString(279, QChar(0xE9)), true},  // characters, not UTF-8 bytes
      {"/" + smile.repeated(279), true},        // nor UTF-16 units
  };
  for (const auto& [chosen, taken] : cases)
    EXPECT_EQ(OptionsTab::PickedFolder(chosen), taken ? chosen : QString()) << chosen.size();
}

}  // namespace
