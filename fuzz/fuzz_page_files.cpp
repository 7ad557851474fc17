// Feeds arbitrary bytes to the page file readers of all five modes, as a
// whole file and, padded with zeros, as a single record, so that even short
// inputs reach the field decoding of the large Multi ping record. Whatever
// the bytes say, no more pages than whole records come back, every text and
// count stays within its field, and what was read writes back the same way.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pages/PageFileCodec.h"
#include "pages/PageOperations.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckCommon(const TPageCommon& page) {
  Check(page.Name.size() <= 64 && page.ExecPath.size() <= 280 && page.ExecParam.size() <= 280);
  Check(page.TaskCount >= 0 && page.TaskCount <= MaxTasks);
  for (int i = 0; i < page.TaskCount; ++i) Check(page.Tasks[i].Type <= ttEveryMonth && !page.Tasks[i].Fired);
}

void CheckPage(const TPingPage& page) {
  CheckCommon(page);
  Check(page.Host.size() <= 96 && page.HostCount >= 0 && page.HostCount <= MaxHosts);
  for (int i = 0; i < page.HostCount; ++i) Check(page.Hosts[i].Host.size() <= 96);
}

void CheckPage(const TRangePingPage& page) {
  CheckCommon(page);
  Check(page.From.size() <= 15 && page.To.size() <= 15);
}

template <class Registry>
void DecodeWhole(std::string_view bytes, Registry& registry) {
  (void)DecodePageFile(bytes, registry);
  const std::size_t records = bytes.size() < PageFileHeaderSize
                                  ? 0
                                  : (bytes.size() - PageFileHeaderSize) / PageRecordSize(registry.mode);
  Check(static_cast<std::size_t>(registry.Count()) <= std::min<std::size_t>(records, MaxPages));
  for (const auto& page : registry.Pages) CheckPage(*page);
  if (registry.Count() == 0) return;
  // What was read is a well-formed file that reads back to the same bytes.
  const std::string again = EncodePageFile(registry);
  Check(again.size() == PageFileHeaderSize + registry.Count() * PageRecordSize(registry.mode));
  Registry reread(registry.mode);
  Check(DecodePageFile(again, reread).ok() && EncodePageFile(reread) == again);
}

std::string PaddedRecord(std::string_view bytes, Mode mode) {
  std::string record(bytes.substr(0, std::min(bytes.size(), PageRecordSize(mode))));
  record.resize(PageRecordSize(mode), '\0');
  return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  for (Mode mode : AllModes) {
    if (mode == Mode::RangePing) {
      TRangeRegistry registry(mode);
      DecodeWhole(bytes, registry);
      AddPage(registry, DecodeRangePageRecord(PaddedRecord(bytes, mode)));
      CheckPage(*registry.Pages.back());
    } else {
      TPingRegistry registry(mode);
      DecodeWhole(bytes, registry);
      AddPage(registry, DecodePageRecord(mode, PaddedRecord(bytes, mode)));
      CheckPage(*registry.Pages.back());
    }
  }
  return 0;
}
