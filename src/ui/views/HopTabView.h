#pragma once

#include "ui/views/RegistryTabView.h"

class THopFrame;

// The Trace route tab (mode Traceroute) or the Path ping tab (mode
// PathPing). While it lives, its page list is the registry's list.
class HopTabView : public RegistryTabView<TPingPage> {
  Q_OBJECT

 public:
  HopTabView(Mode mode, TFramePages* pages, THopFrame* frame, CopyMenus& menus, QObject* parent = nullptr);
  ~HopTabView() override;

  TModeFrame* Frame() const override;
  THopFrame* Hops() const { return frame_; }
  void StoreFrameToPage() override;

 protected:
  void LoadEditors(const TPageCommon& page) override;
  std::optional<HostRowText> RowText(int slot, const THostResult& host) const override;

 private:
  THopFrame* frame_;
};
