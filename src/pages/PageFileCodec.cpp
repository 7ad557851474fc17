#include "pages/PageFileCodec.h"

#include <algorithm>
#include <bit>
#include <type_traits>

#include "pages/PageOperations.h"
#include "pages/TextHelpers.h"

namespace {

// Offsets of the fields whose place differs between the two record layouts.
// The name and host fields, and the range fields, sit at the same place in both.
struct RecordLayout {
  std::size_t size;
  std::size_t timeOut, retries, minutes, delay, bytes, ttl, hops, threads;
  std::size_t byMinutes, resolveHostName, pingForAllIp, showReplys;
  std::size_t tasks, taskCount, startOnStartup, startEvery, startSchedules, everyMinutes;
  std::size_t saveResult, resultWithReplys, resultIpList, resultFormat, executeProgram, hideWindow;
  std::size_t execPath, execParam;
};

constexpr std::size_t NameAt = 0, NameSize = 65;
constexpr std::size_t HostAt = 65, HostSize = 97;
constexpr std::size_t FromAt = 162, ToAt = 178, AddressSize = 16;
constexpr std::size_t ExecSize = 281;

// clang-format off
constexpr RecordLayout PageLayout{
    .size = PageFileRecordSize,
    .timeOut = 196, .retries = 200, .minutes = 204, .delay = 208, .bytes = 212,
    .ttl = 216, .hops = 220, .threads = 224,
    .byMinutes = 228, .resolveHostName = 229, .pingForAllIp = 230, .showReplys = 231,
    .tasks = 232, .taskCount = 3032,
    .startOnStartup = 3036, .startEvery = 3037, .startSchedules = 3038, .everyMinutes = 3040,
    .saveResult = 3044, .resultWithReplys = 3045, .resultIpList = 3046, .resultFormat = 3048,
    .executeProgram = 3052, .hideWindow = 3053,
    .execPath = 3054, .execParam = 3354,
};

// Multi ping has no hop or pool field; those offsets are never used for it.
constexpr RecordLayout MultiPingLayout{
    .size = MultiPingPageFileRecordSize,
    .timeOut = 164, .retries = 168, .minutes = 172, .delay = 176, .bytes = 180,
    .ttl = 184, .hops = 0, .threads = 0,
    .byMinutes = 196, .resolveHostName = 197, .pingForAllIp = 198, .showReplys = 199,
    .tasks = 204, .taskCount = 3004,
    .startOnStartup = 3008, .startEvery = 3009, .startSchedules = 3010, .everyMinutes = 3012,
    .saveResult = 3016, .resultWithReplys = 3017, .resultIpList = 3018, .resultFormat = 3020,
    .executeProgram = 3024, .hideWindow = 3025,
    .execPath = 3026, .execParam = 3326,
};
// clang-format on

// The format carries a 1 in this byte of every Multi ping record; nothing reads it.
constexpr std::size_t MultiPingMarkerAt = 200;
constexpr std::size_t MultiPingHostsAt = 3632;
constexpr std::size_t MultiPingHostCountAt = 69168;
constexpr std::size_t HostEntryTextSize = 97;

std::uint64_t GetLe(std::string_view bytes, std::size_t at, int width) {
  std::uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return value;
}

void PutLe(std::string& bytes, std::size_t at, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) {
    bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value & 0xFF);
    value >>= 8;
  }
}

// The writer and the reader offer the same operations, so that one list of
// fields per record (the Transfer functions below) serves both directions
// and the two can never disagree about an offset.
class RecordWriter {
 public:
  explicit RecordWriter(std::size_t size) : bytes_(size, '\0') {}
  std::string Take() { return std::move(bytes_); }

