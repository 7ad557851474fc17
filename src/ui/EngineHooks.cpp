#include "ui/EngineHooks.h"

#include "engine/HandOff.h"
#include "engine/RunShutdown.h"
#include "platform/SocketIcmpEcho.h"

Status BindEchoEntryPoints() {
  // Run results reach the window through the hand-off; its receiver lives on
  // this thread. A window made after another one's shutdown opens it again.
  InstallHandOff();
  OpenHandOffGate();
  // Bound once per process: threads of an earlier window that are still
  // ending may be using the binding.
  static const Status bound = BindSystemIcmp();
  return bound;
}

void StopRunThreadsForShutdown() { ShutdownRunThreads(); }
