#include "ui/views/HopTabView.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>

#include "pages/EditorNumbers.h"
#include "ui/frames/EditorBytes.h"
#include "ui/frames/TFramePages.h"
#include "ui/frames/THopFrame.h"
#include "ui/models/PageListModel.h"

namespace {
TPingRegistry& RegistryOf(Mode mode) {
  return mode == Mode::PathPing ? PathPingRegistry : TracerouteRegistry;
}
}  // namespace

HopTabView::HopTabView(Mode mode, TFramePages* pages, THopFrame* frame, CopyMenus& menus, QObject* parent)
    : RegistryTabView(mode, RegistryOf(mode), pages, menus, parent), frame_(frame) {
  registry_.List = pages->Model;
  Connect();
}

HopTabView::~HopTabView() {
  if (registry_.List == pages_->Model) registry_.List = nullptr;
}

TModeFrame* HopTabView::Frame() const { return frame_; }

void HopTabView::StoreFrameToPage() {
  try {
    TPingPage* page = Current();
    if (!page) return;
    page->Host = EditorBytes(frame_->EditHost);
    StoreRunSettings(*page);
    page->Hops = EditorInt(EditorText(frame_->EditHops), 32, 1, MaxHosts);
    page->ResolveHostName = frame_->CheckBoxResolveHostName->isChecked();
    page->ShowReplys = frame_->CheckBoxShowReplys->isChecked();
  } catch (...) {
    // Fields stored before the failure keep their new values.
  }
}

void HopTabView::LoadEditors(const TPageCommon& common) {
  const auto& page = static_cast<const TPingPage&>(common);
  frame_->GroupBoxParam->setTitle(QString::fromStdString(page.Name));
  ShowBytes(frame_->EditHost, page.Host);
  LoadRunSettings(page);
  SetNumber(frame_->EditHops, page.Hops);
  frame_->CheckBoxResolveHostName->setChecked(page.ResolveHostName);
  frame_->CheckBoxShowReplys->setChecked(page.ShowReplys);
}

std::optional<HostRowText> HopTabView::RowText(int slot, const THostResult& hop) const {
  // Hops the run dropped (State -1) get no row, so the numbers may skip.
  return HopRow(slot, hop);
}
