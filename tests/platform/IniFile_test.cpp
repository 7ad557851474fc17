#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

TEST(IniFileTest, NamesIgnoreCaseAndTheFirstMatchWins) {
  const IniFile ini = IniFile::FromText(
      "Width=1\n"  // before any header: in no section
      "[main]\n"
      "WIDTH=5\n"
      "width=7\n"
      "  Spaced Key  = 9\n"
      "[Other]\n"
      "Height=3\n"
      "[MAIN]\n"
      "Height=4\n");
  EXPECT_EQ(ini.ReadInteger("MAIN", "Width", -1), 5);
  EXPECT_EQ(ini.ReadInteger("Main", "wIdTh", -1), 5);
  EXPECT_EQ(ini.ReadInteger("MAIN", "spaced key", -1), 9);
  // The second [MAIN] is shadowed by the first, as with the profile calls.
  EXPECT_EQ(ini.ReadInteger("MAIN", "Height", -1), -1);
  EXPECT_EQ(ini.ReadInteger("other", "height", -1), 3);
}

TEST(IniFileTest, MissingKeysSectionsAndNonKeyLinesGiveTheDefault) {
  const IniFile ini = IniFile::FromText(
      "[MAIN]\n"
      "; Left=10\n"
      "# Top=20\n"
      "JustAWord\n"
      "=30\n"
      "[Broken\n"
      "Present=\n");
  EXPECT_EQ(ini.ReadInteger("MAIN", "Left", 77), 77);
  EXPECT_EQ(ini.ReadInteger("MAIN", "Top", 77), 77);
  EXPECT_EQ(ini.ReadInteger("MAIN", "JustAWord", 77), 77);
  EXPECT_EQ(ini.ReadString("MAIN", "Absent", "fallback"), "fallback");
  EXPECT_EQ(ini.ReadString("Nowhere", "Present", "fallback"), "fallback");
  // "[Broken" is no header, so Present still belongs to MAIN; being empty, it
  // gives the integer default but an empty string.
  EXPECT_TRUE(ini.HasKey("MAIN", "Present"));
  EXPECT_EQ(ini.ReadInteger("MAIN", "Present", 77), 77);
  EXPECT_EQ(ini.ReadString("MAIN", "Present", "fallback"), "");
  EXPECT_EQ(IniFile().ReadInteger("MAIN", "Left", 5), 5);
}

TEST(IniFileTest, IntegersParseLikeTheProfileReader) {
  const struct {
    const char* text;
    std::int32_t expected;
  } cases[] = {
      {"42", 42},
      {"  42", 42},
      {"+7", 7},
      {"-12", -12},
      {"0x1F", 31},
      {"0X1f", 31},
      {"-0x10", -16},
      {"12abc", 12},
      {"1 2", 1},
      {"abc", 0},
      {"-", 0},
      {"0x", 0},
      {"0xZ", 0},
      {"--5", 0},
      {" ", 0},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MIN},
      {"4294967295", -1},
      {"4294967296", 0},
      {"4294967298", 2},
      {"-2147483649", INT_MAX},
      {"0x100000003", 3},
      {"007", 7},
  };
  for (const auto& c : cases) EXPECT_EQ(IniFile::ParseInteger(c.text, 99), c.expected) << c.text;
  EXPECT_EQ(IniFile::ParseInteger("", 99), 99);

  const IniFile ini = IniFile::FromText("[MAIN]\nA= 0x20 \nB=\"17\"\nC=' -5'\nD=\"\"\nE=12\t; note\n");
  EXPECT_EQ(ini.ReadInteger("MAIN", "A", 0), 32);
  EXPECT_EQ(ini.ReadInteger("MAIN", "B", 0), 17);
  EXPECT_EQ(ini.ReadInteger("MAIN", "C", 0), -5);
  EXPECT_EQ(ini.ReadInteger("MAIN", "D", 99), 99);  // empty once the quotes are gone
  EXPECT_EQ(ini.ReadInteger("MAIN", "E", 0), 12);
}

