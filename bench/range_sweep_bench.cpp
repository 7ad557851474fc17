// The IP range ping sweep: one page over 127.1.0.0 - 127.1.255.255 (65,536
// addresses, every one answers on the loopback device) with 500 workers,
// timeout 1000, delay 0, one pass, names off, replies kept, and the
// window's tabs attached with the IP range ping tab shown, so the alive-host
// grid is filled and painted as hosts answer. Prints the wall time against
// the least time the run's own pacing allows (one address per hand-shake
// and a 10 ms pause after every 11 addresses), hosts found, CPU time, peak
// memory and the longest stall of the user-interface thread; then times
// `fping -g 127.1.0.0/16 -r 0 -i 1 -q` in the same place for comparison.
// Needs root for the raw ICMP road where datagram ICMP is not allowed.
//
//   range_sweep_bench [raw | datagram [last address [threads]]]
//
// Without arguments the system's own choice of road is measured in the
// host's namespace; "datagram" runs in a namespace of its own where
// datagram ICMP is allowed. A last address below 127.1.255.255 and a
// smaller pool are for finding out what limits the sweep, as is
// SWEEP_HIDDEN=1 in the environment, which leaves the tab hidden.
#include <arpa/inet.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeView>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "common/BenchMeasures.h"
#include "common/BenchWindow.h"
#include "engine/EchoServices.h"
#include "engine/HandOff.h"
#include "engine/RunThread.h"
#include "pages/PageOperations.h"
#include "pages/PageRegistry.h"
#include "platform/SocketIcmpEcho.h"
#include "support/TestNetwork.h"
#include "ui/RangePingStart.h"

