#include "platform/BrokenPipes.h"

#include <csignal>

namespace {

extern "C" void IgnoreBrokenPipe(int) {}

}  // namespace

void SurviveBrokenPipes() {
  // A handler that does nothing rather than SIG_IGN: an ignored signal stays
  // ignored across exec, and the programs started at the end of a run would
  // then miss the SIGPIPE that pipelines rely on to stop early.
  struct sigaction action {};
  action.sa_handler = IgnoreBrokenPipe;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGPIPE, &action, nullptr);
}
