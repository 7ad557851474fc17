#include "ui/EngineHooks.h"

Status BindEchoEntryPoints() {
  // No ICMP layer yet: nothing to bind, nothing that can fail.
  return Status::Success();
}

void StopRunThreadsForShutdown() {
  // No run threads exist yet.
}
