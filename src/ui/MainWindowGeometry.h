#pragma once

#include <QMargins>
#include <QObject>
#include <QSize>
#include <optional>

#include "pages/WindowGeometry.h"

class QWidget;

// The settings' view of a top-level window. Rectangles are the window's
// outer bounds, the window manager's frame and title bar included, in both
// directions: a rectangle fitted into the work area keeps the title bar on
// the screen, and one saved and loaded again puts the frame where it was.
//
// The frame is known only once the window manager has framed the window,
// after its first show; until then Qt reports none. A rectangle set before
// that places the frame's corner at once (Qt puts a window that has no
// native window yet by its frame) and gives the inside the whole size; the
// first time the window is exposed in its normal state, the frame is taken
// out of the size. Without a window manager the frame stays empty and
// nothing moves. UI thread only.
class MainWindowGeometry final : public QObject, public WindowGeometry {
 public:
  explicit MainWindowGeometry(QWidget* window);

  // The available geometry of the window's screen (or the primary one).
  std::optional<WindowRect> WorkArea() const override;
  WindowRect CurrentRect() const override;
  // Qt keeps the inside of the window to restore once it is maximised; an
  // empty one means the window was never shown in its normal state. The
  // frame around it is the one the normal state had: a manager may draw a
  // maximised window with less of one.
  std::optional<WindowRect> NormalRect() const override;
  bool IsMaximized() const override;
  void SetRect(const WindowRect& rect) override;
  void Maximize() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A rectangle applied while the frame was unknown, and the size that gave
  // the inside.
  struct Unframed {
    WindowRect rect;
    QSize inside;
  };

  void Apply(const WindowRect& rect, const QMargins& frame);
  // The window is on the screen: note its frame while it is in its normal
  // state, and take that frame out of a rectangle applied without it.
  void FrameSeen(bool exposed);

  QWidget* window_;
  // The frame of the normal state, once the window has been seen in it.
  std::optional<QMargins> normalFrame_;
  std::optional<Unframed> unframed_;
};

// Places `window` at width x height, centred in its work area; halves are
// truncated toward zero, so a work area smaller than the window puts it left
// of or above the area's origin. Without a work area it goes to 0, 0.
void CentreInWorkArea(WindowGeometry& window, int width, int height);
