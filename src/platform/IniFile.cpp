#include "platform/IniFile.h"

#include <utility>

#include "platform/FileIo.h"

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != text.npos;
}

// The section name of a header line "[name]", trimmed; nullopt for any other
// line. A "[" without its "]" makes a line that is neither header nor key.
std::optional<std::string_view> HeaderName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const std::size_t close = line.find(']');
  if (close == line.npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

std::string_view SkipBom(std::string_view text, bool firstOfFile) {
  if (firstOfFile && text.substr(0, Utf8Bom.size()) == Utf8Bom) text.remove_prefix(Utf8Bom.size());
  return text;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

bool ValidSectionName(std::string_view name) {
  return !name.empty() && Trim(name) == name && !HasLineBreakOrNul(name) && name.find(']') == name.npos;
}

bool ValidKeyName(std::string_view key) {
  return !key.empty() && Trim(key) == key && !HasLineBreakOrNul(key) && key.find('=') == key.npos &&
         key.front() != '[' && key.front() != ';' && key.front() != '#';
}

}  // namespace

IniFile::Line IniFile::ParseLine(std::string text, bool firstOfFile) {
  Line line;
  line.text = std::move(text);
  const std::string_view whole = line.text;
  const std::string_view body = SkipBom(whole, firstOfFile);
  const std::string_view trimmed = Trim(body);
  if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#' || trimmed.front() == '[')
    return line;
  const std::size_t from = whole.size() - body.size();
  const std::size_t equals = whole.find('=', from);
  if (equals == whole.npos) return line;
  const std::string_view key = Trim(whole.substr(from, equals - from));
  if (key.empty()) return line;
  line.keyBegin = static_cast<std::size_t>(key.data() - whole.data());
  line.keyLength = key.size();
  line.valueBegin = equals + 1;
  return line;
}

IniFile IniFile::FromText(std::string_view text) {
  IniFile ini;
  ini.sections_.emplace_back();  // the lines before the first header
  const std::size_t firstBreak = text.find('\n');
  ini.crlf_ = firstBreak != text.npos && firstBreak > 0 && text[firstBreak - 1] == '\r';
  std::size_t start = 0;
  bool first = true;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == text.npos) end = text.size();
    Line line = ParseLine(std::string(text.substr(start, end - start)), first);
    const auto header = HeaderName(SkipBom(line.text, first));
    if (header) {
      Section section;
      section.name = std::string(*header);
      section.hasHeader = true;
      ini.sections_.push_back(std::move(section));
    }
    ini.sections_.back().lines.push_back(std::move(line));
    start = end + 1;
    first = false;
  }
  return ini;
}

IniFile IniFile::FromFile(const std::string& path, Status* status) {
  IniFile ini;
  std::string bytes;
  Status outcome = ReadRegularFile(path, MaxFileBytes + 1, bytes);
  if (outcome.ok() && bytes.size() > MaxFileBytes)
    outcome = Status::Failure(Status::Kind::Invalid, path + " is larger than a settings file can be");
  else if (outcome.ok())
    ini = FromText(bytes);
  if (status) *status = std::move(outcome);
  return ini;
}

std::string IniFile::ToText() const {
  std::string text;
  for (const Section& section : sections_)
    for (const Line& line : section.lines) {
      text += line.text;
      text += '\n';
    }
  return text;
}

Status IniFile::SaveToFile(const std::string& path) const { return WriteFileAtomically(path, ToText()); }

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
  for (const Section& section : sections_)
    if (section.hasHeader && SameName(section.name, name)) return &section;
  return nullptr;
}