  void U8(std::size_t at, std::uint8_t v) { PutLe(bytes_, at, v, 1); }
  void U16(std::size_t at, std::uint16_t v) { PutLe(bytes_, at, v, 2); }
  void I16(std::size_t at, std::int16_t v) { PutLe(bytes_, at, static_cast<std::uint16_t>(v), 2); }
  void U32(std::size_t at, std::uint32_t v) { PutLe(bytes_, at, v, 4); }
  void I32(std::size_t at, std::int32_t v) { PutLe(bytes_, at, static_cast<std::uint32_t>(v), 4); }
  void Bool(std::size_t at, bool v) { U8(at, v ? 1 : 0); }
  void F64(std::size_t at, double v) { PutLe(bytes_, at, std::bit_cast<std::uint64_t>(v), 8); }
  void Ipv6(std::size_t at, const Ipv6Bytes& v) {
    std::copy(v.begin(), v.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at));
  }
  // At most size - 1 bytes, cut where no character is split; the zero
  // terminator and the rest of the field are already there.
  void Text(std::size_t at, std::size_t size, const std::string& v) {
    const std::string_view text = std::string_view(v).substr(0, v.find('\0'));
    const std::string cut = CutUtf8(text, size - 1);
    std::copy(cut.begin(), cut.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at));
  }
  // Writes the count clamped to 0..max and returns it: the entries that follow.
  int Count(std::size_t at, std::int32_t v, int max) {
    const int n = ClampInt(v, 0, max);
    I32(at, n);
    return n;
  }
  void Marker(std::size_t at) { U8(at, 1); }

 private:
  std::string bytes_;
};

class RecordReader {
 public:
  explicit RecordReader(std::string_view bytes) : bytes_(bytes) {}

  void U8(std::size_t at, std::uint8_t& v) { v = static_cast<std::uint8_t>(GetLe(bytes_, at, 1)); }
  void U16(std::size_t at, std::uint16_t& v) { v = static_cast<std::uint16_t>(GetLe(bytes_, at, 2)); }
  void I16(std::size_t at, std::int16_t& v) { v = static_cast<std::int16_t>(GetLe(bytes_, at, 2)); }
  void U32(std::size_t at, std::uint32_t& v) { v = static_cast<std::uint32_t>(GetLe(bytes_, at, 4)); }
  void I32(std::size_t at, std::int32_t& v) { v = static_cast<std::int32_t>(GetLe(bytes_, at, 4)); }
  // Any non-zero byte counts as set; a bool never holds anything but 0 or 1.
  void Bool(std::size_t at, bool& v) { v = bytes_[at] != 0; }
  void F64(std::size_t at, double& v) { v = std::bit_cast<double>(GetLe(bytes_, at, 8)); }
  void Ipv6(std::size_t at, Ipv6Bytes& v) {
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<std::uint8_t>(bytes_[at + i]);
  }
  // The text ends at its terminator, or at the field's last byte when a
  // damaged file has none; a character cut there is dropped whole.
  void Text(std::size_t at, std::size_t size, std::string& v) {
    std::string_view field = bytes_.substr(at, size);
    field = field.substr(0, field.find('\0'));
    v = CutUtf8(field, size - 1);
  }
  int Count(std::size_t at, std::int32_t& v, int max) {
    std::int32_t stored = 0;
    I32(at, stored);
    v = ClampInt(stored, 0, max);
    return v;
  }
  void Marker(std::size_t) {}

 private:
  std::string_view bytes_;
};

template <class Io, class Task>
void TransferTask(Io& io, std::size_t at, Task& task) {
  io.U16(at + 0, task.Year);
  io.U16(at + 2, task.Month);
  io.U16(at + 4, task.DayOfWeek);
  io.U16(at + 6, task.Day);
  io.U16(at + 8, task.Hour);
  io.U16(at + 10, task.Minute);
  io.U16(at + 12, task.Second);
  io.U16(at + 14, task.Milliseconds);
  io.U8(at + 16, task.Type);
  io.I32(at + 20, task.Value);
  io.Bool(at + 24, task.ByMinutes);
  io.Bool(at + 25, task.Fired);
}

// The host list of a Multi ping page. The address text, the first-reply flag
// and the reply store are results of a run and are not kept.
template <class Io, class Host>
void TransferHostEntry(Io& io, std::size_t at, Host& host) {
  io.U32(at + 0, host.Reserved0);
  io.I16(at + 4, host.State);
  io.U8(at + 6, host.Reserved6);
  io.U8(at + 7, host.Reserved7);
  io.Text(at + 8, HostEntryTextSize, host.Host);
  io.U32(at + 108, host.Ipv4);
  io.Ipv6(at + 112, host.Ipv6);
  io.Text(at + 128, HostEntryTextSize, host.HostName);
  io.U32(at + 228, host.Sent);
  io.U32(at + 232, host.Received);
  io.U32(at + 236, host.Lost);
  io.U16(at + 240, host.MinTime);
  io.U16(at + 242, host.MaxTime);
  io.U16(at + 244, host.AvgTime);
  io.U16(at + 246, host.CurTime);
  io.F64(at + 248, host.AvgExact);
}

