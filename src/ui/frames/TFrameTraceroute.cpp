#include "ui/frames/TFrameTraceroute.h"

TFrameTraceroute::TFrameTraceroute(QWidget* parent) : THopFrame(parent) {}