TEST(IniFileTest, StringsAreTrimmedAndLoseOnePairOfQuotes) {
  const IniFile ini = IniFile::FromText(
      "[MAIN]\n"
      "Plain=  a b \t\n"
      "Double=\" padded \"\n"
      "Single='x'\n"
      "Mixed=\"x'\n"
      "Lone=\"\n"
      "Nested=\"\"x\"\"\n"
      "Equals=b=c\n");
  EXPECT_EQ(ini.ReadString("MAIN", "Plain", ""), "a b");
  EXPECT_EQ(ini.ReadString("MAIN", "Double", ""), " padded ");
  EXPECT_EQ(ini.ReadString("MAIN", "Single", ""), "x");
  EXPECT_EQ(ini.ReadString("MAIN", "Mixed", ""), "\"x'");
  EXPECT_EQ(ini.ReadString("MAIN", "Lone", ""), "\"");
  EXPECT_EQ(ini.ReadString("MAIN", "Nested", ""), "\"x\"");
  EXPECT_EQ(ini.ReadString("MAIN", "Equals", ""), "b=c");
}

TEST(IniFileTest, WritingTouchesOnlyTheKeyItWrites) {
  const std::string original =
      "; written by hand\n"
      "[Other]\n"
      "Width=1\n"
      "\n"
      "[main]\n"
      "  width = 100 ; old\n"
      "Unknown=keep me\n"
      "\n"
      "; trailing comment\n"
      "[Last]\n"
      "X=1\n";
  IniFile ini = IniFile::FromText(original);
  EXPECT_EQ(ini.ToText(), original);
  ASSERT_TRUE(ini.WriteInteger("MAIN", "Width", 1020));
  ASSERT_TRUE(ini.WriteInteger("MAIN", "Height", 650));
  ASSERT_TRUE(ini.WriteString("New", "Key", "v"));
  EXPECT_EQ(ini.ToText(),
            "; written by hand\n"
            "[Other]\n"
            "Width=1\n"
            "\n"
            "[main]\n"
            "  width=1020\n"
            "Unknown=keep me\n"
            "Height=650\n"
            "\n"
            "; trailing comment\n"
            "[Last]\n"
            "X=1\n"
            "\n"
            "[New]\n"
            "Key=v\n");
  EXPECT_EQ(ini.ReadInteger("Other", "Width", 0), 1);

  IniFile empty;
  ASSERT_TRUE(empty.WriteInteger("MAIN", "A", -3));
  ASSERT_TRUE(empty.WriteInteger("MAIN", "B", 4));
  ASSERT_TRUE(empty.WriteInteger("main", "a", 5));
  EXPECT_EQ(empty.ToText(), "[MAIN]\nA=5\nB=4\n");

  IniFile headerOnly = IniFile::FromText("[MAIN]\n\n; c\n");
  ASSERT_TRUE(headerOnly.WriteInteger("MAIN", "A", 1));
  EXPECT_EQ(headerOnly.ToText(), "[MAIN]\nA=1\n\n; c\n");
}

TEST(IniFileTest, WrittenStringsReadBackExactly) {
  IniFile ini;
  for (const std::string value : {"", " lead", "trail\t", "\"quoted\"", "'single'", "\"", "a\"b",
                                  "=x=", "/home/user/Results/", "\"half"}) {
    ASSERT_TRUE(ini.WriteString("MAIN", "Value", value));
    EXPECT_EQ(ini.ReadString("MAIN", "Value", "?"), value);
    EXPECT_EQ(IniFile::FromText(ini.ToText()).ReadString("MAIN", "Value", "?"), value);
  }
  // What the format cannot hold is refused and leaves the file alone.
  const std::string before = ini.ToText();
  EXPECT_FALSE(ini.WriteString("MAIN", "Value", "two\nlines"));
  EXPECT_FALSE(ini.WriteString("MAIN", "Value", "cr\r"));
  EXPECT_FALSE(ini.WriteString("MAIN", "Value", std::string("nul\0", 4)));
  EXPECT_FALSE(ini.WriteString("MAIN", "K=ey", "v"));
  EXPECT_FALSE(ini.WriteString("MAIN", " Key", "v"));
  EXPECT_FALSE(ini.WriteString("MAIN", "[Key", "v"));
  EXPECT_FALSE(ini.WriteString("MAIN", "", "v"));
  EXPECT_FALSE(ini.WriteString("MA]IN", "Key", "v"));
  EXPECT_FALSE(ini.WriteString("", "Key", "v"));
  EXPECT_EQ(ini.ToText(), before);
}

