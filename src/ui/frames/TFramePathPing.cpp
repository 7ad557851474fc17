#include "ui/frames/TFramePathPing.h"

TFramePathPing::TFramePathPing(QWidget* parent) : THopFrame(parent) {}
