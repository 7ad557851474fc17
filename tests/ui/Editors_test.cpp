// The editors of each tab and its page list. Storing the editors and a
// Start click convert, default and clamp the numbers (Start also writes the
// value used back); texts hold no more than the page files keep. Add,
// Rename, Delete and selecting a row store the shown page first; Delete
// stops it; the Multi ping host list. Texts the editors cannot show
// (Latin-1 bytes) keep their bytes until the user edits them.
#include <QCoreApplication>
#include <QKeyEvent>
#include <functional>

#include "WindowTest.h"
#include "pages/PageFiles.h"

namespace {

using Editors = WindowTest;

TEST_F(Editors, StoreAndStartConvertDefaultAndClampEveryNumber) {
  TFramePing& ping = *w().FramePing1;
  TFrameRangePing& range = *w().FrameRangePing1;
  // Without a target (a host, a Multi ping host, a usable range) Start takes nothing.
  for (const auto& [from, to] : {std::pair{"0.0.0.0", "127.0.0.9"}, std::pair{"127.0.0.1", "255.255.255.255"},
                                 std::pair{"127.0.0.1", "localhost"}}) {
    range.EditFrom->setText(from);
    range.EditTo->setText(to);
    for (const Mode mode : AllModes) {
      Frame(mode).EditRetries->setText("abc");
      Frame(mode).BitBtnStart->click();
      EXPECT_EQ(Frame(mode).EditRetries->text(), "abc") << static_cast<int>(mode) << " " << to;
    }
  }
  for (QLineEdit* host : {ping.EditHost, w().FrameMultiPing1->EditHost, w().FrameTraceroute1->EditHost,
                          w().FramePathPing1->EditHost})
    host->setText("127.0.0.1");
  w().FrameMultiPing1->BitBtnAdd->click();
  range.EditFrom->setText("127.0.0.1");
  range.EditTo->setText("127.0.0.2");

  const TPingPage& p = *PingRegistry.At(0);
  const TRangePingPage& r = *RangePingRegistry.At(0);
  const struct {
    Mode mode;
    QLineEdit* editor;
    const std::int32_t& value;
    const char* typed;
    std::int32_t stored;   // by a store, which leaves the typed text in the editor
    std::int32_t started;  // by a Start click, which writes it back
  } cases[] = {
      {Mode::Ping, ping.EditRetries, p.Retries, "abc", 10, 4},
      {Mode::Ping, ping.EditRetries, p.Retries, "$FFFFF", 999999, 999999},  // six characters fit
      {Mode::Ping, ping.EditMinutes, p.Minutes, "0", 1, 1},
      {Mode::Ping, ping.EditMinutes, p.Minutes, "70000", 60000, 60000},
      {Mode::Ping, ping.EditTimeOut, p.TimeOut, "99", 100, 100},
      {Mode::Ping, ping.EditDelay, p.Delay, "-5", 0, 0},
      {Mode::Ping, ping.EditDelay, p.Delay, "", 1000, 1000},
      {Mode::Ping, ping.EditBytes, p.Bytes, "70000", 65500, 65500},
      {Mode::Ping, ping.EditTtl, p.Ttl, "300", 255, 255},
      {Mode::MultiPing, w().FrameMultiPing1->EditTtl, MultiPingRegistry.At(0)->Ttl, "0", 1, 1},
      {Mode::RangePing, range.EditRetries, r.Retries, "x", 10, 1},
      {Mode::RangePing, range.EditThreads, r.Threads, "0", 1, 1},
      {Mode::RangePing, range.EditThreads, r.Threads, "501", 500, 500},
      {Mode::RangePing, range.EditThreads, r.Threads, "x", 10, 10},
      {Mode::Traceroute, w().FrameTraceroute1->EditHops, TracerouteRegistry.At(0)->Hops, "200", 128, 128},
      {Mode::PathPing, w().FramePathPing1->EditHops, PathPingRegistry.At(0)->Hops, "0", 1, 1},
      {Mode::PathPing, w().FramePathPing1->EditHops, PathPingRegistry.At(0)->Hops, "x", 32, 32},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "tab " << static_cast<int>(c.mode) << ", typed '" << c.typed << "'");
    c.editor->setText(c.typed);
    w().Views().ForMode(c.mode).StoreFrameToPage();
    EXPECT_EQ(c.value, c.stored);
    EXPECT_EQ(c.editor->text(), c.typed);

    Frame(c.mode).BitBtnStart->click();
    EXPECT_EQ(c.value, c.started);
    EXPECT_EQ(c.editor->text(), QString::number(c.started));
    ASSERT_NE(ShownPage(c.mode).Worker, nullptr);  // the run started
    StopPage(c.mode, 0);
  }
}

