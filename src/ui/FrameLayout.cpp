#include "ui/FrameLayout.h"

#include <QHeaderView>
#include <QTreeView>

#include "ui/frames/TModeFrame.h"

namespace {

int SectionSize(const QTreeView* view, int column) {
  if (!view || column < 0 || column >= view->header()->count()) return 0;
  return view->header()->sectionSize(column);
}

void ResizeSection(QTreeView* view, int column, int width) {
  if (!view || column < 0 || column >= view->header()->count()) return;
  view->header()->resizeSection(column, width);
}

}  // namespace

int FrameLayout::PaneClientHeight() const { return frame_->ResultPaneHeight(); }

void FrameLayout::SetPaneClientHeight(int height) { frame_->SetResultPaneHeight(height); }

int FrameLayout::ResultColumnWidth(int column) const { return SectionSize(frame_->HostView(), column); }

void FrameLayout::SetResultColumnWidth(int column, int width) {
  ResizeSection(frame_->HostView(), column, width);
}

int FrameLayout::ReplyColumnWidth(int column) const {
  return SectionSize(frame_->VirtualStringTree2, column);
}

void FrameLayout::SetReplyColumnWidth(int column, int width) {
  ResizeSection(frame_->VirtualStringTree2, column, width);
}
