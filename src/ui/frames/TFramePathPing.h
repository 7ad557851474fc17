#pragma once

#include "ui/frames/THopFrame.h"

// The Path ping tab: the same controls as the Trace route tab.
class TFramePathPing : public THopFrame {
  Q_OBJECT

 public:
  explicit TFramePathPing(QWidget* parent = nullptr);
};
