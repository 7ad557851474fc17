#pragma once

#include "pages/WindowGeometry.h"

class QWidget;

// The settings' view of a top-level window. Rectangles are the window's
// client geometry in both directions, so a rectangle saved and loaded again
// lands where it was, whatever the window manager's frame adds around it.
class MainWindowGeometry final : public WindowGeometry {
 public:
  explicit MainWindowGeometry(QWidget* window) : window_(window) {}

  // The available geometry of the window's screen (or the primary one).
  std::optional<WindowRect> WorkArea() const override;
  WindowRect CurrentRect() const override;
  // Qt keeps the rectangle to restore to once the window is maximised; an
  // empty one means the window was never shown in its normal state.
  std::optional<WindowRect> NormalRect() const override;
  bool IsMaximized() const override;
  void SetRect(const WindowRect& rect) override;
  void Maximize() override;

 private:
  QWidget* window_;
};

// Places `window` at width x height, centred in its work area; halves are
// truncated toward zero, so a work area smaller than the window puts it left
// of or above the area's origin. Without a work area it goes to 0, 0.
void CentreInWorkArea(WindowGeometry& window, int width, int height);
