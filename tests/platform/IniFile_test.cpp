// The settings file format as the classic private-profile calls read and write
// it. Arbitrary bytes are the fuzz target's (fuzz/fuzz_ini.cpp).

#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

#include "platform/FileIo.h"

using namespace std::string_literals;

namespace {

TEST(IniFileTest, ReadingFollowsTheProfileRules) {
  // A key before any header is in no section; "[Broken" is no header, so the
  // keys below it stay in [main]; the second [MAIN] is shadowed by the first.
  const IniFile ini = IniFile::FromText(
      "\xEF\xBB\xBFWidth=1\n[main]\nWIDTH=5\nwidth=7\n  Spaced Key  = 9\n; Left=10\nJustAWord\n=30\n[Broken\n"
      "Empty=\nQuoted=\" padded \"\nMixed=\"x'\nNested=\"\"x\"\"\nEquals=b=c\nNul=12\0junk\nHex= 0x20 \n"
      "Commented=12\t; note\n[MAIN]\nHeight=4\n[Other]\nHeight=3\nLast=end"s);
  // clang-format off
  const std::tuple<const char*, const char*, const char*, std::int32_t> cases[] = {
      {"MAIN", "Width", "5", 5},              {"Main", "wIdTh", "5", 5},
      {"MAIN", "spaced key", "9", 9},         {"MAIN", "Left", "?", 77},
      {"MAIN", "JustAWord", "?", 77},         {"MAIN", "Empty", "", 77},
      {"MAIN", "Quoted", " padded ", 0},      {"MAIN", "Mixed", "\"x'", 0},
      {"MAIN", "Nested", "\"x\"", 0},         {"MAIN", "Equals", "b=c", 0},
      {"MAIN", "Nul", "12", 12},              {"MAIN", "Hex", "0x20", 32},
      {"MAIN", "Commented", "12\t; note", 12}, {"MAIN", "Height", "?", 77},
      {"other", "HEIGHT", "3", 3},            {"Nowhere", "Width", "?", 77},
      {"Other", "Last", "end", 0}};
  // clang-format on
  for (const auto& [section, key, text, number] : cases) {
    EXPECT_EQ(ini.ReadString(section, key, "?"), text) << section << " " << key;
    EXPECT_EQ(ini.ReadInteger(section, key, 77), number) << section << " " << key;
  }
}

// Sign, "0x", the first character that is not a digit of the base ends the
// number, and anything past 32 bits wraps instead of failing.
TEST(IniFileTest, IntegersParseLikeTheProfileReader) {
  // clang-format off
  const std::pair<const char*, std::int32_t> cases[] = {
      {"42", 42}, {"  42", 42}, {"+7", 7}, {"-12", -12}, {"0x1F", 31}, {"0X1f", 31}, {"-0x10", -16},
      {"12abc", 12}, {"1 2", 1}, {"99a", 99}, {"abc", 0}, {"-", 0}, {"0x", 0}, {"0xZ", 0}, {"0x1G", 1},
      {"--5", 0}, {" ", 0}, {"007", 7}, {"2147483647", INT_MAX}, {"2147483648", INT_MIN}, {"4294967295", -1},
      {"4294967296", 0}, {"4294967298", 2}, {"-2147483649", INT_MAX}, {"0x100000003", 3}};
  // clang-format on
  for (const auto& [text, expected] : cases) EXPECT_EQ(IniFile::ParseInteger(text, 99), expected) << text;
  EXPECT_EQ(IniFile::ParseInteger("", 99), 99);
}

TEST(IniFileTest, WritingTouchesOnlyTheKeyItWrites) {
  const std::string original =
      "; by hand\n[Other]\nWidth=1\n\n[main]\n  width = 100 ; old\nUnknown=keep me\n\n; "
      "closing\n[Last]\nX=1\n";
  IniFile ini = IniFile::FromText(original);
  EXPECT_EQ(ini.ToText(), original);
  ASSERT_TRUE(ini.WriteInteger("MAIN", "Width", 1020));
  ASSERT_TRUE(ini.WriteInteger("MAIN", "Height", 650));
  ASSERT_TRUE(ini.WriteString("New", "Key", "v"));
  EXPECT_EQ(ini.ToText(),
            "; by hand\n[Other]\nWidth=1\n\n[main]\n  width=1020\nUnknown=keep me\nHeight=650\n\n; closing\n"
            "[Last]\nX=1\n\n[New]\nKey=v\n");

  // A file that uses CRLF keeps it on every line, old or new.
  IniFile crlf = IniFile::FromText("[MAIN]\r\nLeft=10\r\n\r\n[Other]\r\nA=1\r\n");
  EXPECT_EQ(crlf.ReadString("MAIN", "Left", ""), "10");
  ASSERT_TRUE(crlf.WriteInteger("MAIN", "Left", 20));
  ASSERT_TRUE(crlf.WriteInteger("MAIN", "Top", 30));
  ASSERT_TRUE(crlf.WriteInteger("Third", "B", 2));
  EXPECT_EQ(crlf.ToText(), "[MAIN]\r\nLeft=20\r\nTop=30\r\n\r\n[Other]\r\nA=1\r\n\r\n[Third]\r\nB=2\r\n");

  // Bytes the reader cannot place stay as they were, a huge line included.
  const std::string hostile = "\xEF\xBB\xBF[MAIN]\nA=12\0junk\n[x\n" + std::string(3 << 20, '7') + "\nB=5\n";
  IniFile kept = IniFile::FromText(hostile);
  EXPECT_EQ(kept.ToText(), hostile);
  EXPECT_EQ(kept.ReadInteger("MAIN", "B", 0), 5);

  IniFile fresh, headerOnly = IniFile::FromText("[MAIN]\n\n; c\n");
  ASSERT_TRUE(fresh.WriteInteger("MAIN", "A", -3) && fresh.WriteInteger("main", "a", 5));
  ASSERT_TRUE(headerOnly.WriteInteger("MAIN", "A", 1));
  EXPECT_EQ(fresh.ToText(), "[MAIN]\nA=5\n");
  EXPECT_EQ(headerOnly.ToText(), "[MAIN]\nA=1\n\n; c\n");
}

TEST(IniFileTest, WrittenStringsReadBackExactlyOrAreRefused) {
  IniFile ini;
  for (const std::string value :
       {"", " lead", "trail\t", "\"quoted\"", "'single'", "\"", "a\"b", "=x=", "\"half"}) {
    ASSERT_TRUE(ini.WriteString("MAIN", "Value", value));
    EXPECT_EQ(IniFile::FromText(ini.ToText()).ReadString("MAIN", "Value", "?"), value);
  }
  // What the format cannot hold is refused and leaves the file alone.
  const std::string before = ini.ToText();
  // clang-format off
  const std::tuple<const char*, std::string, std::string> refused[] = {
      {"MAIN", "Value", "two\nlines"}, {"MAIN", "Value", "cr\r"}, {"MAIN", "Value", "nul\0"s},
      {"MAIN", "K=ey", "v"}, {"MAIN", " Key", "v"}, {"MAIN", "[Key", "v"}, {"MAIN", "", "v"},
      {"MA]IN", "Key", "v"}, {"", "Key", "v"}};
  // clang-format on
  for (const auto& [section, key, value] : refused) EXPECT_FALSE(ini.WriteString(section, key, value)) << key;
  EXPECT_EQ(ini.ToText(), before);
}

// A settings file is a few kilobytes: one past the bound is not read at all.
TEST(IniFileTest, MissingAndOversizedFilesReadAsEmpty) {
  const std::string path =
      std::filesystem::temp_directory_path() / ("velquor-ini-" + std::to_string(::getpid()));
  Status status;
  EXPECT_EQ(IniFile::FromFile(path, &status).ToText(), "");
  EXPECT_EQ(status.kind, Status::Kind::NotFound);
  ASSERT_TRUE(WriteFileAtomically(path, "[MAIN]\nA=" + std::string(IniFile::MaxFileBytes, 'x')).ok());
  EXPECT_EQ(IniFile::FromFile(path, &status).ToText(), "");
  EXPECT_EQ(status.kind, Status::Kind::Invalid);
  std::filesystem::remove(path);
}

}  // namespace
