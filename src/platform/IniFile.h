#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"

// A settings file in the INI format, read and written the way the classic
// private-profile calls treat it: section and key names ignore ASCII letter
// case, the first matching section and the first matching key in it win, a
// missing key gives the caller's default, and writing touches only the line
// of the key it writes. Every other line (comments, blank lines, foreign
// sections, unknown keys, even garbage) is kept byte for byte, including its
// CR when the file uses CRLF.
//
// Not thread-safe; the settings are read and written on the UI thread.
class IniFile {
 public:
  // A settings file is a few kilobytes. Anything past this bound is hostile
  // or broken, and is treated as a file that cannot be read.
  static constexpr std::size_t MaxFileBytes = 1 << 20;

  IniFile() = default;

  static IniFile FromText(std::string_view text);
  // A missing, unreadable or oversized file, or something that is not a
  // regular file, gives an empty IniFile; the reason is put into *status when
  // given: NotFound, Unsupported (not a regular file), Denied or IoError (there
  // but not readable), Invalid (too large).
  static IniFile FromFile(const std::string& path, Status* status = nullptr);

  // The text as it would be written: every line ends with "\n" (a CR that was
  // part of a line stays in front of it).
  std::string ToText() const;
  // Written to a temporary file and renamed over `path`, so a failed save
  // keeps the old file.
  Status SaveToFile(const std::string& path) const;

  bool HasKey(std::string_view section, std::string_view key) const;
  // The value with surrounding blanks and one pair of enclosing quotes
  // removed; `fallback` when the key is missing.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
  // The value parsed by ParseInteger; `fallback` when the key is missing.
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t fallback) const;

  // Replaces the key's value in place, or adds the key after the last key of
  // its section, or adds the section at the end. False (and nothing changed)
  // for a name the format cannot hold or a value with a line break or NUL.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, std::int32_t value);

  // The integer reader of the private-profile calls: leading blanks skipped,
  // optional sign, decimal or "0x" hexadecimal, stops at the first character
  // that is not a digit, wraps to 32 bits instead of failing. A value that
  // is present but not a number gives 0; an empty value gives `fallback`.
  static std::int32_t ParseInteger(std::string_view value, std::int32_t fallback);
  // A raw value (the text after "=") as the string reader returns it: cut at
  // a NUL byte, trimmed of blanks, one pair of matching enclosing quotes
  // removed.
  static std::string CleanValue(std::string_view raw);
  // The text to put after "=" so that CleanValue gives `value` back.
  static std::string EncodeValue(std::string_view value);

 private:
  struct Line {
    std::string text;            // as read, without its "\n"
    std::size_t keyBegin = 0;    // where the key name starts in text
    std::size_t keyLength = 0;   // 0 when the line holds no key
    std::size_t valueBegin = 0;  // just past the "="
  };
  struct Section {
    std::string name;         // trimmed, as spelt in the file
    bool hasHeader = false;   // false for the lines before the first header
    std::vector<Line> lines;  // lines[0] is the header when hasHeader
  };

  static Line ParseLine(std::string text, bool firstOfFile);
  const Section* FindSection(std::string_view name) const;
  Section* FindSection(std::string_view name);
  static const Line* FindKey(const Section& section, std::string_view key);
  std::optional<std::string_view> RawValue(std::string_view section, std::string_view key) const;
  std::string LineEnd() const;

  std::vector<Section> sections_;
  bool crlf_ = false;  // the first line of the file ended in CRLF
};
