#include "pages/PageRegistry.h"

TPingRegistry PingRegistry(Mode::Ping);
TPingRegistry MultiPingRegistry(Mode::MultiPing);
TRangeRegistry RangePingRegistry(Mode::RangePing);
TPingRegistry TracerouteRegistry(Mode::Traceroute);
TPingRegistry PathPingRegistry(Mode::PathPing);

namespace {
template <class Page>
void Reset(TPageRegistry<Page>& registry) {
  registry.Pages.clear();
  registry.NextId = 0;
  registry.Current = -1;
}
}  // namespace

void ResetRegistries() {
  Reset(PingRegistry);
  Reset(MultiPingRegistry);
  Reset(RangePingRegistry);
  Reset(TracerouteRegistry);
  Reset(PathPingRegistry);
}
