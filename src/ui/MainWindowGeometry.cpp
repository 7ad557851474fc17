#include "ui/MainWindowGeometry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdlib>

namespace {

WindowRect FromQRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

// Whether two extents or places differ by no more than `slack` pixels.
bool Near(int a, int b, int slack) { return std::abs(static_cast<long long>(a) - b) <= slack; }

bool Near(const WindowRect& a, const WindowRect& b, int slack) {
  return Near(a.Left, b.Left, slack) && Near(a.Top, b.Top, slack) && Near(a.Width, b.Width, slack) &&
         Near(a.Height, b.Height, slack);
}

// The inside's share of an outer extent. A settings file may hold any
// numbers; a window of no size could not be seen or grabbed again.
int Inside(int outer, int frame, int minimum) {
  return static_cast<int>(std::max<long long>({static_cast<long long>(outer) - frame, minimum, 1}));
}

}  // namespace

MainWindowGeometry::MainWindowGeometry(QWidget* window) : window_(window) {
  window_->installEventFilter(this);
}

std::vector<WindowRect> MainWindowGeometry::WorkAreas() const {
  std::vector<WindowRect> areas;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (!primary) return areas;
  QList<QScreen*> screens = primary->virtualSiblings();
  screens.removeOne(primary);
  screens.prepend(primary);
  for (const QScreen* screen : screens)
    if (const QRect area = screen->availableGeometry(); !area.isEmpty()) areas.push_back(FromQRect(area));
  return areas;
}

WindowRect MainWindowGeometry::CurrentRect() const { return AsGiven(FromQRect(window_->frameGeometry())); }

std::optional<WindowRect> MainWindowGeometry::NormalRect() const {
  const QRect normal = window_->normalGeometry();
  if (normal.isEmpty()) return std::nullopt;
  // Never seen in the normal state: the inside still holds the whole
  // rectangle it was given.
  return AsGiven(FromQRect(normal.marginsAdded(normalFrame_.value_or(QMargins()))));
}

bool MainWindowGeometry::IsMaximized() const { return window_->isMaximized(); }

void MainWindowGeometry::SetRect(const WindowRect& rect) {
  given_ = rect;
  Apply(rect, normalFrame_.value_or(QMargins()));
  if (normalFrame_)
    unframed_.reset();
  else
    unframed_ = Unframed{rect, window_->size()};
}

void MainWindowGeometry::Maximize() { window_->setWindowState(window_->windowState() | Qt::WindowMaximized); }

void MainWindowGeometry::Apply(const WindowRect& rect, const QMargins& frame) {
  // move() places a top-level window by its frame; before the native window
  // exists Qt has the window manager put the frame's corner there, so the
  // title bar is where it belongs from the first show. setGeometry() would
  // place the inside. A frame already in place, to within the rounding of a
  // scaled screen, is left there: a shown window that is moved is placed by
  // its inside from then on, and some platforms nudge such a window back
  // onto the screen.
  const int slack = RoundingSlack();
  if (!Near(window_->x(), rect.Left, slack) || !Near(window_->y(), rect.Top, slack))
    window_->move(rect.Left, rect.Top);
  window_->resize(Inside(rect.Width, frame.left() + frame.right(), window_->minimumWidth()),
                  Inside(rect.Height, frame.top() + frame.bottom(), window_->minimumHeight()));
}

bool MainWindowGeometry::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_) {
    // Exposure reaches the native window only, which exists from the first
    // show on; installing again changes nothing.
    if (event->type() == QEvent::Show)
      if (QWindow* handle = window_->windowHandle()) handle->installEventFilter(this);
    return false;
  }
  switch (event->type()) {
    case QEvent::Expose:
      FrameSeen(true);
      break;
    case QEvent::Move:
    case QEvent::Resize:
      FrameSeen(false);
      break;
    default:
      break;
  }
  return false;
}

void MainWindowGeometry::FrameSeen(bool exposed) {
  // A window manager frames a window before it maps it, so an exposed
  // window has its frame. Maximised or full-screen, it may have less of one
  // than it will have when it is restored; the correction waits for that.
  const QWindow* handle = window_->windowHandle();
  if (!handle || !handle->isExposed()) return;
  if (window_->isMaximized() || window_->isMinimized() || window_->isFullScreen()) return;
  const QMargins frame = handle->frameMargins();
  normalFrame_ = frame;
  if (!exposed || !unframed_) return;
  const Unframed wanted = *unframed_;
  unframed_.reset();
  // A size given since, by the user or the program, stands.
  const int slack = RoundingSlack();
  if (!frame.isNull() && Near(window_->width(), wanted.inside.width(), slack) &&
      Near(window_->height(), wanted.inside.height(), slack))
    Apply(wanted.rect, frame);
}

int MainWindowGeometry::RoundingSlack() const { return window_->devicePixelRatio() == 1.0 ? 0 : 1; }

WindowRect MainWindowGeometry::AsGiven(const WindowRect& rect) const {
  return given_ && Near(rect, *given_, RoundingSlack()) ? *given_ : rect;
}
