#include "pages/EditorNumbers.h"

#include <gtest/gtest.h>

namespace {

TEST(EditorNumbers, StrToIntAcceptsTheEditorForms) {
  EXPECT_EQ(StrToInt("12"), 12);
  EXPECT_EQ(StrToInt("  12"), 12);
  EXPECT_EQ(StrToInt("-5"), -5);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("$20"), 32);
  EXPECT_EQ(StrToInt("0x20"), 32);
  EXPECT_EQ(StrToInt("x1F"), 31);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
}

TEST(EditorNumbers, StrToIntRefusesEverythingElse) {
  for (const char* text : {"", " ", "abc", "12 ", "1 2", "-", "$", "0x", "2147483648", "-2147483649",
                           "99999999999999999999", "$80000000", "1.5", "\t3"})
    EXPECT_FALSE(StrToInt(text)) << '"' << text << '"';
}

TEST(EditorNumbers, EditorIntUsesFallbackThenClamps) {
  EXPECT_EQ(EditorInt("abc", 10, 1, 999999), 10);
  EXPECT_EQ(EditorInt("0", 10, 1, 999999), 1);
  EXPECT_EQ(EditorInt("5000000", 10, 1, 999999), 999999);
  EXPECT_EQ(EditorInt("99", 1000, 100, 60000), 100);
  EXPECT_EQ(EditorInt("", 1000, 0, 999999999), 1000);
  EXPECT_EQ(EditorInt("-5", 1000, 0, 999999999), 0);
  // A fallback outside the range is clamped too.
  EXPECT_EQ(EditorInt("x", 500, 1, 255), 255);
}

}  // namespace
