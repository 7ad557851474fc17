#pragma once

#include <memory>
#include <vector>

#include "pages/PageListObserver.h"
#include "pages/PageTypes.h"

// The pages of one tab. Pages are addressed by index on the user-interface
// side and by Id from the threads; indexes shift when a page is deleted,
// ids are never reused within a program run.
template <class Page>
struct TPageRegistry {
  explicit TPageRegistry(Mode m) : mode(m) {}

  Mode mode;
  int NextId = 0;
  int Current = -1;
  std::vector<std::unique_ptr<Page>> Pages;  // creation order, at most MaxPages
  PageListObserver* List = nullptr;          // the tab's page list, when attached
  HostListObserver* HostList = nullptr;      // Multi ping only

  int Count() const { return static_cast<int>(Pages.size()); }
  bool ValidIndex(int index) const { return index >= 0 && index < Count(); }
  Page* At(int index) const { return ValidIndex(index) ? Pages[index].get() : nullptr; }
  Page* CurrentPage() const { return At(Current); }

  int IndexOfId(int id) const {
    for (int i = 0; i < Count(); ++i)
      if (Pages[i]->Id == id) return i;
    return -1;
  }
  Page* FindById(int id) const { return At(IndexOfId(id)); }
};

using TPingRegistry = TPageRegistry<TPingPage>;
using TRangeRegistry = TPageRegistry<TRangePingPage>;

// The program's five registries; they live as long as the program.
extern TPingRegistry PingRegistry;
extern TPingRegistry MultiPingRegistry;
extern TRangeRegistry RangePingRegistry;
extern TPingRegistry TracerouteRegistry;
extern TPingRegistry PathPingRegistry;

// Empties all five, as at program start.
void ResetRegistries();