namespace {

// The controller's pacing: a 10 ms pause after every 11 addresses.
constexpr int AddressesPerBurst = 11;
constexpr double BurstPauseSeconds = 0.010;

constexpr double WallTarget = 1.10;  // at most this many times the ideal time
constexpr double StallTargetMs = 100;
constexpr double MemoryTargetMb = 200;

// Turns the event loop until `done` holds or `timeout` has passed, blocking
// while there is nothing to do: processEvents with a time limit never
// waits, and a spinning user-interface thread would be counted as the
// sweep's CPU time. The stall meter's timer wakes the loop every 10 ms.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() >= timeout.count()) return done();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

// The round trip of one empty hand-off from a run thread while the
// user-interface thread waits for events, as the controller's dispatch of
// each address meets it: the literal pacing adds this once per address.
double HandOffRoundTripUs() {
  constexpr int Trips = 2000;
  std::atomic<bool> done{false};
  double us = 0;
  std::thread thread([&] {
    std::chrono::steady_clock::duration busy{};
    for (int i = 0; i < Trips; ++i) {
      const auto before = std::chrono::steady_clock::now();
      Synchronize([] {});
      busy += std::chrono::steady_clock::now() - before;
      // Spaced like the dispatches, so the user-interface thread is asleep at each.
      std::this_thread::sleep_for(std::chrono::microseconds(900));
    }
    us = std::chrono::duration<double, std::micro>(busy).count() / Trips;
    done = true;
  });
  WaitUntil([&] { return done.load(); }, std::chrono::minutes(1));
  thread.join();
  return us;
}

const char* RoadName(IcmpRoad road) {
  switch (road) {
    case IcmpRoad::Datagram:
      return "datagram";
    case IcmpRoad::Raw:
      return "raw";
    case IcmpRoad::None:
      break;
  }
  return "none";
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  InstallHandOff();
  RaiseOpenFileLimit();
  const std::string road = argc > 1 ? argv[1] : "";
  const std::string last = argc > 2 ? argv[2] : "127.1.255.255";
  const int threads = argc > 3 ? std::atoi(argv[3]) : 500;
  const int addresses = static_cast<int>(ntohl(inet_addr(last.c_str())) - ntohl(inet_addr("127.1.0.0")) + 1);
  TestNetwork network;
  std::optional<NetnsScope> inside;
  if (road == "datagram") {
    const std::string ns = network.AddNamespace("sweep");
    if (ns.empty() || !network.AllowDatagramPing(ns)) return 2;
    inside.emplace(ns);
    if (!inside->ok()) return 2;
  }
  const IcmpBinding binding = ProbeIcmpRoads(road == "datagram" ? IcmpRoadChoice::DatagramOnly
                                             : road == "raw"    ? IcmpRoadChoice::RawOnly
                                                                : IcmpRoadChoice::Auto);
  if (binding.ipv4 == IcmpRoad::None) {
    std::fprintf(stderr, "range_sweep_bench: no ICMP socket for IPv4 (run as root)\n");
    return 2;
  }
  SocketIcmpEcho echo(binding);
  SetEngineIcmp(&echo);
  BenchWindow window(Mode::RangePing, !std::getenv("SWEEP_HIDDEN"));

  TRangePingPage page;
  page.Name = "sweep";
  page.From = "127.1.0.0";
  page.To = last;
  page.Threads = threads;
  page.TimeOut = 1000;
  page.Delay = 0;
  page.Retries = 1;
  page.ByMinutes = false;
  page.ResolveHostName = false;
  page.ShowReplys = true;
  if (!AddRangePingPage(page)) return 2;
  // The shown page: Start takes its editors, which show these values.
  ShowRangePingPage(0, false, true);
  StallMeter meter;

  const double ideal = (addresses / AddressesPerBurst) * BurstPauseSeconds;
  std::printf(
      "IP range ping 127.1.0.0 - %s: %d addresses, %d workers, timeout 1000 ms, delay 0,\n"
      "one pass, names off, replies kept, %s ICMP road, IP range ping tab shown\n",
      last.c_str(), addresses, threads, RoadName(binding.ipv4));
  const double roundTripUs = HandOffRoundTripUs();
  const ProcessUsage before = SelfUsage();
  QElapsedTimer clock;
  clock.start();
  meter.Reset();
  StartRangePingPage(0, false, 1, 1, false);
  const TRangePingPage& run = *RangePingRegistry.At(0);
  const bool ended = WaitUntil([&] { return run.Worker == nullptr; }, std::chrono::minutes(10));
  const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  const double stallMs = meter.LongestStallMs();
  const ProcessUsage after = SelfUsage();
  const int rows = window.range.VirtualStringTree1->model()->rowCount();
  WaitUntil([] { return RunThread::RunningThreads() == 0; }, std::chrono::seconds(10));

  const double ratio = wall / ideal;
  const double peakMb = static_cast<double>(after.peakResidentKb) / 1024.0;
  std::printf("  wall time        %8.2f s%s\n", wall, ended ? "" : "  (did not end within 10 minutes)");
  std::printf("  ideal time       %8.2f s   (%d pauses of 10 ms)\n", ideal, addresses / AddressesPerBurst);
  std::printf("  wall / ideal     %8.3f     (target at most %.2f)\n", ratio, WallTarget);
  std::printf(
      "  hand-off trip    %8.1f us  (the user-interface thread woken for each dispatch;\n"
      "                                %d of them add %.2f s to the ideal)\n",
      roundTripUs, addresses, roundTripUs * addresses / 1e6);
  std::printf("  hosts found      %8d     (grid rows %d; target %d)\n", run.HostCount, rows, addresses);
  std::printf("  CPU time         %8.2f s\n", after.cpuSeconds - before.cpuSeconds);
  std::printf("  peak memory      %8.1f MB  (target under %.0f)\n", peakMb, MemoryTargetMb);
  std::printf("  UI stall         %8.1f ms  (target under %.0f)\n", stallMs, StallTargetMs);

  // fping's -g over the /16 leaves out its first and last address.
  const ChildRun fping = RunProgram({"fping", "-g", "127.1.0.0/16", "-r", "0", "-i", "1", "-q"});
  if (fping.exitCode < 0)
    std::printf("  fping did not run\n");
  else
    std::printf("  fping -g 127.1.0.0/16 -r 0 -i 1 -q: %.2f s wall, %.2f s CPU, exit %d\n", fping.wallSeconds,
                fping.cpuSeconds, fping.exitCode);

  SetEngineIcmp(nullptr);
  const bool met = ended && run.HostCount == addresses && ratio <= WallTarget && stallMs < StallTargetMs &&
                   peakMb < MemoryTargetMb;
  std::printf("%s\n", met ? "all targets met" : "some target missed");
  return met ? 0 : 1;
}
