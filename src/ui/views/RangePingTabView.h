#pragma once

#include "ui/views/RegistryTabView.h"

class TFrameRangePing;

// The IP range ping tab. While it lives, its page list is the registry's list.
class RangePingTabView : public RegistryTabView<TRangePingPage> {
  Q_OBJECT

 public:
  RangePingTabView(TFramePages* pages, TFrameRangePing* frame, CopyMenus& menus, QObject* parent = nullptr);
  ~RangePingTabView() override;

  TModeFrame* Frame() const override;
  TFrameRangePing* RangePing() const { return frame_; }
  void StoreFrameToPage() override;

 protected:
  void LoadEditors(const TPageCommon& page) override;
  bool BuildHostRows(TPageCommon& page) override;
  std::optional<HostRowText> RowText(int slot, const THostResult& host) const override;
  std::int64_t RowKey(int slot, const THostResult& host) const override;
  int RowColumns() const override { return AliveHostColumns; }
  void HostRowChanged(ListHandle row) override;
  void ShowHostMenu(const QPoint& pos) override;

 private:
  TFrameRangePing* frame_;
};