// Page names keep 64 bytes of UTF-8 and hosts 96 in the page files: the
// editors hold no more, so what they show is what comes back.
TEST_F(Editors, TextEditorsHoldWhatThePageFilesKeep) {
  const QString letter = QString::fromUtf8("ж");  // two bytes in UTF-8
  TFramePages& pages = Pages(Mode::Ping);
  pages.EditPageName->clear();
  for (int i = 0; i < 40; ++i) {
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, letter);
    QCoreApplication::sendEvent(pages.EditPageName, &typed);
  }
  EXPECT_EQ(pages.EditPageName->text(), letter.repeated(32));
  pages.ButtonAdd->click();
  w().TimerSaveTimer();
  EXPECT_EQ(QString::fromStdString(ReadPingFile(Mode::Ping)->At(1)->Name), letter.repeated(32));

  for (QLineEdit* host : {w().FramePing1->EditHost, w().FrameMultiPing1->EditHost,
                          w().FrameTraceroute1->EditHost, w().FramePathPing1->EditHost}) {
    host->clear();
    host->insert(QString("a") + letter.repeated(60));  // pasted
    EXPECT_EQ(host->text(), QString("a") + letter.repeated(47));
    host->setText(QString(96, 'h'));
    EXPECT_EQ(host->text().size(), 96);
  }
}

// Page files written by 8-bit programs hold Latin-1 texts, which an editor
// can only show with replacement characters. Stores and saves the user did
// nothing for leave their bytes as they were; a text the user edits is
// stored as UTF-8.
class LoadedTexts : public WindowTest {
 protected:
  LoadedTexts() { startWindow_ = false; }

  using Field = std::string& (*)(TPageCommon&);
  struct Row {
    Mode mode;
    Field field;
    std::string loaded;
    std::function<QLineEdit*()> editor;  // asked once the window is there
  };
  static std::string& Host(TPageCommon& page) { return static_cast<TPingPage&>(page).Host; }

  // Field `field` of the first page in the mode's file.
  static std::string InFile(Mode mode, Field field) {
    if (mode != Mode::RangePing) return field(*ReadPingFile(mode)->At(0));
    TRangeRegistry registry(mode);
    LoadPages(registry, ConfigFolder());
    return field(*registry.At(0));
  }
  // What stores the editors: the page list's Rename, Multi ping's Add, the
  // Auto tasks dialog's Ok, and the hourly save (every tab's editors).
  void StoreAndSave() {
    Pages(Mode::Ping).ButtonRename->click();
    w().FrameMultiPing1->BitBtnAdd->click();
    Tasks().ButtonOk->click();
    w().TimerSaveTimer();
  }
};

