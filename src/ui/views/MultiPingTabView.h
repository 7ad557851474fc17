#pragma once

#include "ui/views/RegistryTabView.h"

class TFrameMultiPing;

// The Multi ping tab. While it lives, its page list is the registry's list
// and its host list the registry's host list; the Add and Delete buttons and
// "Delete Host" edit the current page's hosts here.
class MultiPingTabView : public RegistryTabView<TPingPage> {
  Q_OBJECT

 public:
  MultiPingTabView(TFramePages* pages, TFrameMultiPing* frame, CopyMenus& menus, QObject* parent = nullptr);
  ~MultiPingTabView() override;

  TModeFrame* Frame() const override;
  TFrameMultiPing* MultiPing() const { return frame_; }
  void StoreFrameToPage() override;
  void UpdateRunButtons() override;

  // BitBtnAdd: adds the text of EditHost to the current page when it is idle.
  void AddHostClick();
  // BitBtnDelete and "Delete Host": deletes the selected host of an idle page.
  void DeleteHostClick();

 protected:
  void LoadEditors(const TPageCommon& page) override;
  void ShowRunButtons(const TPageCommon& page) override;
  bool BuildHostRows(TPageCommon& page) override;
  std::optional<HostRowText> RowText(int slot, const THostResult& host) const override;
  void HostRowChanged(ListHandle row) override;
  int ReplyLineTexts() const override { return 9; }
  void ShowHostMenu(const QPoint& pos) override;

 private:
  TFrameMultiPing* frame_;
};