IniFile::Section* IniFile::FindSection(std::string_view name) {
  return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

const IniFile::Line* IniFile::FindKey(const Section& section, std::string_view key) {
  for (const Line& line : section.lines)
    if (line.keyLength > 0 &&
        SameName(std::string_view(line.text).substr(line.keyBegin, line.keyLength), key))
      return &line;
  return nullptr;
}

std::optional<std::string_view> IniFile::RawValue(std::string_view section, std::string_view key) const {
  const Section* found = FindSection(section);
  if (!found) return std::nullopt;
  const Line* line = FindKey(*found, key);
  if (!line) return std::nullopt;
  return std::string_view(line->text).substr(line->valueBegin);
}

bool IniFile::HasKey(std::string_view section, std::string_view key) const {
  return RawValue(section, key).has_value();
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  const auto raw = RawValue(section, key);
  return raw ? CleanValue(*raw) : std::string(fallback);
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t fallback) const {
  const auto raw = RawValue(section, key);
  return raw ? ParseInteger(CleanValue(*raw), fallback) : fallback;
}

std::string IniFile::LineEnd() const { return crlf_ ? "\r" : ""; }

bool IniFile::WriteString(std::string_view sectionName, std::string_view key, std::string_view value) {
  if (!ValidSectionName(sectionName) || !ValidKeyName(key) || HasLineBreakOrNul(value)) return false;
  const std::string encoded = EncodeValue(value);
  if (sections_.empty()) sections_.emplace_back();

  Section* section = FindSection(sectionName);
  if (!section) {
    // Like the profile writer, a new section goes to the end, set apart from
    // the text before it by one blank line.
    const Section* last = &sections_.back();
    if (!last->lines.empty() && !Trim(last->lines.back().text).empty())
      sections_.back().lines.push_back(ParseLine(LineEnd(), false));
    Section added;
    added.name = std::string(sectionName);
    added.hasHeader = true;
    added.lines.push_back(ParseLine("[" + added.name + "]" + LineEnd(), false));
    sections_.push_back(std::move(added));
    section = &sections_.back();
  }

  std::size_t lastKey = 0;
  bool anyKey = false;
  for (std::size_t i = 0; i < section->lines.size(); ++i) {
    Line& line = section->lines[i];
    if (line.keyLength == 0) continue;
    if (SameName(std::string_view(line.text).substr(line.keyBegin, line.keyLength), key)) {
      // Keep the indentation and spelling of the key and the line's own CR.
      const bool cr = !line.text.empty() && line.text.back() == '\r';
      std::string text = line.text.substr(0, line.keyBegin + line.keyLength) + "=" + encoded;
      if (cr) text += '\r';
      const bool firstOfFile = section == &sections_.front() && i == 0;
      line = ParseLine(std::move(text), firstOfFile);
      return true;
    }
    lastKey = i;
    anyKey = true;
  }
  // After the last key, so blank lines and comments that close the section
  // stay between it and the next one.
  const std::size_t at = anyKey ? lastKey + 1 : (section->hasHeader ? 1 : 0);
  section->lines.insert(section->lines.begin() + static_cast<std::ptrdiff_t>(at),
                        ParseLine(std::string(key) + "=" + encoded + LineEnd(), false));
  return true;
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  return WriteString(section, key, std::to_string(value));
}

std::int32_t IniFile::ParseInteger(std::string_view value, std::int32_t fallback) {
  if (value.empty()) return fallback;
  std::size_t i = 0;
  while (i < value.size() && (IsBlank(value[i]) || value[i] == '\n')) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  int base = 10;
  if (i + 1 < value.size() && value[i] == '0' && (value[i + 1] == 'x' || value[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  // Unsigned arithmetic wraps by definition, which is the reader's overflow rule.
  std::uint32_t result = 0;
  for (; i < value.size(); ++i) {
    const int digit = DigitValue(value[i]);
    if (digit >= base) break;
    result = result * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
  }
  if (negative) result = 0u - result;
  return static_cast<std::int32_t>(result);
}

std::string IniFile::CleanValue(std::string_view raw) {
  raw = raw.substr(0, raw.find('\0'));
  raw = Trim(raw);
  if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front())
    raw = raw.substr(1, raw.size() - 2);
  return std::string(raw);
}

std::string IniFile::EncodeValue(std::string_view value) {
  const bool needsQuotes =
      !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) ||
                         (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                          value.back() == value.front()));
  std::string text;
  text.reserve(value.size() + 2);
  if (needsQuotes) text += '"';
  text += value;
  if (needsQuotes) text += '"';
  return text;
}
