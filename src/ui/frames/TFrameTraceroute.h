#pragma once

#include "ui/frames/THopFrame.h"

// The Trace route tab.
class TFrameTraceroute : public THopFrame {
  Q_OBJECT

 public:
  explicit TFrameTraceroute(QWidget* parent = nullptr);
};