// Settings, schedule and end-of-run actions: the part every mode stores.
template <class Io, class Page>
void TransferCommon(Io& io, const RecordLayout& at, Page& page) {
  io.Text(NameAt, NameSize, page.Name);
  io.I32(at.timeOut, page.TimeOut);
  io.I32(at.retries, page.Retries);
  io.I32(at.minutes, page.Minutes);
  io.I32(at.delay, page.Delay);
  io.I32(at.bytes, page.Bytes);
  io.Bool(at.byMinutes, page.ByMinutes);
  io.Bool(at.resolveHostName, page.ResolveHostName);
  io.Bool(at.showReplys, page.ShowReplys);

  const int tasks = io.Count(at.taskCount, page.TaskCount, MaxTasks);
  for (int i = 0; i < tasks; ++i)
    TransferTask(io, at.tasks + static_cast<std::size_t>(i) * AutoTaskFileSize, page.Tasks[i]);

  io.Bool(at.startOnStartup, page.StartOnStartup);
  io.Bool(at.startEvery, page.StartEvery);
  io.Bool(at.startSchedules, page.StartSchedules);
  io.I32(at.everyMinutes, page.EveryMinutes);
  io.Bool(at.saveResult, page.SaveResult);
  io.Bool(at.resultWithReplys, page.ResultWithReplys);
  io.Bool(at.resultIpList, page.ResultIpList);
  io.I32(at.resultFormat, page.ResultFormat);
  io.Bool(at.executeProgram, page.ExecuteProgram);
  io.Bool(at.hideWindow, page.HideWindow);
  io.Text(at.execPath, ExecSize, page.ExecPath);
  io.Text(at.execParam, ExecSize, page.ExecParam);
}

// TPingPage in any of its four modes; the mode decides which fields exist.
template <class Io, class Page>
void TransferPingPage(Io& io, Mode mode, Page& page) {
  const bool multi = mode == Mode::MultiPing;
  const RecordLayout& at = multi ? MultiPingLayout : PageLayout;
  const bool hops = mode == Mode::Traceroute || mode == Mode::PathPing;
  const bool ttl = mode == Mode::Ping || multi;

  TransferCommon(io, at, page);
  if (mode != Mode::RangePing) io.Text(HostAt, HostSize, page.Host);
  if (ttl) io.I32(at.ttl, page.Ttl);
  if (ttl) io.Bool(at.pingForAllIp, page.PingForAllIp);
  if (hops) io.I32(at.hops, page.Hops);
  if (!multi) return;

  io.Marker(MultiPingMarkerAt);
  const int hosts = io.Count(MultiPingHostCountAt, page.HostCount, MaxHosts);
  for (int i = 0; i < hosts; ++i)
    TransferHostEntry(io, MultiPingHostsAt + static_cast<std::size_t>(i) * MultiPingHostFileEntrySize,
                      page.Hosts[i]);
}

template <class Io, class Page>
void TransferRangePage(Io& io, Page& page) {
  TransferCommon(io, PageLayout, page);
  io.Text(FromAt, AddressSize, page.From);
  io.Text(ToAt, AddressSize, page.To);
  io.I32(PageLayout.threads, page.Threads);
}

void PutHeader(std::string& out, int count) {
  out.assign(PageFileHeaderSize, '\0');
  PutLe(out, 0, static_cast<std::uint32_t>(PageFileVersion), 4);
  PutLe(out, 4, static_cast<std::uint32_t>(count), 4);
}

std::string EncodeRecord(Mode mode, const TPingPage& page) { return EncodePageRecord(mode, page); }
std::string EncodeRecord(Mode, const TRangePingPage& page) { return EncodePageRecord(page); }

