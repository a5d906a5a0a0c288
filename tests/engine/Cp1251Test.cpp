#include <gtest/gtest.h>

#include "engine/Cp1251.h"

namespace vuruzid::cp1251 {
namespace {

std::string Cp(std::string_view utf8) { return *FromUtf8(utf8); }

TEST(Cp1251, UpperCasesLatinAndCyrillicOnly) {
  EXPECT_EQ(ToUpper("abc xyz-`_09"), "ABC XYZ-`_09");
  EXPECT_EQ(ToUpper(Cp("кошка ёж щи")), Cp("КОШКА ЁЖ ЩИ"));
  EXPECT_EQ(ToUpper(Cp("їєіґў")), Cp("ЇЄІҐЎ"));
  EXPECT_EQ(ToUpper(Cp("АБВ ЖЯ")), Cp("АБВ ЖЯ"));
  // Symbols of the upper half stay as they are.
  EXPECT_EQ(ToUpper(Cp("«»№€")), Cp("«»№€"));
}

TEST(Cp1251, Utf8RoundTripCoversTheWholePage) {
  for (int c = 1; c < 256; ++c) {
    if (c == 0x98) continue;  // the page's one unassigned byte
    const std::string byte(1, static_cast<char>(c));
    const auto back = FromUtf8(ToUtf8(byte));
    ASSERT_TRUE(back) << c;
    EXPECT_EQ(*back, byte) << c;
  }
}

TEST(Cp1251, RefusesWhatThePageCannotHold) {
  char32_t bad = 0;
  EXPECT_FALSE(FromUtf8("naïve", &bad));
  EXPECT_EQ(bad, U'ï');
  EXPECT_FALSE(FromUtf8("日本", &bad));
  EXPECT_EQ(bad, U'日');
  EXPECT_FALSE(FromUtf8("\xC3", &bad));  // cut sequence
  EXPECT_FALSE(FromUtf8("\xC0\xAF", &bad));  // overlong encoding
  EXPECT_EQ(*FromUtf8("it’s"), "it\x92s");
}

TEST(Cp1251, TrimAndTheBlankComparison) {
  EXPECT_EQ(Trim("  \t word \r\n"), "word");
  EXPECT_EQ(Trim(" \x01 "), "");
  EXPECT_FALSE(GreaterThanSpace(""));
  EXPECT_FALSE(GreaterThanSpace(" "));
  EXPECT_FALSE(GreaterThanSpace("\tword"));
  EXPECT_TRUE(GreaterThanSpace("  "));
  EXPECT_TRUE(GreaterThanSpace(" a"));
  EXPECT_TRUE(GreaterThanSpace("_"));
  EXPECT_TRUE(GreaterThanSpace(Cp("Я")));  // bytes compare unsigned
}

TEST(Cp1251, WordCharacters) {
  std::string word;
  for (int c = 0; c < 256; ++c)
    if (IsWordCharacter(static_cast<unsigned char>(c))) word += static_cast<char>(c);
  EXPECT_EQ(word, "-ABCDEFGHIJKLMNOPQRSTUVWXYZ`" + Cp("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"));
}

}  // namespace
}  // namespace vuruzid::cp1251