TEST_F(LoadedTexts, KeepTheirBytesUntilEditedThenTheEditorsTextIsStored) {
  const std::string hote = "h\xe9te";
  const Row rows[] = {
      {Mode::Ping, [](TPageCommon& p) -> std::string& { return p.Name; }, "caf\xe9",
       [this] { return Pages(Mode::Ping).EditPageName; }},
      {Mode::Ping, Host, hote, [this] { return w().FramePing1->EditHost; }},
      {Mode::MultiPing, Host, hote, [this] { return w().FrameMultiPing1->EditHost; }},
      // Three bytes each as UTF-8: the editor's byte limit shows 32 of them.
      {Mode::Traceroute, Host, std::string(96, '\xe9'), [this] { return w().FrameTraceroute1->EditHost; }},
      {Mode::PathPing, Host, hote, [this] { return w().FramePathPing1->EditHost; }},
      {Mode::RangePing, [](TPageCommon& p) -> std::string& { return static_cast<TRangePingPage&>(p).From; },
       "10.0.0.\xb9", [this] { return w().FrameRangePing1->EditFrom; }},
      {Mode::RangePing, [](TPageCommon& p) -> std::string& { return static_cast<TRangePingPage&>(p).To; },
       "10.0.0.\xb2\xb5", [this] { return w().FrameRangePing1->EditTo; }},
      {Mode::Ping, [](TPageCommon& p) -> std::string& { return p.ExecPath; }, "/" + std::string(279, '\xe9'),
       [this] { return Tasks().EditPath; }},
      {Mode::Ping, [](TPageCommon& p) -> std::string& { return p.ExecParam; }, "-t \xe9t\xe9",
       [this] { return Tasks().EditParam; }},
  };
  // One page per mode file, as another program left it.
  const auto writeFile = [&rows](auto registry, auto page) {
    for (const Row& row : rows)
      if (row.mode == registry.mode) row.field(*page) = row.loaded;
    return AddPage(registry, *page) && SavePages(registry, ConfigFolder()).ok();
  };
  for (const Mode mode : AllModes)
    ASSERT_TRUE(mode == Mode::RangePing ? writeFile(TRangeRegistry(mode), DefaultRangePingPage())
                                        : writeFile(TPingRegistry(mode), DefaultPingPage(mode)));
  Start();
  Tasks().LoadTasksFromPage(Mode::Ping, 0);

  StoreAndSave();
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << &row - rows);
    EXPECT_EQ(row.field(ShownPage(row.mode)), row.loaded);
    EXPECT_EQ(InFile(row.mode, row.field), row.loaded);
  }
  EXPECT_EQ(MultiPingRegistry.At(0)->Hosts[0].Host, hote);  // the host list's new entry

  const QString typed = QString::fromUtf8("typ\xc3\xa9");
  for (const Row& row : rows) row.editor()->setText(typed);
  StoreAndSave();
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << &row - rows);
    EXPECT_EQ(row.field(ShownPage(row.mode)), "typ\xc3\xa9");
    EXPECT_EQ(InFile(row.mode, row.field), "typ\xc3\xa9");
  }
}

class PageLists : public WindowTest {
 protected:
  void Add(Mode mode, const QString& name) {
    Pages(mode).EditPageName->setText(name);
    Pages(mode).ButtonAdd->click();
  }
};

TEST_F(PageLists, AddRenameAndSelectStoreTheShownPageFirst) {
  w().FramePing1->EditTimeOut->setText("2500");
  Add(Mode::Ping, "Beta");
  Add(Mode::Ping, "");  // nothing
  ASSERT_EQ(PingRegistry.Count(), 2);
  EXPECT_EQ(PingRegistry.At(0)->TimeOut, 2500);
  EXPECT_EQ(w().FramePing1->EditTimeOut->text(), "1000");
  EXPECT_EQ(w().FramePing1->EditHost->text(), "Beta");  // a new page pings its name
  EXPECT_EQ(Pages(Mode::Ping).SelectedRow(), PingRegistry.At(1)->ListItem);
  for (const char* name : {"Zulu", ""}) {  // an empty name renames nothing
    Pages(Mode::Ping).EditPageName->setText(name);
    Pages(Mode::Ping).ButtonRename->click();
  }
  EXPECT_EQ(w().FramePing1->GroupBoxParam->title(), "Zulu");
  EXPECT_EQ(Column(*Pages(Mode::Ping).Model), (QStringList{"New page", "Zulu"}));
  w().FramePing1->EditBytes->setText("64");
  Pages(Mode::Ping).SelectRow(PingRegistry.At(0)->ListItem);
  EXPECT_EQ(PingRegistry.At(1)->Bytes, 64);
  EXPECT_EQ(w().FramePing1->EditTimeOut->text(), "2500");
  Add(Mode::MultiPing, "Hosts");  // a host list, not a host
  EXPECT_EQ(w().FrameMultiPing1->EditHost->text(), "");
}

