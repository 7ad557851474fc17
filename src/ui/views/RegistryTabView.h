#pragma once

#include "pages/PageRegistry.h"
#include "ui/views/TabView.h"

// The registry side of a tab view: which pages there are, which is current,
// and how a page's host records are reached. PageT is TPingPage or TRangePingPage.
template <class PageT>
class RegistryTabView : public TabView {
 protected:
  RegistryTabView(Mode mode, TPageRegistry<PageT>& registry, TFramePages* pages, CopyMenus& menus,
                  QObject* parent)
      : TabView(mode, pages, menus, parent), registry_(registry) {}

  int PageCount() const override { return registry_.Count(); }
  int CurrentIndex() const override { return registry_.Current; }
  TPageCommon* Page(int index) const override { return registry_.At(index); }
  void SetCurrent(int index) override { registry_.Current = index; }
  PageT* Current() const { return registry_.CurrentPage(); }

  int HostCount(const TPageCommon& page) const override { return static_cast<const PageT&>(page).HostCount; }
  THostResult* Host(TPageCommon& page, int slot) const override {
    return Slot(static_cast<PageT&>(page), slot);
  }

  void ClearHostLinks() override {
    for (const auto& page : registry_.Pages)
      for (int k = 0; k < page->HostCount; ++k)
        if (THostResult* host = Slot(*page, k)) host->ListItem = NoListItem;
  }

  static THostResult* Slot(TPingPage& page, int slot) {
    return slot >= 0 && slot < page.HostCount && slot < MaxHosts ? &page.Hosts[static_cast<std::size_t>(slot)]
                                                                 : nullptr;
  }
  static THostResult* Slot(TRangePingPage& page, int slot) {
    if (slot < 0 || slot >= page.HostCount || slot >= static_cast<int>(page.Hosts.size())) return nullptr;
    return page.Hosts[static_cast<std::size_t>(slot)].get();
  }

  TPageRegistry<PageT>& registry_;
};
