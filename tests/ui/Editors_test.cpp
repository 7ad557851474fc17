// What storing the editors and a Start click take from the editors of each
// tab: numbers converted, defaulted and clamped (Start also writes the value
// used back), and texts no longer than the page files keep.
#include <QCoreApplication>
#include <QKeyEvent>

#include "WindowTest.h"

namespace {

using Editors = WindowTest;

enum class Field { Retries, Minutes, TimeOut, Delay, Bytes, Extra };  // Extra: TTL, threads or hops

QLineEdit* Editor(TModeFrame& f, Mode mode, Field field) {
  QLineEdit* const common[] = {f.EditRetries, f.EditMinutes, f.EditTimeOut, f.EditDelay, f.EditBytes};
  if (field != Field::Extra) return common[static_cast<int>(field)];
  if (mode == Mode::Ping) return static_cast<TFramePing&>(f).EditTtl;
  if (mode == Mode::MultiPing) return static_cast<TFrameMultiPing&>(f).EditTtl;
  if (mode == Mode::RangePing) return static_cast<TFrameRangePing&>(f).EditThreads;
  return static_cast<THopFrame&>(f).EditHops;
}

std::int32_t Value(const TPageCommon& page, Mode mode, Field field) {
  const std::int32_t fields[] = {page.Retries, page.Minutes, page.TimeOut, page.Delay, page.Bytes};
  if (field != Field::Extra) return fields[static_cast<int>(field)];
  if (mode == Mode::RangePing) return static_cast<const TRangePingPage&>(page).Threads;
  const auto& ping = static_cast<const TPingPage&>(page);
  return mode == Mode::Ping || mode == Mode::MultiPing ? ping.Ttl : ping.Hops;
}

struct EditorCase {
  Mode mode;
  Field field;
  const char* typed;
  std::int32_t stored;   // by a store, which leaves the typed text in the editor
  std::int32_t started;  // by a Start click, which writes it back
};

const EditorCase Cases[] = {
    {Mode::Ping, Field::Retries, "abc", 10, 4},
    {Mode::Ping, Field::Retries, "$FFFFF", 999999, 999999},  // six characters fit
    {Mode::Ping, Field::Minutes, "0", 1, 1},
    {Mode::Ping, Field::Minutes, "70000", 60000, 60000},
    {Mode::Ping, Field::TimeOut, "99", 100, 100},
    {Mode::Ping, Field::Delay, "-5", 0, 0},
    {Mode::Ping, Field::Delay, "", 1000, 1000},
    {Mode::Ping, Field::Bytes, "70000", 65500, 65500},
    {Mode::Ping, Field::Extra, "300", 255, 255},
    {Mode::MultiPing, Field::Extra, "0", 1, 1},
    {Mode::RangePing, Field::Retries, "x", 10, 1},
    {Mode::RangePing, Field::Extra, "0", 1, 1},
    {Mode::RangePing, Field::Extra, "501", 500, 500},
    {Mode::RangePing, Field::Extra, "x", 10, 10},
    {Mode::Traceroute, Field::Extra, "200", 128, 128},
    {Mode::PathPing, Field::Extra, "0", 1, 1},
    {Mode::PathPing, Field::Extra, "x", 32, 32},
};

// Gives each tab a target on loopback, so that Start runs.
void GiveTargets(TFormPing& w) {
  for (QLineEdit* host : {w.FramePing1->EditHost, w.FrameMultiPing1->EditHost, w.FrameTraceroute1->EditHost,
                          w.FramePathPing1->EditHost})
    host->setText("127.0.0.1");
  w.FrameMultiPing1->BitBtnAdd->click();
  w.FrameRangePing1->EditFrom->setText("127.0.0.1");
  w.FrameRangePing1->EditTo->setText("127.0.0.2");
}

TEST_F(Editors, StoreAndStartConvertDefaultAndClampEveryNumber) {
  Start();
  // Without a target (a host, a Multi ping host, a usable range) Start takes nothing.
  TFrameRangePing& range = *w().FrameRangePing1;
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
  GiveTargets(w());
  for (const EditorCase& c : Cases) {
    SCOPED_TRACE(testing::Message() << "tab " << static_cast<int>(c.mode) << ", typed '" << c.typed << "'");
    TModeFrame& frame = Frame(c.mode);
    QLineEdit* editor = Editor(frame, c.mode, c.field);
    TPageCommon& page = ShownPage(c.mode);
    editor->setText(c.typed);
    w().Views().ForMode(c.mode).StoreFrameToPage();
    EXPECT_EQ(Value(page, c.mode, c.field), c.stored);
    EXPECT_EQ(editor->text(), c.typed);

    frame.BitBtnStart->click();
    EXPECT_EQ(Value(page, c.mode, c.field), c.started);
    EXPECT_EQ(editor->text(), QString::number(c.started));
    ASSERT_NE(page.Worker, nullptr);  // the run started
    StopPage(c.mode, 0);
  }
}

// Page names keep 64 bytes of UTF-8 and hosts 96 in the page files: the
// editors hold no more, so what they show is what comes back.
TEST_F(Editors, TextEditorsHoldWhatThePageFilesKeep) {
  Start();
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

}  // namespace