TEST_F(PageLists, DeleteStopsAndClearsThePageAndShowsTheRowBelowTheTopOrAbove) {
  TFramePages& pages = Pages(Mode::Ping);
  for (const char* name : {"Bravo", "Charlie", "Alpha"}) Add(Mode::Ping, name);
  GiveResult(Mode::Ping, PingRegistry.Current, {{0, "10.0.0.1"}});  // Alpha
  ShowPingPage(PingRegistry.Current, false, false);
  RecordingWorker worker;
  PingRegistry.At(0)->Worker = &worker;
  DeletePingPage(0);  // "New page", not shown: its record goes alone
  EXPECT_EQ(worker.terminated, 1);
  EXPECT_EQ(w().FramePing1->Hosts->Count(), 1);
  pages.ButtonDel->click();  // Alpha, the top row: the row below
  EXPECT_EQ(w().FramePing1->EditHost->text(), "Bravo");
  EXPECT_EQ(w().FramePing1->Hosts->Count(), 0);
  pages.SelectRow(PingRegistry.At(1)->ListItem);
  pages.ButtonDel->click();  // Charlie: the row above
  EXPECT_EQ(pages.EditPageName->text(), "Bravo");
  EXPECT_EQ(pages.SelectedRow(), PingRegistry.CurrentPage()->ListItem);
  pages.ButtonDel->click();  // the only page stays
  EXPECT_EQ(Column(*pages.Model), QStringList{"Bravo"});
}

TEST_F(PageLists, ADeletedPagesEditorsNeverReachThePageThatTakesItsPlace) {
  TFramePages& pages = Pages(Mode::Ping);
  Add(Mode::Ping, "Alpha");
  Add(Mode::Ping, "Zulu");
  pages.SelectRow(PingRegistry.At(0)->ListItem);  // "New page"
  w().FramePing1->EditTimeOut->setText("7777");
  // A list that moves its selection on by itself when the selected row goes,
  // as some list controls do.
  QObject::connect(pages.Model, &QAbstractItemModel::rowsRemoved, &pages,
                   [&pages](const QModelIndex&, int first, int) {
                     pages.SelectRow(pages.Model->HandleAt(std::min(first, pages.Model->Count() - 1)));
                   });
  pages.ButtonDel->click();
  ASSERT_EQ(PingRegistry.Count(), 2);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(PingRegistry.At(i)->TimeOut, 1000) << i;
  EXPECT_EQ(PingRegistry.CurrentPage()->Name, "Alpha");  // the row above
  EXPECT_EQ(w().FramePing1->EditTimeOut->text(), "1000");
}

// A host is added once, letter case aside; Delete removes the one selected.
TEST_F(PageLists, MultiPingHostsAreAddedOnceAndDeleted) {
  TFrameMultiPing& frame = *w().FrameMultiPing1;
  TPingPage& page = *MultiPingRegistry.At(0);
  for (const char* host : {"localhost", "LOCALHOST", "127.0.0.1"}) {
    frame.EditHost->setText(host);
    frame.BitBtnAdd->click();
  }
  EXPECT_EQ(Column(*frame.Hosts), (QStringList{"127.0.0.1", "localhost"}));
  frame.ListView1->setCurrentIndex(frame.Hosts->IndexOf(page.Hosts[0].ListItem));
  frame.BitBtnDelete->click();
  EXPECT_EQ(page.Hosts[0].Host, "127.0.0.1");
  EXPECT_EQ(Column(*frame.Hosts), QStringList{"127.0.0.1"});
}

}  // namespace
