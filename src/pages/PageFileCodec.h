#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pages/PageRegistry.h"
#include "platform/Status.h"

// The bytes of the page files: a header (i32 version, i32 count) followed by
// fixed-size records, all little-endian. Every field is read and written one
// by one at its offset, never by copying a struct, so the layout depends
// neither on the compiler's padding nor on the host's byte order, and a
// hostile file can only ever fill in field values.

inline constexpr std::int32_t PageFileVersion = 1;
inline constexpr std::size_t PageFileHeaderSize = 8;
// Ping, IP range ping, Trace route and Path ping share one record layout.
inline constexpr std::size_t PageFileRecordSize = 3656;
inline constexpr std::size_t MultiPingPageFileRecordSize = 69176;
inline constexpr std::size_t MultiPingHostFileEntrySize = 256;
inline constexpr std::size_t AutoTaskFileSize = 28;
// Host entries a Multi ping record has room for; only MaxHosts are ever used.
inline constexpr int MultiPingHostFileSlots = 256;

// Bytes of one record in the mode's file.
std::size_t PageRecordSize(Mode mode);
// The largest record count a reader accepts. Trace route and Path ping files
// have always been allowed more records than the registry can hold.
int MaxPageFileRecords(Mode mode);
// The longest prefix of a file that a reader can use; anything beyond it is
// never read, so an oversized file cannot exhaust memory.
std::size_t MaxPageFileSize(Mode mode);

// One page as a record of the mode's file. Only the fields of the mode are
// written; every other byte is zero. Strings are cut to their field at a
// UTF-8 character boundary; the task and host counts are clamped.
std::string EncodePageRecord(Mode mode, const TPingPage& page);
std::string EncodePageRecord(const TRangePingPage& page);

// The template page a record describes, ready for AddPage (which applies the
// range clamps). `record` must hold at least PageRecordSize bytes; strings
// end at the field's last byte even without a terminator.
TPingPage DecodePageRecord(Mode mode, std::string_view record);
TRangePingPage DecodeRangePageRecord(std::string_view record);

// A whole file: version 1, the registry's count and its pages in registry order.
std::string EncodePageFile(const TPingRegistry& registry);
std::string EncodePageFile(const TRangeRegistry& registry);

// Adds the pages of a whole file to the registry through AddPage. A wrong
// version or count adds nothing; a short record ends the loading with the
// pages read so far; a page refused by a full registry does not end it, but
// the status then says that not every page was kept, as it does when bytes
// follow the records the header counts. The status names the first fault;
// pages added before it stay.
Status DecodePageFile(std::string_view bytes, TPingRegistry& registry);
Status DecodePageFile(std::string_view bytes, TRangeRegistry& registry);
