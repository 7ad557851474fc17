#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Numbers typed into the parameter editors.

// The integer conversion the editors use: leading blanks, then an optional
// sign, then decimal digits or hexadecimal digits after "$", "x" or "0x"
// (either case). Anything else, an empty text, or a value outside the signed
// 32-bit range gives nothing.
std::optional<std::int32_t> StrToInt(std::string_view text);

// The editor's value: the text converted, `fallback` when it is not a
// number, then raised to `low` and lowered to `high`.
std::int32_t EditorInt(std::string_view text, std::int32_t fallback, std::int32_t low, std::int32_t high);
