#include "automation/ModePages.h"

#include "pages/PageRegistry.h"

namespace {

// Calls `visit` with the mode's registry, whichever page class it holds.
template <class Visit>
auto WithRegistry(Mode mode, Visit&& visit) {
  switch (mode) {
    case Mode::Ping:
      return visit(PingRegistry);
    case Mode::MultiPing:
      return visit(MultiPingRegistry);
    case Mode::RangePing:
      return visit(RangePingRegistry);
    case Mode::Traceroute:
      return visit(TracerouteRegistry);
    case Mode::PathPing:
      break;
  }
  return visit(PathPingRegistry);
}

}  // namespace

int ModePageCount(Mode mode) {
  return WithRegistry(mode, [](const auto& registry) { return registry.Count(); });
}

TPageCommon* ModePage(Mode mode, int index) {
  return WithRegistry(mode, [index](const auto& registry) -> TPageCommon* { return registry.At(index); });
}

TPageCommon* ModePageById(Mode mode, int id) {
  return WithRegistry(mode, [id](const auto& registry) -> TPageCommon* { return registry.FindById(id); });
}
