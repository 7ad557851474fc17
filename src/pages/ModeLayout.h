#pragma once

#include <array>

#include "pages/PageTypes.h"

// Columns whose widths the settings file keeps: the result list of every tab
// has ten, the alive-host grid of the IP range ping tab nine, and every
// replies grid seven.
inline constexpr int ReplyColumnCount = 7;
inline constexpr int ResultColumnCount(Mode mode) { return mode == Mode::RangePing ? 9 : 10; }

// What the settings need of one tab: the height the user gave its result
// pane (the tab fits it to the room it has) and the widths of its columns.
// The window implements it per mode frame; tests with plain fields. Column
// numbers run from 0 to the counts above less one. Used on the UI thread only.
class ModeLayout {
 public:
  virtual int PaneClientHeight() const = 0;
  virtual void SetPaneClientHeight(int height) = 0;

  virtual int ResultColumnWidth(int column) const = 0;
  virtual void SetResultColumnWidth(int column, int width) = 0;
  virtual int ReplyColumnWidth(int column) const = 0;
  virtual void SetReplyColumnWidth(int column, int width) = 0;

 protected:
  ~ModeLayout() = default;
};

// One layout per mode, in the order of AllModes; a null entry is left alone.
using ModeLayouts = std::array<ModeLayout*, AllModes.size()>;
