#include "ui/views/PingTabView.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>

#include "pages/EditorNumbers.h"
#include "ui/frames/EditorBytes.h"
#include "ui/frames/TFramePages.h"
#include "ui/frames/TFramePing.h"
#include "ui/models/PageListModel.h"
#include "ui/models/RowListModel.h"

PingTabView::PingTabView(TFramePages* pages, TFramePing* frame, CopyMenus& menus, QObject* parent)
    : RegistryTabView(Mode::Ping, PingRegistry, pages, menus, parent), frame_(frame) {
  registry_.List = pages->Model;
  Connect();
}

PingTabView::~PingTabView() {
  if (registry_.List == pages_->Model) registry_.List = nullptr;
}

TModeFrame* PingTabView::Frame() const { return frame_; }

void PingTabView::StoreFrameToPage() {
  try {
    TPingPage* page = Current();
    if (!page) return;
    page->Host = EditorBytes(frame_->EditHost);
    StoreRunSettings(*page);
    page->Ttl = EditorInt(EditorText(frame_->EditTtl), 255, 1, 255);
    page->ResolveHostName = frame_->CheckBoxResolveHostName->isChecked();
    page->PingForAllIp = frame_->CheckBoxPingForAllIp->isChecked();
    page->ShowReplys = frame_->CheckBoxShowReplys->isChecked();
  } catch (...) {
    // Fields stored before the failure keep their new values.
  }
}

void PingTabView::LoadEditors(const TPageCommon& common) {
  const auto& page = static_cast<const TPingPage&>(common);
  frame_->GroupBoxParam->setTitle(QString::fromStdString(page.Name));
  ShowBytes(frame_->EditHost, page.Host);
  LoadRunSettings(page);
  SetNumber(frame_->EditTtl, page.Ttl);
  frame_->CheckBoxResolveHostName->setChecked(page.ResolveHostName);
  frame_->CheckBoxPingForAllIp->setChecked(page.PingForAllIp);
  frame_->CheckBoxShowReplys->setChecked(page.ShowReplys);
}

std::optional<HostRowText> PingTabView::RowText(int slot, const THostResult& host) const {
  // Only resolved addresses have rows.
  if (host.State != 0) return std::nullopt;
  return PingHostRow(slot, host);
}
