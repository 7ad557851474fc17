#pragma once

#include "ui/views/RegistryTabView.h"

class TFramePing;

// The Ping tab. While it lives, its page list is the Ping registry's list.
class PingTabView : public RegistryTabView<TPingPage> {
  Q_OBJECT

 public:
  PingTabView(TFramePages* pages, TFramePing* frame, CopyMenus& menus, QObject* parent = nullptr);
  ~PingTabView() override;

  TModeFrame* Frame() const override;
  TFramePing* Ping() const { return frame_; }
  void StoreFrameToPage() override;

 protected:
  void LoadEditors(const TPageCommon& page) override;
  std::optional<HostRowText> RowText(int slot, const THostResult& host) const override;
  int ReplyLineTexts() const override { return 9; }

 private:
  TFramePing* frame_;
};
