// Where the real program's window comes up on a desktop with a window
// manager, and where it comes back after a restart. The settings' Left,
// Top, Width and Height are the window's outer bounds: the frame and title
// bar the manager draws around it are inside them.

#include <QDir>
#include <QRect>
#include <QRegularExpression>
#include <functional>
#include <tuple>

#include "ProgramOnDisplay.h"
#include "pages/PageFiles.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"

namespace {

constexpr QRect Screen(0, 0, 1280, 1024);
// The main window's design size, centred on the screen.
constexpr QRect FirstStart(130, 187, 1020, 650);

// The frame the window manager put around `window`: its parent, unless that
// is the root window, where nothing framed it and the window is its own.
QString FrameOf(const XServer& x, const QString& window) {
  if (window.isEmpty()) return window;
  const QString tree = x.Run("xwininfo", {"-tree", "-id", window}).value_or(QString());
  const auto id = [&](const QString& which) {
    return QRegularExpression(which + " window id: (0x[0-9a-f]+)").match(tree).captured(1);
  };
  const QString parent = id("Parent");
  return parent.isEmpty() || parent == id("Root") ? window : parent;
}

class ProgramPlacement : public ProgramOnDisplay {
 protected:
  QString Settings() const { return Folder() + "/Config/config.ini"; }

  void WriteSettings(const std::string& lines) const {
    ASSERT_TRUE(MakeFolder((Folder() + "/Config").toStdString()).ok());
    ASSERT_TRUE(WriteFileAtomically(Settings().toStdString(), "[MAIN]\n" + lines).ok());
  }

  // The rectangle the last save wrote, and whether it was of a maximised window.
  std::pair<QRect, bool> Saved() const {
    const IniFile ini = IniFile::FromFile(Settings().toStdString());
    const auto read = [&](const char* key) { return ini.ReadInteger("MAIN", key, -1); };
    return {QRect(read("Left"), read("Top"), read("Width"), read("Height")), read("Maximized") == 1};
  }

  // The program's main window, once it is shown.
  QString Start() {
    process_ = LaunchOnDisplay({}, variables_);
    const QString window = WaitForWindow(*process_, "^Velquor");
    EXPECT_FALSE(window.isEmpty()) << process_->readAllStandardError().toStdString();
    return window;
  }

  // The frame of `window` once it is `expected`, or the last one seen when
  // it does not get there within a start's time.
  QRect FrameOnceAt(const QString& window, const QRect& expected) const {
    return FrameOnceAt(window, [&](const QRect& frame) { return frame == expected; });
  }
  QRect FrameOnceAt(const QString& window, const std::function<bool(const QRect&)>& expected) const {
    QDeadlineTimer deadline(5000);
    QRect frame;
    do frame = x_.Geometry(FrameOf(x_, window)).value_or(QRect());
    while (!expected(frame) && !deadline.hasExpired() && !process_->waitForFinished(50));
    return frame;
  }

  // The user closes the window from its title bar and answers the question
  // "Yes": the program saves and ends. The question comes only once the
  // program has taken in every event the server sent it before the close
  // request, the manager's last move among them.
  void CloseAsTheUserDoes(const QString& window) {
    ASSERT_NO_FATAL_FAILURE(CloseAnsweringYes(*process_, window));
    ASSERT_TRUE(EndsCleanly(*process_)) << process_->readAllStandardError().toStdString();
  }

  // The user drags with the mouse from `from` to `to`: the window manager
  // takes the press, follows the pointer and lets go at the release. Each
  // step is a client of its own, a little apart, as a hand is slower than
  // the manager.
  void Drag(const QPoint& from, const QPoint& to) const {
    const QStringList press{"mousedown", "1"}, release{"mouseup", "1"};
    for (const QStringList& step :
         {PointerAt(from) + press, PointerAt((from + to) / 2), PointerAt(to) + release}) {
      ASSERT_TRUE(x_.Run("xdotool", step));
      QThread::msleep(50);
    }
  }

  // A double click on the title bar: the manager maximises the window, or
  // gives it its normal size back.
  void ToggleMaximised(const QRect& frame) const {
    const QStringList doubleClick{"click", "--repeat", "2", "1"};
    ASSERT_TRUE(x_.Run("xdotool", PointerAt(TitleBar(frame)) + doubleClick));
  }

