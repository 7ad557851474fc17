// Report writing speed and memory, on pages built in memory (no network).
//
// 1. A Multi ping page of 128 hosts with 10,000 stored replies each, saved
//    with its replies as TXT and as CSV: time and size of each, against a
//    plain buffered write of the same bytes (with and without fsync) in the
//    same run. Targets: under 0.5 s each, within 3x the plain write with fsync.
// 2. An IP range ping page of 65,536 answering hosts (in shuffled order of
//    first answer) with N stored replies each, saved with its replies as TXT:
//    time, size and how far the peak resident memory rose while writing.
//    Target: under 64 MB, whatever the report's size.
//
//   report_bench [folder, default /tmp] [replies per range host..., default 10 100]
#include <arpa/inet.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "pages/PageRegistry.h"
#include "pages/Settings.h"
#include "pages/TextHelpers.h"
#include "reports/ReportWriters.h"

namespace fs = std::filesystem;

namespace {

constexpr double TimeTargetSeconds = 0.5;
constexpr double PlainWriteFactor = 3.0;
constexpr double MemoryTargetMb = 64;

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::strtol(line.c_str() + key.size(), nullptr, 10);
  return -1;
}

// Sets the peak resident size back to the present one, so that the next
// reading of VmHWM shows the peak of what follows only.
bool ResetPeakMemory() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  return static_cast<bool>(clear.flush());
}

TReplyRecord MakeReply(std::uint32_t address, int i) {
  TReplyRecord r;
  r.Year = 26;
  r.Month = 3;
  r.Day = static_cast<std::uint8_t>(1 + i % 28);
  r.Hour = static_cast<std::uint8_t>(i % 24);
  r.Minute = static_cast<std::uint8_t>(i % 60);
  r.Second = static_cast<std::uint8_t>((i * 7) % 60);
  r.Ipv4 = address;
  r.Bytes = 32;
  r.Ttl = 57;
  r.Time = static_cast<std::uint16_t>(i % 400);
  r.Status = i % 50 == 49 ? rsTimeout : rsSuccess;
  return r;
}

void FillHost(THostResult& host, std::uint32_t hostOrder, int replies) {
  host.State = 0;
  host.Ipv4 = htonl(hostOrder);
  host.Address = Ipv4ToString(host.Ipv4);
  host.HostName = "host-" + std::to_string(hostOrder & 0xFFFF) + ".bench.example";
  host.Sent = static_cast<std::uint32_t>(replies);
  host.Lost = static_cast<std::uint32_t>(replies / 50);
  host.Received = host.Sent - host.Lost;
  host.MinTime = 1;
  host.MaxTime = 399;
  host.AvgTime = 200;
  host.Replies.reserve(static_cast<std::size_t>(replies));
  for (int i = 0; i < replies; ++i) host.Replies.push_back(MakeReply(host.Ipv4, i));
}

