#pragma once

#include <optional>
#include <vector>

// A rectangle of the screen in pixels.
struct WindowRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;

  friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// What the settings need of the main window: its place on the screen. Every
// rectangle is the window's outer bounds, the frame and title bar a window
// manager draws around it included, so that a rectangle fitted into the work
// area has the whole frame on the screen. The window implements it with its
// screens' available geometry and its frame; tests implement it with plain
// fields. Used on the UI thread only.
class WindowGeometry {
 public:
  // Each monitor's desktop less panels and task bars, the primary monitor's
  // first; none when the system does not report them.
  virtual std::vector<WindowRect> WorkAreas() const = 0;
  // The window's outer bounds as they are now.
  virtual WindowRect CurrentRect() const = 0;
  // The outer bounds the window returns to when it is no longer maximised;
  // nullopt when the system does not report it.
  virtual std::optional<WindowRect> NormalRect() const = 0;
  virtual bool IsMaximized() const = 0;
  // Moves and sizes the window's outer bounds. The values may be degenerate
  // (a hostile file can hold any number); the window applies its own
  // minimum size.
  virtual void SetRect(const WindowRect& rect) = 0;
  virtual void Maximize() = 0;

 protected:
  ~WindowGeometry() = default;
};
