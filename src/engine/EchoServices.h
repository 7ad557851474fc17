#pragma once

#include "platform/IcmpEcho.h"
#include "platform/NameResolver.h"

// The echo and name services the run threads use. By default the system's:
// the ICMP binding made at start-up (SystemIcmp) and the system resolver.
// Tests and the benchmark put their own behind them.
//
// Replace them only while no run is active: threads fetch them when they
// start and keep using what they fetched. The objects must outlive every run
// thread that may still use them, so a replacement is never destroyed while
// such a thread can run (tests keep theirs static or end their runs first).

IcmpEcho& EngineIcmp();
NameResolver& EngineResolver();

// Null restores the system's service.
void SetEngineIcmp(IcmpEcho* icmp);
void SetEngineResolver(NameResolver* resolver);
