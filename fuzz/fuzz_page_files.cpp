// Feeds arbitrary bytes to the page file readers of all five modes, as a
// whole file and, padded with zeros, as a single record, so that even short
// inputs reach the field decoding of the large Multi ping record.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pages/PageFileCodec.h"
#include "pages/PageOperations.h"

namespace {

template <class Registry>
void DecodeWhole(std::string_view bytes, Registry& registry) {
  (void)DecodePageFile(bytes, registry);
  // Whatever was read must write back out as a well-formed file.
  if (registry.Count() > 0) {
    const std::string again = EncodePageFile(registry);
    if (again.size() != PageFileHeaderSize + registry.Count() * PageRecordSize(registry.mode))
      __builtin_trap();
  }
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
    } else {
      TPingRegistry registry(mode);
      DecodeWhole(bytes, registry);
      AddPage(registry, DecodePageRecord(mode, PaddedRecord(bytes, mode)));
    }
  }
  return 0;
}