TEST(IniFileTest, CrlfFilesStayCrlf) {
  const std::string original = "[MAIN]\r\nLeft=10\r\nName = \"x\" \r\n\r\n[Other]\r\nA=1\r\n";
  IniFile ini = IniFile::FromText(original);
  EXPECT_EQ(ini.ToText(), original);
  EXPECT_EQ(ini.ReadInteger("MAIN", "Left", 0), 10);
  EXPECT_EQ(ini.ReadString("MAIN", "Name", ""), "x");
  ASSERT_TRUE(ini.WriteInteger("MAIN", "Left", 20));
  ASSERT_TRUE(ini.WriteInteger("MAIN", "Top", 30));
  ASSERT_TRUE(ini.WriteInteger("Third", "B", 2));
  EXPECT_EQ(ini.ToText(),
            "[MAIN]\r\nLeft=20\r\nName = \"x\" \r\nTop=30\r\n\r\n[Other]\r\nA=1\r\n\r\n[Third]\r\nB=2\r\n");
}

TEST(IniFileTest, HostileTextNeitherCrashesNorLosesBytes) {
  // No trailing newline, a byte-order mark, a NUL in a value, a huge line.
  IniFile ini = IniFile::FromText("\xEF\xBB\xBF[MAIN]\nA=12\0junk\nB=last"s);
  EXPECT_EQ(ini.ReadInteger("MAIN", "A", 0), 12);
  EXPECT_EQ(ini.ReadString("MAIN", "A", ""), "12");
  EXPECT_EQ(ini.ReadInteger("MAIN", "B", 0), 0);
  EXPECT_EQ(ini.ReadString("MAIN", "B", ""), "last");
  EXPECT_EQ(ini.ToText(), "\xEF\xBB\xBF[MAIN]\nA=12\0junk\nB=last\n"s);

  const std::string huge = "[MAIN]\nBig=" + std::string(3 << 20, '7') + "\nAfter=5\n";
  ini = IniFile::FromText(huge);
  EXPECT_EQ(ini.ReadInteger("MAIN", "After", 0), 5);
  EXPECT_EQ(ini.ReadString("MAIN", "Big", "").size(), std::size_t{3} << 20);
  EXPECT_EQ(ini.ToText(), huge);

  std::mt19937 random(1234);
  for (int round = 0; round < 200; ++round) {
    std::string garbage(static_cast<std::size_t>(random() % 2000), '\0');
    for (char& c : garbage) c = static_cast<char>(random() % 8 == 0 ? "[]=\n\r;\"'"[random() % 8] : random());
    if (!garbage.empty() && garbage.back() != '\n') garbage += '\n';
    IniFile parsed = IniFile::FromText(garbage);
    ASSERT_EQ(parsed.ToText(), garbage);
    ASSERT_TRUE(parsed.WriteInteger("MAIN", "Width", round));
    ASSERT_EQ(IniFile::FromText(parsed.ToText()).ReadInteger("MAIN", "Width", -1), round);
  }
}

class IniFileOnDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("velquor-ini-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Path(const char* name) const { return (dir / name).string(); }
  fs::path dir;
};

TEST_F(IniFileOnDiskTest, MissingAndOversizedFilesReadAsEmpty) {
  Status status;
  EXPECT_FALSE(IniFile::FromFile(Path("absent.ini"), &status).HasKey("MAIN", "A"));
  EXPECT_EQ(status.kind, Status::Kind::NotFound);

  IniFile big;
  ASSERT_TRUE(big.WriteString("MAIN", "A", std::string(IniFile::MaxFileBytes, 'x')));
  ASSERT_TRUE(big.SaveToFile(Path("big.ini")).ok());
  const IniFile read = IniFile::FromFile(Path("big.ini"), &status);
  EXPECT_EQ(status.kind, Status::Kind::Invalid);
  EXPECT_EQ(read.ToText(), "");
}

TEST_F(IniFileOnDiskTest, SavedFileReadsBackAndLeavesNoTemporaryFile) {
  IniFile ini = IniFile::FromText("; keep\n[MAIN]\nA=1\n");
  ASSERT_TRUE(ini.WriteString("MAIN", "Folder", " /tmp/x "));
  ASSERT_TRUE(ini.SaveToFile(Path("config.ini")).ok());
  Status status;
  const IniFile read = IniFile::FromFile(Path("config.ini"), &status);
  EXPECT_TRUE(status.ok());
  EXPECT_EQ(read.ToText(), "; keep\n[MAIN]\nA=1\nFolder=\" /tmp/x \"\n");
  EXPECT_EQ(read.ReadString("MAIN", "Folder", ""), " /tmp/x ");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

}  // namespace