template <class Page>
std::string EncodeFile(const TPageRegistry<Page>& registry) {
  std::string out;
  PutHeader(out, registry.Count());
  out.reserve(PageFileHeaderSize +
              static_cast<std::size_t>(registry.Count()) * PageRecordSize(registry.mode));
  for (const auto& page : registry.Pages) out += EncodeRecord(registry.mode, *page);
  return out;
}

Status Invalid(std::string why) { return Status::Failure(Status::Kind::Invalid, std::move(why)); }

template <class Page>
Status DecodeFile(std::string_view bytes, TPageRegistry<Page>& registry) {
  const Mode mode = registry.mode;
  if (bytes.size() < 4 || static_cast<std::int32_t>(GetLe(bytes, 0, 4)) != PageFileVersion)
    return Invalid("not a page file of version 1");
  if (bytes.size() < PageFileHeaderSize) return Invalid("page file without a page count");
  const auto count = static_cast<std::int32_t>(GetLe(bytes, 4, 4));
  if (count < 1 || count > MaxPageFileRecords(mode))
    return Invalid("page count " + std::to_string(count) + " out of range");

  const std::size_t size = PageRecordSize(mode);
  std::size_t at = PageFileHeaderSize;
  int refused = 0;
  for (int i = 0; i < count; ++i, at += size) {
    if (bytes.size() - at < size)
      return Invalid("page record " + std::to_string(i + 1) + " of " + std::to_string(count) +
                     " is cut short");
    const std::string_view record = bytes.substr(at, size);
    // A full registry refuses the page; the rest are offered all the same.
    bool added = false;
    if constexpr (std::is_same_v<Page, TRangePingPage>)
      added = AddPage(registry, DecodeRangePageRecord(record));
    else
      added = AddPage(registry, DecodePageRecord(mode, record));
    if (!added) ++refused;
  }
  if (refused > 0)
    return Invalid(std::to_string(refused) + " of " + std::to_string(count) +
                   " pages found no room in the list");
  // Bytes the count does not cover may be pages all the same (a count the
  // writer never finished, say); the file was not read whole.
  if (at < bytes.size())
    return Invalid(std::to_string(bytes.size() - at) + " bytes follow the last of " + std::to_string(count) +
                   " page records");
  return Status::Success();
}

}  // namespace

std::size_t PageRecordSize(Mode mode) {
  return mode == Mode::MultiPing ? MultiPingPageFileRecordSize : PageFileRecordSize;
}

int MaxPageFileRecords(Mode mode) {
  return mode == Mode::Traceroute || mode == Mode::PathPing ? 10 * MaxPages : MaxPages;
}

std::size_t MaxPageFileSize(Mode mode) {
  return PageFileHeaderSize + static_cast<std::size_t>(MaxPageFileRecords(mode)) * PageRecordSize(mode);
}

std::string EncodePageRecord(Mode mode, const TPingPage& page) {
  RecordWriter writer(PageRecordSize(mode));
  TransferPingPage(writer, mode, page);
  return writer.Take();
}

std::string EncodePageRecord(const TRangePingPage& page) {
  RecordWriter writer(PageFileRecordSize);
  TransferRangePage(writer, page);
  return writer.Take();
}

TPingPage DecodePageRecord(Mode mode, std::string_view record) {
  TPingPage page;
  if (record.size() < PageRecordSize(mode)) return page;
  RecordReader reader(record);
  TransferPingPage(reader, mode, page);
  return page;
}

TRangePingPage DecodeRangePageRecord(std::string_view record) {
  TRangePingPage page;
  if (record.size() < PageFileRecordSize) return page;
  RecordReader reader(record);
  TransferRangePage(reader, page);
  return page;
}

std::string EncodePageFile(const TPingRegistry& registry) { return EncodeFile(registry); }
std::string EncodePageFile(const TRangeRegistry& registry) { return EncodeFile(registry); }

Status DecodePageFile(std::string_view bytes, TPingRegistry& registry) { return DecodeFile(bytes, registry); }
Status DecodePageFile(std::string_view bytes, TRangeRegistry& registry) {
  return DecodeFile(bytes, registry);
}
