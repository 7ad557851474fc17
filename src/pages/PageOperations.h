#pragma once

#include <string>

#include "pages/PageRegistry.h"

// Creating, renaming and removing pages, and the Multi ping host list. All run
// on the user-interface thread; refusals are silent.

// Creates a page from the template: fresh id, clamped settings, reset results,
// a row in the page list. False when the registry is full.
bool AddPage(TPingRegistry& registry, const TPingPage& tmpl);
bool AddPage(TRangeRegistry& registry, const TRangePingPage& tmpl);

inline bool AddPingPage(const TPingPage& t) { return AddPage(PingRegistry, t); }
inline bool AddMultiPingPage(const TPingPage& t) { return AddPage(MultiPingRegistry, t); }
inline bool AddRangePingPage(const TRangePingPage& t) { return AddPage(RangePingRegistry, t); }
inline bool AddTraceroutePage(const TPingPage& t) { return AddPage(TracerouteRegistry, t); }
inline bool AddPathPingPage(const TPingPage& t) { return AddPage(PathPingRegistry, t); }

template <class Page>
void RenamePage(TPageRegistry<Page>& registry, int index, const std::string& name) {
  Page* page = registry.At(index);
  if (!page || name.empty()) return;
  page->Name = name;
  if (registry.List) {
    registry.List->SetPageCaption(page->ListItem, name);
    if (index == registry.Current) registry.List->SetParamCaption(name);
  }
}

// Removes the page at index from the registry and its list row, closing the gap.
// Stopping and clearing its run is the caller's business.
template <class Page>
void RemovePage(TPageRegistry<Page>& registry, int index) {
  if (!registry.ValidIndex(index)) return;
  if (registry.List) registry.List->DeletePageRow(registry.Pages[index]->ListItem);
  registry.Pages.erase(registry.Pages.begin() + index);
}

void AddMultiPingHost(TPingRegistry& registry, int index, const std::string& host);
bool DeleteMultiPingHost(TPingRegistry& registry, int index, int row);

// Clamps shared by the add operations and the editors.
int ClampInt(long long value, int low, int high);
