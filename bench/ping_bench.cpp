// Ping pages against 127.0.0.1 with 1, 16 and 128 workers (one page per
// worker), delay 0, a fixed number of echoes, on each socket road, with the
// window's models and the Ping tab attached as in real use. Prints echoes
// per second, CPU time per echo, peak memory and the longest stall of the
// user-interface thread, and times iputils `ping -f` in the same place as
// the floor. Needs root: the raw road and the namespace of the datagram road.
//
//   ping_bench [echoes per configuration, default 20000]
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/BenchMeasures.h"
#include "common/BenchWindow.h"
#include "engine/EchoServices.h"
#include "engine/HandOff.h"
#include "engine/RunThread.h"
#include "pages/PageOperations.h"
#include "pages/PageRegistry.h"
#include "platform/IcmpSocketHandle.h"
#include "platform/SocketIcmpEcho.h"
#include "support/TestNetwork.h"
#include "ui/PingStart.h"

namespace {

constexpr int WorkerCounts[] = {1, 16, 128};
constexpr double CpuTarget = 10.0;    // at most this many times the floor's CPU per echo
constexpr double StallTargetMs = 50;  // no longer stall of the user-interface thread

struct Outcome {
  double wall = 0;
  double cpu = 0;
  long peakKb = 0;
  double stallMs = 0;
  std::uint64_t sent = 0;
  std::uint64_t received = 0;
};

void MakePages(int count) {
  TPingPage page;
  page.Host = "127.0.0.1";
  page.Delay = 0;
  page.TimeOut = 1000;
  page.ResolveHostName = true;
  page.ShowReplys = true;
  page.PingForAllIp = false;
  for (int i = PingRegistry.Count(); i < count; ++i) {
    page.Name = "bench " + std::to_string(i + 1);
    AddPingPage(page);
  }
  ShowPingPage(0, false, true);
}

Outcome RunPages(int workers, int echoes, StallMeter& meter) {
  for (int i = 0; i < workers; ++i) PingRegistry.At(i)->Retries = echoes / workers;
  // A run of the shown page takes its editors, which must show its count.
  ShowPingPage(0, false, false);
  const ProcessUsage before = SelfUsage();
  QElapsedTimer clock;
  clock.start();
  meter.Reset();
  for (int i = 0; i < workers; ++i) StartPingPage(i, false, 1, 1, false);
  const bool ended = SpinUntil(
      [&] {
        for (int i = 0; i < workers; ++i)
          if (PingRegistry.At(i)->Worker) return false;
        return true;
      },
      std::chrono::minutes(10));
  Outcome out;
  out.wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  out.stallMs = meter.LongestStallMs();
  const ProcessUsage after = SelfUsage();
  out.cpu = after.cpuSeconds - before.cpuSeconds;
  out.peakKb = after.peakResidentKb;
  for (int i = 0; i < workers; ++i) {
    out.sent += PingRegistry.At(i)->Hosts[0].Sent;
    out.received += PingRegistry.At(i)->Hosts[0].Received;
  }
  if (!ended) std::printf("  (the run did not end within 10 minutes)\n");
  // The next configuration starts with no thread of this one left.
  SpinUntil([] { return RunThread::RunningThreads() == 0; }, std::chrono::seconds(10));
  return out;
}

double FloorCpuUs(int echoes) {
  const ChildRun floor = RunProgram({"ping", "-f", "-q", "-c", std::to_string(echoes), "127.0.0.1"});
  return floor.ok ? floor.cpuSeconds / echoes * 1e6 : 0;
}

// On the raw road the kernel hands every ICMP packet to every raw socket of
// the namespace, each of which filters it: that cost grows with the number
// of workers whatever the program. The floor again, with as many other raw
// sockets open as the run had, tells the program's share from the kernel's.
double LoadedFloorCpuUs(int workers, int echoes) {
  std::vector<std::unique_ptr<IcmpSocketHandle>> others;
  for (int i = 1; i < workers; ++i) others.push_back(IcmpSocketHandle::Open(IpFamily::V4, IcmpRoad::Raw));
  return FloorCpuUs(echoes);
}

bool BenchRoad(IcmpRoad road, int echoes, StallMeter& meter) {
  const bool datagram = road == IcmpRoad::Datagram;
  std::printf(
      "\n%s road%s\n", datagram ? "Datagram" : "Raw",
      datagram ? " (own network namespace, ping_group_range opened)" : " (root, own network namespace)");
  // Each road runs in a namespace of its own, so that raw sockets of other
  // programs on this host, which would each get a copy of every echo, do not
  // slow down either side of the comparison.
  TestNetwork network;
  const std::string ns = network.AddNamespace("bench");
  if (ns.empty() || (datagram && !network.AllowDatagramPing(ns))) return false;
  NetnsScope inside(ns);
  if (!inside.ok()) return false;
  const IcmpBinding binding =
      ProbeIcmpRoads(datagram ? IcmpRoadChoice::DatagramOnly : IcmpRoadChoice::RawOnly);
  if (binding.ipv4 != road) {
    std::printf("  this road cannot be opened here\n");
    return false;
  }
  SocketIcmpEcho echo(binding);
  SetEngineIcmp(&echo);

  const ChildRun floor = RunProgram({"ping", "-f", "-q", "-c", std::to_string(echoes), "127.0.0.1"});
  if (!floor.ok) std::printf("  ping -f failed (exit %d); no floor\n", floor.exitCode);
  const double floorCpuUs = floor.cpuSeconds / echoes * 1e6;
  std::printf("  floor: ping -f -c %d 127.0.0.1: %.2f s wall, %.0f echoes/s, %.2f us CPU per echo\n", echoes,
              floor.wallSeconds, echoes / floor.wallSeconds, floorCpuUs);
  std::printf("  %7s %9s %12s %14s %8s %10s %13s%s\n", "workers", "echoes", "echoes/s", "CPU us/echo",
              "x floor", "peak MB", "UI stall ms", datagram ? "" : "   x loaded floor");
  bool met = true;
  for (int workers : WorkerCounts) {
    const Outcome out = RunPages(workers, echoes, meter);
    const double cpuUs = out.sent ? out.cpu / static_cast<double>(out.sent) * 1e6 : 0;
    const double ratio = floorCpuUs > 0 ? cpuUs / floorCpuUs : 0;
    std::printf("  %7d %9llu %12.0f %14.2f %8.2f %10.1f %13.1f", workers,
                static_cast<unsigned long long>(out.sent), static_cast<double>(out.sent) / out.wall, cpuUs,
                ratio, static_cast<double>(out.peakKb) / 1024.0, out.stallMs);
    if (!datagram) std::printf("   %8.2f", cpuUs / LoadedFloorCpuUs(workers, echoes));
    std::printf("%s\n", out.received == out.sent ? "" : "  (echoes lost)");
    met = met && ratio <= CpuTarget && out.stallMs <= StallTargetMs && out.received == out.sent;
  }
  SetEngineIcmp(nullptr);
  return met;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int echoes = argc > 1 ? std::max(128, std::atoi(argv[1])) / 128 * 128 : 20480;
  if (geteuid() != 0) {
    std::fprintf(stderr, "ping_bench: needs root (raw sockets, network namespaces)\n");
    return 2;
  }
  InstallHandOff();
  RaiseOpenFileLimit();
  BenchWindow window(Mode::Ping);
  MakePages(128);
  StallMeter meter;
  std::printf("Ping pages against 127.0.0.1, delay 0, %d echoes per configuration, one page per worker\n",
              echoes);
  std::printf("targets: CPU per echo at most %.0fx the floor's, UI stall at most %.0f ms\n", CpuTarget,
              StallTargetMs);
  bool met = true;
  for (IcmpRoad road : {IcmpRoad::Datagram, IcmpRoad::Raw}) met = BenchRoad(road, echoes, meter) && met;
  std::printf("\n%s\n", met ? "all targets met" : "some target missed");
  return met ? 0 : 1;
}
