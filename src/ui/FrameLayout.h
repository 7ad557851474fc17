#pragma once

#include "pages/ModeLayout.h"

class TModeFrame;

// The settings' view of one mode frame: the height of its result pane and the
// widths of its host (or hop, or alive-host) columns and replies columns.
class FrameLayout final : public ModeLayout {
 public:
  explicit FrameLayout(TModeFrame* frame) : frame_(frame) {}

  int PaneClientHeight() const override;
  void SetPaneClientHeight(int height) override;

  int ResultColumnWidth(int column) const override;
  void SetResultColumnWidth(int column, int width) override;
  int ReplyColumnWidth(int column) const override;
  void SetReplyColumnWidth(int column, int width) override;

 private:
  TModeFrame* frame_;
};
