#include "AutomationTestSupport.h"

#include "engine/ResolveHostThread.h"
#include "pages/ModePages.h"
#include "pages/PageOperations.h"
#include "pages/Settings.h"

void ResetPagesAndOptions() {
  ResetRegistries();
  ResetOptions();
}

TPageCommon& AddTestPage(Mode mode, const std::string& name) {
  TRangePingPage range;
  TPingPage ping;
  range.Name = ping.Name = name;
  if (mode == Mode::RangePing)
    AddPage(RangePingRegistry, range);
  else
    AddPage(*RowRegistryOfMode(mode), ping);
  return *ModePage(mode, ModePageCount(mode) - 1);
}

SystemTime LocalTime(int year, int month, int day, int hour, int minute, int second, int dayOfWeek) {
  auto u16 = [](int v) { return static_cast<std::uint16_t>(v); };
  return {u16(year), u16(month), u16(dayOfWeek), u16(day), u16(hour), u16(minute), u16(second), 0};
}

PageWorker* BusyWorker() {
  struct Busy : PageWorker {
    void Terminate() override {}
  };
  static Busy busy;
  return &busy;
}
