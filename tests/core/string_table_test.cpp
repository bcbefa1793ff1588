#include "core/string_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/utf16.h"

namespace tarvelin {
namespace {

TEST(StringTableTest, BothLanguagesCarryEveryKeyAndPolishOneMore) {
  auto english = TableKeys(Language::kEnglish);
  auto polish = TableKeys(Language::kPolish);
  std::set<std::string_view> en(english.begin(), english.end());
  std::set<std::string_view> pl(polish.begin(), polish.end());
  EXPECT_EQ(en.size(), english.size()) << "duplicate English key";
  EXPECT_EQ(pl.size(), polish.size()) << "duplicate Polish key";
  for (auto key : en) EXPECT_TRUE(pl.count(key)) << "no Polish text for " << key;
  std::vector<std::string_view> extra;
  std::set_difference(pl.begin(), pl.end(), en.begin(), en.end(), std::back_inserter(extra));
  ASSERT_EQ(extra.size(), 1u);
  EXPECT_EQ(extra[0], "0x113380kVorrinDialogMenuItemKey");
  // Conversions must survive translation in order: a Polish text with fewer would drop data.
  for (auto key : en) {
    auto count = [](const std::u16string& t) {
      std::u16string conversions;
      for (size_t p = t.find(u'%'); p != std::u16string::npos && p + 1 < t.size();
           p = t.find(u'%', p + 2))
        conversions.push_back(t[p + 1]);
      return conversions;
    };
    EXPECT_EQ(count(TranslateIn(Language::kEnglish, key)), count(TranslateIn(Language::kPolish, key)))
        << key;
  }
}

TEST(StringTableTest, HostLanguageCodesSelectTables) {
  struct Case {
    int code;
    Language expected;
  };
  const Case cases[] = {{1, Language::kEnglish},  {4, Language::kEnglish}, {6, Language::kEnglish},
                        {13, Language::kEnglish}, {16, Language::kPolish}, {5, Language::kEnglish}};
  for (const auto& c : cases) EXPECT_EQ(LanguageForHostCode(c.code), c.expected) << c.code;

  SetLanguage(LanguageForHostCode(16));
  EXPECT_EQ(ToUtf8(Translate("0x113380kVorrinShowLogKey")), "Pokaż dziennik");
  SetLanguage(LanguageForHostCode(2));
  EXPECT_EQ(ToUtf8(Translate("0x113380kVorrinShowLogKey")), "Show log");
  EXPECT_EQ(ToUtf8(Translate("0x113380kZevStringLogStartedReadingFileKey")),
            "Started processing of file \"%s\".");
  // Unknown keys and non-key text pass through unchanged.
  EXPECT_EQ(Translate(std::u16string_view(u"Grafika żółta %s")), u"Grafika żółta %s");
  EXPECT_EQ(ToUtf8(Translate("0x113380kVorrinInternalPopupMenuNameKey")),
            "0x113380kVorrinInternalPopupMenuNameKey");
}

TEST(StringTableTest, PlaceholdersFillInOrderAndNeverRescanInsertedText) {
  struct Case {
    std::u16string text;
    std::vector<std::u16string> args;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"file \"%s\".", {u"a.tif"}, u"file \"a.tif\"."},
      {u"file \"%s\".", {}, u"file \"\"."},
      {u"%s and %s", {u"x"}, u"x and "},
      {u"%s and %s", {u"%s", u"y"}, u"%s and y"},
      {u"%s%s", {u"a", u"b", u"c"}, u"ab"},
      {u"no placeholders", {u"x"}, u"no placeholders"},
      {u"100%", {u"x"}, u"100%"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FillPlaceholders(c.text, c.args), c.expected) << ToUtf8(c.text);
}

}  // namespace
}  // namespace tarvelin