  static QStringList PointerAt(const QPoint& at) {
    return {"mousemove", QString::number(at.x()), QString::number(at.y())};
  }
  // A point of the title bar away from its buttons.
  static QPoint TitleBar(const QRect& frame) { return frame.topLeft() + QPoint(100, 8); }

  // The frame of `window` once it has stopped moving: a window manager
  // frames and places a window in steps. A failure when it still moves
  // after a start's time.
  QRect SettledFrame(const QString& window) const {
    QRect frame, last;
    QDeadlineTimer deadline(5000);
    do {
      last = frame;
      QThread::msleep(200);
      frame = x_.Geometry(FrameOf(x_, window)).value_or(QRect());
    } while ((frame != last || frame.isEmpty()) && !deadline.hasExpired());
    if (frame != last || frame.isEmpty()) ADD_FAILURE() << "still moving: " << testing::PrintToString(frame);
    return frame;
  }

  // The middle of the Auto tasks dialog's Ok button, from the bottom right
  // corner of the dialog's inside: left of Cancel, past the layout's margin.
  // Both buttons and the margin grow with the scale.
  static QPoint OkButton(const QSize& inside, qreal scale) {
    return QPoint(inside.width() - qRound(OkFromRight * scale),
                  inside.height() - qRound(OkFromBottom * scale));
  }
  static constexpr int OkFromRight = 137, OkFromBottom = 24;

  // The tab stops from the focus at a start to the Ping tab's Auto tasks
  // button (the walk in MainWindow_test lists them).
  static constexpr int TabsToAutoTasks = 18;

  // A frame that lies within `area`, or where it lies instead.
  static testing::AssertionResult FrameWithin(const QRect& frame, const QRect& area) {
    if (area.contains(frame)) return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << testing::PrintToString(frame) << " is not within " << testing::PrintToString(area);
  }

  std::unique_ptr<QProcess> process_;
  QProcessEnvironment variables_;
};

// A rectangle that does not fit is fitted frame and all, so the title bar
// stays on the screen where it can be grabbed, and saved as fitted; one
// that fits comes back where it was. Without a window manager there is no
// frame and the window itself is the rectangle.
TEST_F(ProgramPlacement, ASavedRectangleIsFittedIntoTheScreenWithItsFrame) {
  const struct {
    const char* what;
    std::string saved;
    QRect frame;
    bool managed;
  } cases[] = {
      // First: the manager, once started, stays.
      {"no window manager", "Left=100\nTop=-50\nWidth=800\nHeight=1400\n", {100, 0, 800, 1024}, false},
      {"taller than the screen", "Left=100\nTop=-50\nWidth=800\nHeight=1400\n", {100, 0, 800, 1024}, true},
      {"wider, right of the screen",
       "Left=900\nTop=300\nWidth=1500\nHeight=600\n",
       {0, 300, 1280, 600},
       true},
      {"fits", "Left=200\nTop=150\nWidth=800\nHeight=600\n", {200, 150, 800, 600}, true},
  };
  bool managed = false;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.managed && !managed) {
      ASSERT_TRUE(managed = x_.StartWindowManager());
    }
    WriteSettings(c.saved);
    const QString window = Start();
    EXPECT_EQ(FrameOnceAt(window, c.frame), c.frame);
    ASSERT_NO_FATAL_FAILURE(CloseAsTheUserDoes(window));
    EXPECT_EQ(Saved(), std::make_pair(c.frame, false));
  }
}

