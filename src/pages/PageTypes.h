#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/SystemTime.h"

// Fixed limits shared by the pages, the engine and the window.
inline constexpr int MaxPages = 1000;
inline constexpr int MaxHosts = 128;
inline constexpr int MaxTasks = 100;
inline constexpr int MaxPoolThreads = 500;
inline constexpr int MaxReplies = 10000;
inline constexpr int MaxRangeHosts = 65536;

// The five measuring modes, in the order of tabs, files, settings keys and loops.
enum class Mode { Ping, MultiPing, RangePing, Traceroute, PathPing };
inline constexpr std::array<Mode, 5> AllModes = {Mode::Ping, Mode::MultiPing, Mode::RangePing,
                                                 Mode::Traceroute, Mode::PathPing};
// The word that names a mode in its page file, its settings keys and its
// report names: "Ping", "MultiPing", "RangePing", "Traceroute", "PathPing".
inline const char* ModeWord(Mode mode) {
  constexpr std::array<const char*, AllModes.size()> words = {"Ping", "MultiPing", "RangePing", "Traceroute",
                                                              "PathPing"};
  return words[static_cast<std::size_t>(mode)];
}
// The caption of the mode's tab: "Ping", "Multi ping", "IP range ping",
// "Trace route", "Path ping".
inline const char* ModeCaption(Mode mode) {
  constexpr std::array<const char*, AllModes.size()> captions = {"Ping", "Multi ping", "IP range ping",
                                                                 "Trace route", "Path ping"};
  return captions[static_cast<std::size_t>(mode)];
}

enum TPageResultState : std::int32_t {
  psPending = -1,
  psOk = 0,
  psHostNotFound = 1,
  psNoIpv4Address = 2,
  psNoIpv6Address = 3,
  psError = 4,
};

enum TReplyStatus : std::uint8_t { rsSuccess = 0, rsTimeout = 1, rsTtlExpired = 2, rsPingError = 3 };

enum TAutoTaskType : std::uint8_t {
  ttSingle = 0,
  ttEveryHour = 1,
  ttEveryDay = 2,
  ttEveryWeek = 3,
  ttEveryMonth = 4,
};

// A row of a list or grid in the window, kept as an opaque handle so that the
// pages never depend on widgets. 0 = no row.
using ListHandle = std::uintptr_t;
inline constexpr ListHandle NoListItem = 0;

// What a page needs of its running controller: a way to ask it to end. The
// engine's controller threads implement it; the page only points at one.
class PageWorker {
 public:
  virtual void Terminate() = 0;

 protected:
  ~PageWorker() = default;
};

struct TReplyRecord {
  std::uint8_t Year = 0;  // year modulo 100
  std::uint8_t Month = 0;
  std::uint8_t Day = 0;
  std::uint8_t Hour = 0;
  std::uint8_t Minute = 0;
  std::uint8_t Second = 0;
  std::uint32_t Ipv4 = 0;  // network order; 0 = the address is in Ipv6
  std::array<std::uint8_t, 16> Ipv6{};
  std::uint16_t Bytes = 0;
  std::uint8_t Ttl = 0;  // 0 for IPv6
  std::uint16_t Time = 0;
  std::uint8_t Status = rsSuccess;
};

struct TAutoTask {
  std::uint16_t Year = 0;
  std::uint16_t Month = 0;
  std::uint16_t DayOfWeek = 0;  // not used
  std::uint16_t Day = 0;
  std::uint16_t Hour = 0;
  std::uint16_t Minute = 0;
  std::uint16_t Second = 0;        // not used
  std::uint16_t Milliseconds = 0;  // not used
  std::uint8_t Type = ttSingle;
  std::int32_t Value = 1;
  bool ByMinutes = false;
  bool Fired = false;

  friend bool operator==(const TAutoTask&, const TAutoTask&) = default;
};

struct THostResult {
  std::uint32_t Reserved0 = 0;
  std::int16_t State = -1;
  std::uint8_t Reserved6 = 0;
  std::uint8_t Reserved7 = 0;
  std::string Host;        // Multi ping: the host as entered, at most 96 bytes
  std::string Address;     // at most 64 bytes
  std::string HostName;    // at most 96 bytes
  std::uint32_t Ipv4 = 0;  // network order; 0 = none (then Ipv6 holds the address)
  std::array<std::uint8_t, 16> Ipv6{};
  std::uint32_t Sent = 0;
  std::uint32_t Received = 0;
  std::uint32_t Lost = 0;
  std::uint16_t MinTime = 0;
  std::uint16_t MaxTime = 0;
  std::uint16_t AvgTime = 0;
  std::uint16_t CurTime = 0;  // 0xFFFF after a loss
  double AvgExact = 0;
  bool FirstReply = true;
  ListHandle ListItem = NoListItem;
  // The reply store: at most ReplyCapacity records, oldest first. Its
  // capacity is reserved when a run allocates it.
  std::vector<TReplyRecord> Replies;
  std::int32_t ReplyCapacity = 0;

  std::int32_t ReplyCount() const { return static_cast<std::int32_t>(Replies.size()); }
  void ReleaseReplies();
  // The row a Start leaves behind: no address, no statistics, no replies.
  void ResetResult();
};

// Settings, schedule and end-of-run actions shared by both page classes.
struct TPageCommon {
  ListHandle ListItem = NoListItem;
  std::int32_t Id = 0;
  std::int32_t RunId = 0;
  std::int32_t SelectedHost = -1;
  std::int32_t ResultState = psPending;
  std::string Name;
  std::int32_t TimeOut = 1000;
  std::int32_t Retries = 4;
  std::int32_t Minutes = 1;
  std::int32_t Delay = 1000;
  std::int32_t Bytes = 32;
  bool ByMinutes = false;
  bool ResolveHostName = true;
  bool ShowReplys = true;
  std::array<TAutoTask, MaxTasks> Tasks{};
  std::int32_t TaskCount = 0;
  bool StartOnStartup = false;
  bool StartEvery = false;
  bool StartSchedules = false;
  std::int32_t EveryMinutes = 1;
  bool SaveResult = false;
  std::int32_t ResultFormat = 1;
  bool ResultWithReplys = true;
  bool ResultIpList = false;
  bool ExecuteProgram = false;
  bool HideWindow = false;
  std::string ExecPath;
  std::string ExecParam;
  SystemTime StartTime;
  SystemTime EndTime;
  PageWorker* Worker = nullptr;  // the active run's controller; null = idle
  std::int32_t ReplyCapacity = 0;
};

// A page of the Ping, Multi ping, Trace route and Path ping modes.
struct TPingPage : TPageCommon {
  std::string Host;
  std::int32_t Ttl = 255;
  std::int32_t Hops = 32;
  bool PingForAllIp = false;
  std::int32_t DestinationHop = 0;
  std::int32_t FinishedWorkers = 0;
  std::array<THostResult, MaxHosts> Hosts;
  std::int32_t HostCount = 0;
};

// A page of the IP range ping mode.
struct TRangePingPage : TPageCommon {
  std::string From;
  std::string To;
  std::int32_t Threads = 100;
  std::int32_t HostCapacity = 0;
  // Hosts that answered, in the order of their first answer; the vector's
  // size is HostCapacity while a result exists.
  std::vector<std::unique_ptr<THostResult>> Hosts;
  std::int32_t HostCount = 0;
  std::array<std::uint32_t, MaxPoolThreads> Dispatch{};  // network order; 0 = free
};
