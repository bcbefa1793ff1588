#include "framefile/box_definition.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <pugixml.hpp>

#include "core/alert.h"
#include "core/diagnostics.h"
#include "core/import_log.h"
#include "core/utf16.h"

namespace tarvelin {
namespace {

constexpr float kMm = 72.0f / 25.4f;

BoxDefinition Parse(std::u16string_view text) {
  return BoxDefinition(text, 10, 20, -1, -1);
}

struct Validation {
  bool ok;
  int32_t headerEnd;
  int32_t endTagStart;
};

Validation Validate(std::u16string_view text) {
  int32_t h = 99, e = 99;
  bool ok = ValidateBoxDefinition(text, h, e);
  return {ok, h, e};
}

TEST(ValidateBoxDefinitionTest, BalanceAndPositions) {
  struct Case {
    std::u16string_view text;
    bool ok;
    int32_t headerEnd;
    int32_t endTagStart;
  };
  const Case cases[] = {
      {u"<boxtext a=\"1\">x</boxtext>", true, 15, 16},
      {u"<boxgroup><innerbox/><innerbox>y</innerbox></boxgroup>", true, 10, 43},
      {u"<boxtext a=\"x>y\">z</boxtext>", true, 17, 18},  // '>' inside quotes
      {u"<boxpicture fn=\"a.tif\"/>", true, 24, -1},
      {u"<boxtexts>x</boxtexts>", true, 10, -1},
      {u"<box a=\"1\"/>", false, 99, 99},  // '/>' closes a level that was never opened
      {u"<boxtext>", false, 99, 99},
      {u"</boxtext>", false, 99, 99},
      {u"<boxtext>a</boxtext></boxtext>", false, 99, 99},
      {u"", true, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    diag::Capture capture;
    Validation v = Validate(c.text);
    EXPECT_EQ(v.ok, c.ok);
    EXPECT_EQ(v.headerEnd, c.headerEnd);
    EXPECT_EQ(v.endTagStart, c.endTagStart);
    EXPECT_EQ(capture.Text().starts_with("not valid: "), !c.ok);
  }
}

TEST(BoxDefinitionTest, ParsesKindAndRawAttributes) {
  struct Case {
    std::u16string_view text;
    BoxKind kind;
  };
  const Case cases[] = {
      {u"<boxtext a=\"1\">x</boxtext>", BoxKind::kText}, {u"<box a=\"1\"/>", BoxKind::kBox},
      {u"<boxgroup a=\"1\"/>", BoxKind::kGroup},         {u"<innerbox a=\"1\"/>", BoxKind::kInner},
      {u"<boxpicture a=\"1\"/>", BoxKind::kPicture},
  };
  for (const Case& c : cases) {
    BoxDefinition d = Parse(c.text);
    EXPECT_TRUE(d.valid);
    EXPECT_EQ(d.kind, c.kind);
    EXPECT_EQ(d.attributeNames, std::vector<std::u16string>{u"a"});
    EXPECT_EQ(d.attributeValues, std::vector<std::u16string>{u"1"});
    EXPECT_EQ(d.storyStart, 10);
    EXPECT_EQ(d.storyEnd, 20);
  }
}

TEST(BoxDefinitionTest, DefaultsWithoutAttributes) {
  BoxDefinition d = Parse(u"<boxtext>content</boxtext>");
  ASSERT_TRUE(d.valid);
  EXPECT_EQ(d.fittingSelector, -3);
  EXPECT_EQ(d.borderColour, ColourSpec{});
  EXPECT_EQ(d.fillColour, DefaultColourTable()[1]);
  EXPECT_TRUE(d.offsetFlag);
  EXPECT_FALSE(d.insetsSet);
  EXPECT_EQ(d.width, 0);
  EXPECT_EQ(d.strokeWeight, 0);
  EXPECT_TRUE(d.attributeNames.empty());
  EXPECT_TRUE(d.innerBoxes.empty());
  EXPECT_EQ(d.frameUID, 0u);
  EXPECT_EQ(d.frameDatabase, nullptr);
}

TEST(BoxDefinitionTest, DecodesTheAttributeTable) {
  BoxDefinition d = Parse(
      u"<boxpicture t1=\"One\" T2=\"Two\" t4=\"Four\" WD=\"1in\" hs=\"10\" HD=\"2cm\" "
      u"os=\"Ad style\" FN=\"pic.tif\" sp=\"-4\" bc=\"SWATCHNAME:Red\" FC=\"2\" fw=\"0.5mm\" "
      u"TI=\"2mm\" TIL=\"0\" RAT=\"0\" TOB=\"3\" unknown=\"kept\"/>");
  ASSERT_TRUE(d.valid);
  EXPECT_EQ(d.texts, (std::array<std::u16string, 4>{u"One", u"Two", u"", u"Four"}));
  EXPECT_FLOAT_EQ(d.width, 10);  // hs wins over WD
  EXPECT_NEAR(d.height, 20 * kMm, 1e-4);
  EXPECT_EQ(d.objectStyleName, u"Ad style");
  EXPECT_EQ(d.fileName, u"pic.tif");
  EXPECT_EQ(d.fittingSelector, -4);
  EXPECT_EQ(d.borderColour.colourSpace, kColourSpaceSwatch);
  EXPECT_EQ(d.borderColour.swatchName, u"Red");
  EXPECT_EQ(d.fillColour, DefaultColourTable()[2]);
  EXPECT_NEAR(d.strokeWeight, 0.5f * kMm, 1e-4);
  EXPECT_TRUE(d.insetsSet);
  EXPECT_EQ(d.insets[0], 0);
  for (int i = 1; i < 4; ++i) EXPECT_NEAR(d.insets[i], 2 * kMm, 1e-4);
  EXPECT_TRUE(d.offsetFlag);  // TOB sets it again after RAT="0"
  EXPECT_EQ(d.offsets, (std::array<float, 4>{0, 0, 0, 3}));
  ASSERT_EQ(d.attributeNames.size(), 17u);
  EXPECT_EQ(d.attributeNames.back(), u"unknown");
  EXPECT_EQ(*d.FindAttribute(u"fc"), u"2");
}

TEST(BoxDefinitionTest, AttributeEdgeCases) {
  struct Case {
    std::u16string_view text;
    int32_t fittingSelector;
    bool offsetFlag;
    std::array<float, 4> offsets;
  };
  const Case cases[] = {
      {u"<boxtext sp=\"2\"/>", -3, true, {}},
      {u"<boxtext sp=\"1\"/>", 1, true, {}},
      {u"<boxtext sp=\"abc\"/>", -3, true, {}},
      {u"<boxtext sp=\"-5\"/>", -3, true, {}},
      {u"<boxtext RAT=\"0\"/>", -3, false, {}},
      {u"<boxtext rat=\"00\"/>", -3, true, {}},
      {u"<boxtext RAT=\"0\" TO=\"3\"/>", -3, true, {3, 3, 3, 3}},
      {u"<boxtext to=\"1p\" TOL=\"\"/>", -3, true, {12, 12, 12, 12}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    BoxDefinition d = Parse(c.text);
    ASSERT_TRUE(d.valid);
    EXPECT_EQ(d.fittingSelector, c.fittingSelector);
    EXPECT_EQ(d.offsetFlag, c.offsetFlag);
    EXPECT_EQ(d.offsets, c.offsets);
  }
}

TEST(BoxDefinitionTest, CaseVariantsAndDuplicates) {
  for (std::u16string_view text : {u"<boxtext FC=\"0\"/>", u"<boxtext fc=\"0\"/>"}) {
    BoxDefinition d = Parse(text);
    EXPECT_EQ(d.fillColour, DefaultColourTable()[0]);
  }
  // The first spelling written is kept once; an empty value counts as absent.
  BoxDefinition d = Parse(u"<boxtext fc=\"0\" FC=\"3\" e=\"\" til=\"5\"/>");
  ASSERT_TRUE(d.valid);
  EXPECT_EQ(d.attributeNames, (std::vector<std::u16string>{u"fc", u"til"}));
  EXPECT_EQ(d.attributeValues, (std::vector<std::u16string>{u"0", u"5"}));
  EXPECT_EQ(d.fillColour, DefaultColourTable()[0]);
  EXPECT_EQ(d.insets[0], 5);
  EXPECT_TRUE(d.insetsSet);
}

TEST(BoxDefinitionTest, AmpersandsQuotesAndBackspace) {
  BoxDefinition a = Parse(u"<boxtext t1=\"A & B &amp; &#65; &lt;\"/>");
  ASSERT_TRUE(a.valid);
  EXPECT_EQ(a.texts[0], u"A & B &amp; &#65; &lt;");

  BoxDefinition q = Parse(u"<boxtext fn=\u201cx.tif\u201d t2=\u201ey\u201f/>");
  ASSERT_TRUE(q.valid);
  EXPECT_EQ(q.fileName, u"x.tif");
  EXPECT_EQ(q.texts[1], u"y");

  BoxDefinition b = Parse(u"<boxtext\x08t1=\"a\x08z\"/>");
  ASSERT_TRUE(b.valid);
  EXPECT_EQ(b.texts[0], u"a z");
}

TEST(BoxDefinitionTest, TextOutsideTheBasicPlaneSurvives) {
  std::u16string value = u"\U0001F600 \u017c\u00f3\u0142w \xD800 \xDC00 end\xDBFF";
  BoxDefinition d = Parse(u"<boxtext t3=\"" + value + u"\"/>");
  ASSERT_TRUE(d.valid);
  EXPECT_EQ(d.texts[2], value);
}

TEST(BoxDefinitionTest, InnerBoxesInDocumentOrder) {
  BoxDefinition d = Parse(
      u"<boxgroup hs=\"100\">text<innerbox t1=\"a\"><boxpicture fn=\"deep.tif\"/></innerbox>"
      u"<boxgroup t1=\"not a box\"/><boxpicture t1=\"b\"/><boxtext t1=\"c\">x</boxtext>"
      u"<other/></boxgroup>");
  ASSERT_TRUE(d.valid);
  ASSERT_EQ(d.innerBoxes.size(), 3u);
  EXPECT_EQ(d.innerBoxes[0].kind, BoxKind::kInner);
  EXPECT_EQ(d.innerBoxes[1].kind, BoxKind::kPicture);
  EXPECT_EQ(d.innerBoxes[2].kind, BoxKind::kText);
  EXPECT_EQ(d.innerBoxes[2].texts[0], u"c");
  ASSERT_EQ(d.innerBoxes[0].innerBoxes.size(), 1u);
  EXPECT_EQ(d.innerBoxes[0].innerBoxes[0].fileName, u"deep.tif");
  EXPECT_EQ(d.innerBoxes[0].storyStart, 0);

  // Copies are deep.
  BoxDefinition copy = d;
  copy.innerBoxes[0].innerBoxes[0].fileName = u"changed";
  EXPECT_EQ(d.innerBoxes[0].innerBoxes[0].fileName, u"deep.tif");
  copy = d;
  EXPECT_EQ(copy.innerBoxes[0].innerBoxes[0].fileName, u"deep.tif");
}

std::u16string Nested(int levels) {
  std::u16string text = u"<boxgroup>";
  for (int i = 0; i < levels; ++i) text += u"<innerbox>";
  for (int i = 0; i < levels; ++i) text += u"</innerbox>";
  return text + u"</boxgroup>";
}

TEST(BoxDefinitionTest, NestingIsBounded) {
  BoxDefinition ok = Parse(Nested(BoxDefinition::kMaxNesting));
  EXPECT_TRUE(ok.valid);
  int depth = 0;
  for (const BoxDefinition* b = &ok; !b->innerBoxes.empty(); b = &b->innerBoxes[0]) ++depth;
  EXPECT_EQ(depth, BoxDefinition::kMaxNesting);

  auto file = std::filesystem::temp_directory_path() /
              ("tarvelin_box_nesting_test_" + std::to_string(::getpid()) + ".log");
  ASSERT_TRUE(KInDesignCommon::OpenLog(file));
  for (int levels : {BoxDefinition::kMaxNesting + 1, 100000}) {
    diag::Capture capture;
    BoxDefinition deep = Parse(Nested(levels));
    EXPECT_FALSE(deep.valid) << levels;
    EXPECT_NE(capture.Text().find("65 levels deep"), std::string::npos) << capture.Text();
  }
  KInDesignCommon::CloseLog();
  std::u16string log = KInDesignCommon::ReadLogText(file);
  EXPECT_NE(log.find(u"Inner boxes nested 65 levels deep"), std::u16string::npos);
  std::filesystem::remove(file);
}

TEST(BoxDefinitionTest, NotAnAllowedEntity) {
  diag::Capture capture;
  BoxDefinition d = Parse(u"<boxtexts>x</boxtexts>");
  EXPECT_FALSE(d.valid);
  EXPECT_EQ(capture.Text(), "Node \"boxtexts\" is not an allowed entity.\n");
}

// Hostile or broken definitions give a record, valid or not, and never crash.
TEST(BoxDefinitionTest, BadInput) {
  struct Case {
    std::u16string text;
    bool valid;
  };
  std::u16string manyAttributes = u"<boxtext";
  for (int i = 0; i < 100000; ++i)
    manyAttributes += u" a" + Widen(std::to_string(i)) + u"=\"value value value\"";
  manyAttributes += u" t1=\"last\"/>";
  std::u16string longValue = u"<boxtext t1=\"" + std::u16string(10'000'000, u'v') + u"\"/>";
  const Case cases[] = {
      {u"<boxtext>a < b</boxtext>", false},
      {u"<boxtext>x</boxpicture>", false},
      {u"<boxtext>", false},
      {u"</boxtext>", false},
      {u"<boxtext a/>", false},
      {u"<boxtext a=/>", false},
      {u"<boxtext a=\"1/>", false},
      {u"<boxtext><!DOCTYPE x [<!ENTITY e \"boom\">]></boxtext>", false},
      {u"<boxtext><?pi data?>x</boxtext>", true},
      {u"<boxtext><!-- note -->x<![CDATA[<&>]]></boxtext>", true},
      {u"</root><boxtext/>", false},
      {u"<boxtext/></root><root>", false},
      {std::u16string(u"<boxtext>a\0b</boxtext>", 22), false},
      {u"", false},
      {u"plain text", false},
      {manyAttributes, true},
      {longValue, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text.substr(0, 60)));
    diag::Capture capture;
    BoxDefinition d = Parse(c.text);
    EXPECT_EQ(d.valid, c.valid);
  }
  BoxDefinition many = Parse(manyAttributes);
  EXPECT_EQ(many.texts[0], u"last");
  EXPECT_EQ(many.attributeNames.size(), 100001u);
}

TEST(BoxDefinitionTest, ParseFailureIsLoggedWithTheDocumentText) {
  auto file = std::filesystem::temp_directory_path() /
              ("tarvelin_box_parse_fail_" + std::to_string(::getpid()) + ".log");
  ASSERT_TRUE(KInDesignCommon::OpenLog(file));
  diag::Capture capture;
  BoxDefinition d = Parse(u"<boxtext>a < b & c</boxtext>");
  KInDesignCommon::CloseLog();
  EXPECT_FALSE(d.valid);
  EXPECT_NE(capture.Text().find("Could not create IIDXMLDOMDocument. Cannot proceed.\nhere\n"),
            std::string::npos);
  std::u16string log = KInDesignCommon::ReadLogText(file);
  EXPECT_NE(log.find(u"Blad przy parsowaniu stringu xml:\n<?xml version=\"1.0\" "
                     u"encoding=\"utf-16\"?><root><boxtext>a < b &amp; c</boxtext></root>"),
            std::u16string::npos);
  std::filesystem::remove(file);
}

TEST(BoxDefinitionTest, GetAttributeValueLooksUpExactThenLowerThenUpper) {
  BoxDefinition d = Parse(u"<boxtext til=\"1\" WD=\"2\" Fc=\"3\"/>");
  ASSERT_TRUE(d.valid);
  EXPECT_EQ(d.insets[0], 1);                         // "TIL" finds til
  EXPECT_EQ(d.width, 2);                             // "WD" found as written
  EXPECT_EQ(d.fillColour, DefaultColourTable()[1]);  // "Fc" is neither fc nor FC
}

}  // namespace
}  // namespace tarvelin

namespace tarvelin {
namespace {

class RecordingAlerts : public AlertService {
 public:
  void Information(const std::u16string& text) override { texts.push_back(text); }
  AlertAnswer ThreeButtons(const std::u16string&, const std::u16string&) override {
    return AlertAnswer::kContinue;
  }
  std::vector<std::u16string> texts;
};

void* FailingAllocate(size_t) {
  return nullptr;
}

TEST(BoxDefinitionTest, ParserOutOfMemoryAlertsAndInvalidates) {
  std::u16string text = u"<boxtext";
  for (int i = 0; i < 200; ++i) text += u" a" + Widen(std::to_string(i)) + u"=\"1\"";
  text += u"/>";
  RecordingAlerts alerts;
  InstallAlertService(&alerts);
  auto allocate = pugi::get_memory_allocation_function();
  auto deallocate = pugi::get_memory_deallocation_function();
  pugi::set_memory_management_functions(FailingAllocate, deallocate);
  BoxDefinition d = Parse(text);
  pugi::set_memory_management_functions(allocate, deallocate);
  InstallAlertService(nullptr);
  EXPECT_FALSE(d.valid);
  EXPECT_EQ(alerts.texts, std::vector<std::u16string>{u"domServices error"});
  EXPECT_TRUE(Parse(text).valid);
}

}  // namespace
}  // namespace tarvelin