// The user sizes the window from the frame's corner, drags it by its title
// bar, maybe maximises it, and closes it. The settings hold the frame's
// normal place and size, and the restart brings the frame back there,
// maximised again where it was; a window at the top of the screen stays
// there. Twice, so that a drift would show.
TEST_F(ProgramPlacement, AWindowTheUserMovedComesBackWithItsFrameWhereItWas) {
  ASSERT_TRUE(x_.StartWindowManager());
  const struct {
    const char* what;
    QRect frame;
    bool maximised;
  } cases[] = {
      {"to the top left corner", {0, 0, 800, 600}, false},
      {"moved and resized", {140, 90, 900, 700}, false},
      {"then maximised", {140, 90, 900, 700}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(QFile::remove(Settings()) || !QFile::exists(Settings()));
    QString window = Start();
    const QRect first = FrameOnceAt(window, FirstStart);
    EXPECT_EQ(first, FirstStart);
    const QPoint corner = first.bottomRight();
    Drag(corner, corner + QPoint(c.frame.width() - first.width(), c.frame.height() - first.height()));
    Drag(TitleBar(first), TitleBar(c.frame));
    ASSERT_EQ(FrameOnceAt(window, c.frame), c.frame);
    if (c.maximised) {
      ToggleMaximised(c.frame);
      ASSERT_EQ(FrameOnceAt(window, Screen), Screen);
    }
    ASSERT_NO_FATAL_FAILURE(CloseAsTheUserDoes(window));
    EXPECT_EQ(Saved(), std::make_pair(c.frame, c.maximised));

    for (int restart = 0; restart < 2; ++restart) {
      window = Start();
      const QRect shown = c.maximised ? Screen : c.frame;
      EXPECT_EQ(FrameOnceAt(window, shown), shown);
      if (c.maximised && restart == 1) {
        ToggleMaximised(Screen);
        EXPECT_EQ(FrameOnceAt(window, c.frame), c.frame);
      }
      ASSERT_NO_FATAL_FAILURE(CloseAsTheUserDoes(window));
      EXPECT_EQ(Saved(), std::make_pair(c.frame, c.maximised && restart == 0));
    }
  }
}

// Desktops as users have them, scaled the X way (Xft.dpi, read at start)
// or the toolkit's, or with two monitors side by side. Wherever the window
// and the Auto tasks dialog fit, nothing changes; where they do not, the
// window's frame, and the dialog with Ok and Cancel, are on the screen.
// Restarts bring the window back with the same numbers, where it was: on
// the monitor that holds it, or the primary one when none does any more.
TEST_F(ProgramPlacement, OnScaledScreensAndSeveralMonitorsTheWindowFitsAndComesBackWhereItWas) {
  const struct {
    const char* what;
    QSize screen;
    int dpi;
    const char* scale;  // QT_SCALE_FACTOR, if any
    bool twoMonitors;   // the screen's halves
    QSize dialog;       // the dialog's inside, where its design size fits
  } desks[] = {
      {"1366x768 at 125%", {1366, 768}, 120, nullptr, false, {}},
      {"1920x1080 at 100%", {1920, 1080}, 96, nullptr, false, {909, 630}},
      {"1920x1080 at 200%", {1920, 1080}, 192, nullptr, false, {}},
      {"2880x1800 at 175%", {2880, 1800}, 168, nullptr, false, {}},
      {"1920x1080 at 150% of the toolkit", {1920, 1080}, 96, "1.5", false, {}},
      {"two monitors of 1280x1024", {2560, 1024}, 96, nullptr, true, {909, 630}},
  };
  for (const auto& desk : desks) {
    SCOPED_TRACE(desk.what);
    const qreal scale = desk.dpi / 96.0 * (desk.scale ? QByteArray(desk.scale).toDouble() : 1.0);
    const QRect primary(QPoint(),
                        QSize(desk.screen.width() / (desk.twoMonitors ? 2 : 1), desk.screen.height()));
    const QRect second = primary.translated(primary.width(), 0);
    ASSERT_TRUE(x_.Start(desk.screen));
    // The output's own monitor becomes the left half, and a monitor with no
    // output the right one; before the window manager starts, as it reads them once.
    if (desk.twoMonitors)
      for (const auto& [name, at, output] :
           {std::tuple("left", primary, "screen"), {"right", second, "none"}}) {
        const QString place = QString("%1/338x%2/270+%3+0").arg(at.width()).arg(at.height()).arg(at.x());
        ASSERT_TRUE(x_.Run("xrandr", {"--setmonitor", name, place, output}));
      }
    ASSERT_TRUE(x_.MergeResources(QString("Xft.dpi: %1\n").arg(desk.dpi)));
    ASSERT_TRUE(x_.StartWindowManager());
    variables_ = QProcessEnvironment();
    if (desk.scale) variables_.insert("QT_SCALE_FACTOR", desk.scale);
    ASSERT_TRUE(QDir(Folder() + "/Config").removeRecursively());

    // A first start, and Auto tasks: a setting changed, then Ok.
    QString window = Start();
    ASSERT_NO_FATAL_FAILURE(WaitUntil(*process_, [&] { return x_.FocusedWindow() == window; }));
    for (int tab = 0; tab < TabsToAutoTasks; ++tab) ASSERT_TRUE(x_.PressKey("Tab"));
    ASSERT_TRUE(x_.PressKey("space"));
    const QString dialog = WaitForWindow(*process_, "^Auto tasks$");
    ASSERT_NO_FATAL_FAILURE(WaitUntil(*process_, [&] { return x_.FocusedWindow() == dialog; }));
    // The window has long been framed and fitted by now.
    const QRect first = x_.Geometry(FrameOf(x_, window)).value_or(QRect());
    EXPECT_TRUE(FrameWithin(first, primary));
    EXPECT_TRUE(FrameWithin(SettledFrame(dialog), primary));
    const QRect inside = x_.Geometry(dialog).value_or(QRect());
    EXPECT_TRUE(!desk.dialog.isValid() || inside.size() == desk.dialog) << testing::PrintToString(inside);
    ASSERT_TRUE(x_.PressKey("space"));  // "Start on program startup", where the focus starts
    ASSERT_TRUE(x_.Click(dialog, OkButton(inside.size(), scale)));
    ASSERT_NO_FATAL_FAILURE(WaitUntil(*process_, [&] { return x_.Windows("^Auto tasks$").isEmpty(); }));
    ASSERT_NO_FATAL_FAILURE(CloseAsTheUserDoes(window));
    TPingRegistry pages(Mode::Ping);
    ASSERT_TRUE(LoadPages(pages, (Folder() + "/Config").toStdString()).ok());
    ASSERT_EQ(pages.Count(), 1);
    EXPECT_TRUE(pages.At(0)->StartOnStartup);

    // Plain restarts, each ended as a session end does: the numbers the
    // first start saved, and the frame within a device pixel of the first
    // start's.
    const std::pair<QRect, bool> saved = Saved();
    const auto nearFirst = [&](const QRect& frame) {
      return (frame.topLeft() - first.topLeft()).manhattanLength() +
                 (frame.bottomRight() - first.bottomRight()).manhattanLength() <=
             1;
    };
    for (int restart = 0; restart < 5; ++restart) {
      window = Start();
      // Where it gets to, and stays.
      FrameOnceAt(window, nearFirst);
      const QRect frame = SettledFrame(window);
      EXPECT_TRUE(nearFirst(frame)) << testing::PrintToString(frame) << " after "
                                    << testing::PrintToString(first);
      ASSERT_NO_FATAL_FAILURE(EndBySigterm(*process_));
      EXPECT_EQ(Saved(), saved) << "restart " << restart;
    }
    if (!desk.twoMonitors) continue;

    // Moved to the other monitor, the window comes back there; once no
    // monitor holds its place, it comes back on the primary one.
    window = Start();
    const QRect moved = first.translated(second.topLeft());
    ASSERT_NO_FATAL_FAILURE(Drag(TitleBar(first), TitleBar(moved)));
    ASSERT_EQ(FrameOnceAt(window, moved), moved);
    ASSERT_NO_FATAL_FAILURE(CloseAsTheUserDoes(window));
    window = Start();
    EXPECT_EQ(FrameOnceAt(window, moved), moved);
    ASSERT_NO_FATAL_FAILURE(EndBySigterm(*process_));
    WriteSettings("Left=6000\nTop=200\nWidth=800\nHeight=600\n");
    window = Start();
    const QRect fitted(primary.right() - 799, 200, 800, 600);
    EXPECT_EQ(FrameOnceAt(window, fitted), fitted);
    ASSERT_NO_FATAL_FAILURE(EndBySigterm(*process_));
  }
}

}  // namespace
