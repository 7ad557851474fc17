#include "ui/MainWindowGeometry.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

WindowRect FromQRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

}  // namespace

std::optional<WindowRect> MainWindowGeometry::WorkArea() const {
  const QScreen* screen = window_->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return std::nullopt;
  const QRect area = screen->availableGeometry();
  if (area.isEmpty()) return std::nullopt;
  return FromQRect(area);
}

WindowRect MainWindowGeometry::CurrentRect() const { return FromQRect(window_->geometry()); }

std::optional<WindowRect> MainWindowGeometry::NormalRect() const {
  const QRect normal = window_->normalGeometry();
  if (normal.isEmpty()) return std::nullopt;
  return FromQRect(normal);
}

bool MainWindowGeometry::IsMaximized() const { return window_->isMaximized(); }

void MainWindowGeometry::SetRect(const WindowRect& rect) {
  // A settings file may hold any numbers; a window of no size could not be
  // seen or grabbed again.
  const int width = std::max(rect.Width, window_->minimumWidth());
  const int height = std::max(rect.Height, window_->minimumHeight());
  window_->setGeometry(rect.Left, rect.Top, std::max(width, 1), std::max(height, 1));
}

void MainWindowGeometry::Maximize() { window_->setWindowState(window_->windowState() | Qt::WindowMaximized); }

void CentreInWorkArea(WindowGeometry& window, int width, int height) {
  const std::optional<WindowRect> area = window.WorkArea();
  WindowRect rect{0, 0, width, height};
  if (area) {
    rect.Left = area->Left + (area->Width - width) / 2;
    rect.Top = area->Top + (area->Height - height) / 2;
  }
  window.SetRect(rect);
}
