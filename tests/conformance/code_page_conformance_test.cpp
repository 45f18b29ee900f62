// Code page 932 as Windows defines it, whatever the system's own code page.
#include <gtest/gtest.h>

#include <string>

#include "platform/code_page.h"

using namespace win;

TEST(CodePageConformance, CharactersOfCodePage932) {
  struct Case {
    const char* utf8;
    std::string ansi;
  } cases[] = {
      {"表示", "\x95\x5c\x8e\xa6"},
      {"ソ", "\x83\x5c"},
      {"～", "\x81\x60"},  // FULLWIDTH TILDE, which strict Shift_JIS lacks
      {"①", "\x87\x40"},
      {"㈱", "\x87\x8a"},
      {"ｱ", "\xb1"},  // half-width katakana is one byte
      {"abc\\", "abc\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ansiFromUtf8(c.utf8), c.ansi) << c.utf8;
    EXPECT_EQ(ansiToUtf8(c.ansi), c.utf8) << c.utf8;
    EXPECT_TRUE(isRoundTripAnsi(c.ansi)) << c.utf8;
  }
  EXPECT_EQ(ansiToWide("\x81\x60"), std::u16string(u"\uFF5E"));
  EXPECT_EQ(wideToAnsi(u"\u8868\u793A"), std::string("\x95\x5c\x8e\xa6"));
}

TEST(CodePageConformance, BytesThatAreNotText) {
  EXPECT_FALSE(isRoundTripAnsi(std::string("ab\x82", 3)));  // lead byte without trail byte
  EXPECT_TRUE(isRoundTripAnsi(""));
  EXPECT_TRUE(isRoundTripAnsi(std::string("a\0b", 3)));
  EXPECT_EQ(ansiToWide(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

// Every byte below 0x80 is the code point of the same number, control codes
// included, also between double-byte characters.
TEST(CodePageConformance, BytesBelow0x80AreTheirOwnCodePoints) {
  std::string ascii;
  std::u16string wide;
  for (int c = 0x01; c < 0x80; ++c) {
    ascii += char(c);
    wide += char16_t(c);
  }
  const std::string ansi = ansiFromUtf8("表") + ascii + ansiFromUtf8("ｱ");
  const std::u16string unicode = u"\u8868" + wide + u"\uFF71";
  EXPECT_EQ(ansiToWide(ansi), unicode);
  EXPECT_EQ(wideToAnsi(unicode), ansi);
  EXPECT_EQ(ansiToUtf8(ansi), "表" + ascii + "ｱ");
  EXPECT_EQ(ansiFromUtf8("表" + ascii + "ｱ"), ansi);
  EXPECT_TRUE(isRoundTripAnsi(ansi));
}
