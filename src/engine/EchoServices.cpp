#include "engine/EchoServices.h"

#include <atomic>

#include "platform/SocketIcmpEcho.h"
#include "platform/SystemResolver.h"

namespace {

// Atomic because a test may replace a service while threads of an earlier,
// already stopped run are still ending.
std::atomic<IcmpEcho*> icmpOverride{nullptr};
std::atomic<NameResolver*> resolverOverride{nullptr};

NameResolver& SystemNameResolver() {
  // Never destroyed: lookup threads still ending at exit may use it.
  static SystemResolver* resolver = new SystemResolver;
  return *resolver;
}

}  // namespace

IcmpEcho& EngineIcmp() {
  IcmpEcho* icmp = icmpOverride.load();
  return icmp ? *icmp : SystemIcmp();
}

NameResolver& EngineResolver() {
  NameResolver* resolver = resolverOverride.load();
  return resolver ? *resolver : SystemNameResolver();
}

void SetEngineIcmp(IcmpEcho* icmp) { icmpOverride.store(icmp); }

void SetEngineResolver(NameResolver* resolver) { resolverOverride.store(resolver); }
