#include "core/utf16.h"

#include <gtest/gtest.h>

namespace tarvelin {
namespace {

TEST(Utf16Test, ConvertsBothWaysAndReplacesWhatCannotBeCarried) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  };
  const Case roundTrips[] = {
      {"", u""},
      {"Zażółć gęślą jaźń", u"Zażółć gęślą jaźń"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"a\xE2\x82\xAC", u"a€"},
  };
  for (const auto& c : roundTrips) {
    EXPECT_EQ(FromUtf8(c.utf8), c.utf16);
    EXPECT_EQ(ToUtf8(c.utf16), c.utf8);
  }
  // Malformed UTF-8: overlong, truncated, stray continuation, encoded surrogate.
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(FromUtf8("a\xE2\x82"), u"a\uFFFD\uFFFD");
  EXPECT_EQ(FromUtf8("\x80z"), u"\uFFFDz");
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
  // Lone surrogates cannot go to UTF-8.
  std::u16string lone = u"x";
  lone.push_back(static_cast<char16_t>(0xD800));
  EXPECT_EQ(ToUtf8(lone), "x\xEF\xBF\xBD");
}

TEST(Utf16Test, AsciiCaseFoldingLeavesOtherLettersAlone) {
  EXPECT_TRUE(EqualsIgnoreCaseAscii(u"FC", u"fc"));
  EXPECT_FALSE(EqualsIgnoreCaseAscii(u"Ż", u"ż"));
  EXPECT_FALSE(EqualsIgnoreCaseAscii(u"fc", u"fcx"));
  EXPECT_EQ(ToLowerAscii(u"TiL-Ż"), u"til-Ż");
  EXPECT_EQ(ToUpperAscii(u"til-ż"), u"TIL-ż");
}

}  // namespace
}  // namespace tarvelin
