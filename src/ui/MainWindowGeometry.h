#pragma once

#include <QMargins>
#include <QObject>
#include <QSize>
#include <optional>
#include <vector>

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

  // The available geometry of every screen of the desktop, the primary first.
  std::vector<WindowRect> WorkAreas() const override;
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
  // On a scaled screen the toolkit rounds each place and size to whole
  // device pixels, the frame's margins on their own, and the window manager
  // rounds a size down to the steps the toolkit asks of it (two device
  // pixels from a scale of 1.5 on): what is read back may be a scaled pixel
  // off what was set. None at scale 1.
  int RoundingSlack() const;
  // `rect`, or the rectangle last given when `rect` is only that one
  // rounded: a window nobody moved saves the numbers it was given, so the
  // rounding cannot add up over restarts. A move by one scaled pixel goes
  // with it.
  WindowRect AsGiven(const WindowRect& rect) const;

  QWidget* window_;
  // The frame of the normal state, once the window has been seen in it.
  std::optional<QMargins> normalFrame_;
  std::optional<Unframed> unframed_;
  // The last rectangle SetRect was given.
  std::optional<WindowRect> given_;
};
