#pragma once

#include <functional>

#include "pages/ModeLayout.h"

class TModeFrame;

// The settings' view of one mode frame: the height of its result pane and the
// widths of its host (or hop, or alive-host) columns and replies columns.
class FrameLayout final : public ModeLayout {
 public:
  // `hiddenFrameHeight` answers FrameClientHeight while the frame has not
  // been laid out yet (a window not shown, a tab never opened), which is when
  // the settings are loaded.
  FrameLayout(TModeFrame* frame, std::function<int()> hiddenFrameHeight)
      : frame_(frame), hiddenFrameHeight_(std::move(hiddenFrameHeight)) {}

  int PaneClientHeight() const override;
  void SetPaneClientHeight(int height) override;
  int FrameClientHeight() const override;

  int ResultColumnWidth(int column) const override;
  void SetResultColumnWidth(int column, int width) override;
  int ReplyColumnWidth(int column) const override;
  void SetReplyColumnWidth(int column, int width) override;

 private:
  TModeFrame* frame_;
  std::function<int()> hiddenFrameHeight_;
};
