#pragma once

#include <string>

#include "pages/ModePages.h"
#include "pages/PageOperations.h"
#include "pages/Settings.h"

// Empties the five registries and brings the options back to their start-up values.
inline void ResetPagesAndOptions() { ResetRegistries(), ResetOptions(); }

// Appends a page to the mode's registry and returns it.
inline TPageCommon& AddTestPage(Mode mode, const std::string& name = "Page") {
  WithModeRegistry(mode, [&]<class Page>(TPageRegistry<Page>& registry) {
    Page page;
    page.Name = name;
    AddPage(registry, page);
  });
  return *ModePage(mode, ModePageCount(mode) - 1);
}

// A local time; the week day (0 = Sunday) must fit the date where it counts.
inline SystemTime LocalTime(int year, int month, int day, int hour, int minute, int second = 0,
                            int dayOfWeek = 0) {
  auto u16 = [](int v) { return static_cast<std::uint16_t>(v); };
  return {u16(year), u16(month), u16(dayOfWeek), u16(day), u16(hour), u16(minute), u16(second), 0};
}

// A controller stand-in for pages that are to look busy.
inline PageWorker* BusyWorker() {
  struct Busy : PageWorker {
    void Terminate() override {}
  };
  static Busy busy;
  return &busy;
}
