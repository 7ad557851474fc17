#include "engine/HopRunStart.h"

#include <memory>

#include "engine/PathPinger.h"
#include "engine/ReplyAccounting.h"
#include "engine/TracePinger.h"
#include "pages/ModePages.h"

HopRunSettings PrepareHopRows(TPingPage& page, const TaskRunValues* task) {
  const HopRunSettings settings = HopSettingsOfPage(page, task);
  page.ReplyCapacity = PingReplyCapacity(settings.ByMinutes, settings.Retries, settings.Minutes,
                                         settings.Delay, page.ShowReplys);
  // Every hop's store is reserved once here, so that no echo allocates.
  for (int slot = 0; slot < settings.Hops; ++slot) {
    THostResult& host = page.Hosts[static_cast<std::size_t>(slot)];
    host.ReplyCapacity = page.ReplyCapacity;
    if (page.ReplyCapacity > 0) host.Replies.reserve(static_cast<std::size_t>(page.ReplyCapacity));
  }
  page.HostCount = settings.Hops;
  page.DestinationHop = 0;
  return settings;
}

bool LaunchHopRun(Mode mode, TPingPage& page, const TaskRunValues* task) {
  if (mode != Mode::Traceroute && mode != Mode::PathPing) return false;
  const HopRunSettings settings = PrepareHopRows(page, task);
  const RunStamp stamp{page.Id, page.RunId};
  std::unique_ptr<RunThread> controller;
  if (mode == Mode::Traceroute)
    controller = std::make_unique<TracePinger>(stamp, page.Host, settings);
  else
    controller = std::make_unique<PathPinger>(stamp, page.Host, settings);
  return LaunchController(*PingModeRegistry(mode), page, std::move(controller));
}
