// Feeds arbitrary bytes to the settings-file reader and writer: the text must
// come back byte for byte, no value read is longer than the input, every read
// must agree with the value readers, and whatever a write accepts must read
// back unchanged, also after a re-parse.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/IniFile.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool HoldsLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != text.npos;
}

// The input split at its first two "|": section, key and value of a write.
void TryWrite(IniFile ini, std::string_view bytes) {
  const std::size_t first = bytes.find('|');
  const std::size_t second = first == bytes.npos ? bytes.npos : bytes.find('|', first + 1);
  if (second == bytes.npos) return;
  const std::string_view section = bytes.substr(0, first);
  const std::string_view key = bytes.substr(first + 1, second - first - 1);
  const std::string_view value = bytes.substr(second + 1);
  if (!ini.WriteString(section, key, value)) return;
  Check(ini.ReadString(section, key, "") == value);
  Check(IniFile::FromText(ini.ToText()).ReadString(section, key, "") == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  IniFile ini = IniFile::FromText(bytes);
  const std::string text = ini.ToText();
  Check(text == (bytes.empty() || bytes.back() == '\n' ? std::string(bytes) : std::string(bytes) + "\n"));

  for (const char* key : {"Left", "Width", "ResultFolder", "PingHostWidth0", "a", ""}) {
    const std::string value = ini.ReadString("MAIN", key, "");
    Check(value.size() <= bytes.size());
    const std::int32_t number = ini.ReadInteger("main", key, 12345);
    if (ini.HasKey("Main", key)) {
      Check(number == IniFile::ParseInteger(value, 12345));
    } else {
      Check(number == 12345 && value.empty());
    }
  }

  (void)IniFile::ParseInteger(bytes, -1);
  const std::string cleaned = IniFile::CleanValue(bytes);
  Check(cleaned.size() <= bytes.size());
  if (!HoldsLineBreakOrNul(bytes)) Check(IniFile::CleanValue(IniFile::EncodeValue(bytes)) == bytes);

  TryWrite(ini, bytes);
  Check(ini.WriteInteger("MAIN", "Width", static_cast<std::int32_t>(size)));
  Check(ini.ReadInteger("MAIN", "Width", -1) == static_cast<std::int32_t>(size));
  Check(IniFile::FromText(ini.ToText()).ReadInteger("MAIN", "Width", -1) == static_cast<std::int32_t>(size));
  return 0;
}