template <class Page>
Page& AddPage(TPageRegistry<Page>& registry) {
  registry.Pages.push_back(std::make_unique<Page>());
  Page& page = *registry.Pages.back();
  page.Name = "bench";
  page.ResultState = psOk;
  page.StartTime = page.EndTime = {2026, 3, 4, 5, 9, 5, 3, 0};
  return page;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The same bytes through a stdio stream in 64 KiB pieces: what any program
// writing this file must at least spend.
double PlainWrite(const std::string& path, const std::string& bytes, bool sync) {
  const auto start = std::chrono::steady_clock::now();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return -1;
  for (std::size_t at = 0; at < bytes.size(); at += 65536)
    std::fwrite(bytes.data() + at, 1, std::min<std::size_t>(65536, bytes.size() - at), file);
  std::fflush(file);
  if (sync) ::fsync(::fileno(file));
  std::fclose(file);
  return Since(start);
}

bool BenchMultiPing(const fs::path& folder) {
  std::printf("Multi ping page, 128 hosts x 10,000 replies, saved with replies\n");
  TPingPage& page = AddPage(MultiPingRegistry);
  for (int i = 0; i < MaxHosts; ++i) {
    FillHost(page.Hosts[i], 0x0A000001u + static_cast<std::uint32_t>(i), MaxReplies);
    page.Hosts[i].Host = page.Hosts[i].HostName;
  }
  page.HostCount = MaxHosts;
  bool met = true;
  for (bool csv : {false, true}) {
    const std::string path = (folder / (csv ? "velquor-bench.csv" : "velquor-bench.txt")).string();
    const auto start = std::chrono::steady_clock::now();
    const bool written = SavePageReport(Mode::MultiPing, csv, path, 0, rmWithReplies).ok();
    const double seconds = Since(start);
    const std::string bytes = ReadAll(path);
    const std::string plainPath = path + ".plain";
    const double plain = PlainWrite(plainPath, bytes, false);
    const double plainSynced = PlainWrite(plainPath, bytes, true);
    fs::remove(plainPath);
    fs::remove(path);
    const bool ok = written && seconds < TimeTargetSeconds && seconds <= PlainWriteFactor * plainSynced;
    met = met && ok;
    std::printf("  %s: %.3f s, %.1f MB (%zu bytes); plain write %.3f s, with fsync %.3f s: %.2fx  %s\n",
                csv ? "CSV" : "TXT", seconds, static_cast<double>(bytes.size()) / 1e6, bytes.size(), plain,
                plainSynced, seconds / plainSynced, ok ? "ok" : "MISSED");
  }
  MultiPingRegistry.Pages.clear();
  return met;
}

bool BenchRange(const fs::path& folder, int replies) {
  std::printf("IP range ping page, 65,536 hosts x %d replies, saved with replies as TXT\n", replies);
  TRangePingPage& page = AddPage(RangePingRegistry);
  page.From = "10.1.0.0";
  page.To = "10.1.255.255";
  std::vector<std::uint32_t> order(MaxRangeHosts);
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = 0x0A010000u + static_cast<std::uint32_t>(i);
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  page.HostCapacity = MaxRangeHosts;
  page.Hosts.resize(MaxRangeHosts);
  for (std::size_t i = 0; i < order.size(); ++i) {
    page.Hosts[i] = std::make_unique<THostResult>();
    FillHost(*page.Hosts[i], order[i], replies);
  }
  page.HostCount = MaxRangeHosts;

  const std::string path = (folder / "velquor-bench-range.txt").string();
  const bool peakReset = ResetPeakMemory();
  const long before = StatusKb("VmRSS");
  const auto start = std::chrono::steady_clock::now();
  const bool written = SavePageReport(Mode::RangePing, false, path, 0, rmWithReplies).ok();
  const double seconds = Since(start);
  const long peak = StatusKb("VmHWM");
  const double growthMb = static_cast<double>(peak - before) / 1024.0;
  const std::uintmax_t size = written ? fs::file_size(path) : 0;
  fs::remove(path);
  RangePingRegistry.Pages.clear();
  const bool ok = written && peakReset && growthMb < MemoryTargetMb;
  std::printf(
      "  %.2f s, %.1f MB written (%.0f MB/s); resident before %.0f MB, peak growth while writing %.1f MB  "
      "%s\n",
      seconds, static_cast<double>(size) / 1e6, static_cast<double>(size) / 1e6 / seconds,
      static_cast<double>(before) / 1024.0, growthMb, ok ? "ok" : "MISSED");
  if (!peakReset) std::printf("  (could not reset the peak through /proc/self/clear_refs)\n");
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path folder = argc > 1 ? argv[1] : "/tmp";
  std::vector<int> replyCounts;
  for (int i = 2; i < argc; ++i) replyCounts.push_back(std::max(0, std::atoi(argv[i])));
  if (replyCounts.empty()) replyCounts = {10, 100};

  bool met = BenchMultiPing(folder);
  for (int replies : replyCounts) met = BenchRange(folder, replies) && met;
  std::printf("%s\n", met ? "All targets met." : "Some targets were missed.");
  return met ? 0 : 1;
}
