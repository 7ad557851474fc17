#include "ui/MainWindowGeometry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {

WindowRect FromQRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

// The inside's share of an outer extent. A settings file may hold any
// numbers; a window of no size could not be seen or grabbed again.
int Inside(int outer, int frame, int minimum) {
  return static_cast<int>(std::max<long long>({static_cast<long long>(outer) - frame, minimum, 1}));
}

}  // namespace

MainWindowGeometry::MainWindowGeometry(QWidget* window) : window_(window) {
  window_->installEventFilter(this);
}

std::optional<WindowRect> MainWindowGeometry::WorkArea() const {
  const QScreen* screen = window_->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return std::nullopt;
  const QRect area = screen->availableGeometry();
  if (area.isEmpty()) return std::nullopt;
  return FromQRect(area);
}

WindowRect MainWindowGeometry::CurrentRect() const { return FromQRect(window_->frameGeometry()); }

std::optional<WindowRect> MainWindowGeometry::NormalRect() const {
  const QRect normal = window_->normalGeometry();
  if (normal.isEmpty()) return std::nullopt;
  // Never seen in the normal state: the inside still holds the whole
  // rectangle it was given.
  return FromQRect(normal.marginsAdded(normalFrame_.value_or(QMargins())));
}

bool MainWindowGeometry::IsMaximized() const { return window_->isMaximized(); }

void MainWindowGeometry::SetRect(const WindowRect& rect) {
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
  // place the inside. A frame already in place is left there: a shown
  // window that is moved is placed by its inside from then on, and some
  // platforms nudge such a window back onto the screen.
  if (window_->pos() != QPoint(rect.Left, rect.Top)) window_->move(rect.Left, rect.Top);
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
  if (!frame.isNull() && window_->size() == wanted.inside) Apply(wanted.rect, frame);
}

void CentreInWorkArea(WindowGeometry& window, int width, int height) {
  const std::optional<WindowRect> area = window.WorkArea();
  WindowRect rect{0, 0, width, height};
  if (area) {
    rect.Left = area->Left + (area->Width - width) / 2;
    rect.Top = area->Top + (area->Height - height) / 2;
  }
  window.SetRect(rect);
}
