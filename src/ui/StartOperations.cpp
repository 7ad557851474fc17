#include "ui/MultiPingStart.h"
#include "ui/PingStart.h"
#include "ui/RangePingStart.h"
#include "ui/RouteStart.h"
#include "ui/RunStart.h"

void StartPage(Mode mode, int index, const StartArguments& arguments) {
  switch (mode) {
    case Mode::Ping:
      return StartPingPage(index, arguments.fromTask, arguments.retries, arguments.minutes,
                           arguments.byMinutes);
    case Mode::MultiPing:
      return StartMultiPingPage(index, arguments.fromTask, arguments.retries, arguments.minutes,
                                arguments.byMinutes);
    case Mode::RangePing:
      return StartRangePingPage(index, arguments.fromTask, arguments.retries, arguments.minutes,
                                arguments.byMinutes);
    case Mode::Traceroute:
      return StartTraceroutePage(index, arguments.fromTask, arguments.retries, arguments.minutes,
                                 arguments.byMinutes);
    case Mode::PathPing:
      return StartPathPingPage(index, arguments.fromTask, arguments.retries, arguments.minutes,
                               arguments.byMinutes);
  }
}
