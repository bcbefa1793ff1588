#include "tagged/story_application.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>

#include "core/diagnostics.h"
#include "tagged/text_scanner.h"
#include "workspace_fixture.h"

namespace tarvelin {
namespace {

using testing_support::Workspace;

struct Imported {
  UID story = kInvalidUID;
  std::u16string text;  // without the end-of-story character
  std::string dump;
  std::vector<std::u16string> existingCharacter, existingParagraph, existingSwatches, missing;
};

Imported Scan(Workspace& w, std::u16string input, ApplyMode mode = ApplyMode::kBatched) {
  TextLookups lookups(w.db, w.ws, w.fonts);
  StoryApplication app(lookups, UIDRef::Null(), mode);
  TextScanner scanner(std::move(input), app, app);
  Imported out;
  EXPECT_EQ(scanner.Scan(), ScanResult::kImported);
  EXPECT_EQ(app.Finish(), kSuccess);
  out.story = app.Story().GetUID();
  auto model = w.db.Query<ITextModel>(out.story);
  out.text = model->Text(0, model->EndPosition());
  out.dump = w.Dump(out.story);
  out.existingCharacter = scanner.ExistingCharacterStyles();
  out.existingParagraph = scanner.ExistingParagraphStyles();
  out.existingSwatches = scanner.ExistingSwatches();
  out.missing = scanner.MissingFonts();
  return out;
}

// The sample files' text after their 12-unit header line.
std::u16string Sample(const std::string& name) {
  std::ifstream in(std::string(TARVELIN_TEST_DATA) + "/" + name + "_utf16.xtg", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::u16string text;
  for (size_t i = 24; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return text;
}

// Formatting of the unit at the first 'x' of the story.
struct At {
  std::string character;
  std::string paragraph;
};
At FormatAtX(Workspace& w, const Imported& imp) {
  auto m = w.db.Query<ITextModel>(imp.story);
  size_t x = imp.text.find(u'x');
  EXPECT_NE(x, std::u16string::npos);
  return {ToUtf8(w.StyleName(m->CharacterStyleAt(x))) + w.Render(m->CharacterOverridesAt(x)),
          ToUtf8(w.StyleName(m->ParagraphStyleAt(x))) + w.Render(m->ParagraphOverridesAt(x))};
}

TEST(StoryApplicationTest, TagsSetTheFormattingOfTheTextAfterThem) {
  struct Case {
    const char16_t* input;
    const char* character;  // style and overrides at the first 'x'
  };
  const Case cases[] = {
      {u"<z12.5>x", "{pointSize=12.5}"},
      {u"<z12,5>x", "{pointSize=12.5}"},
      {u"<h120>x", "{horizontalScale=1.2}"},
      {u"<y80>x", "{verticalScale=0.8}"},
      {u"<k10>x", "{kerning=0.05}"},
      {u"<t-10>x", "{tracking=-0.05}"},
      {u"<b3>x", "{baselineShift=3}"},
      {u"<+>x", "{position=1}"},
      {u"<->x", "{position=2}"},
      {u"<U>x", "{underline=1}"},
      {u"<U>a<U>x", "{underline=0}"},
      {u"</>x", "{strikethrough=1}"},
      {u"<K>x", "{capitalisation=2}"},
      {u"<K>a<K>x", "{capitalisation=0}"},
      {u"<H>x", "{capitalisation=1}"},
      {u"<*d(1,0)>x", "{capitalisation=3}"},
      {u"<*kn1>x", "{keepWithNext=1}"},
      {u"<*p(10,-5,10,14,0,6,g,\"0\")>x",
       "{leftIndent=10,firstLineIndent=-5,rightIndent=10,leading=14}"},
      {u"<*p(10,-5,10,0,0,6,g,\"0\")>x", "{leftIndent=10,firstLineIndent=-5,rightIndent=10}"},
      {u"<*p(0,0,0,0,0,0,g)>x", "{}"},
      {u"<f\"Arial\">x", "{fontFamily=Arial}"},
      {u"<f\"Arial\">a<f$>x", "{}"},
      {u"<f\"Nofont\">x", "{}"},
      {u"<B>x", "{fontStyle=Bold}"},
      {u"<B>a<B>x", "{fontStyle=Regular}"},
      {u"<I>x", "{fontStyle=Italic}"},
      {u"<B><I>x", "{fontStyle=Bold Italic}"},
      {u"<B><I>a<B>x", "{fontStyle=Bold}"},
      {u"<f\"Narrow\"><B>x", "{fontFamily=Narrow}"},  // no bold face: nothing changes
      {u"<c\"Black\">x", "{colour=\"Black\"(6,0.00,0.00,0.00,1.00,p)}"},
      {u"<cC>x", "{colour=\"\"(6,1.00,0.00,0.00,0.00,p)}"},
      {u"<cM>x", "{colour=\"\"(6,0.00,1.00,0.00,0.00,p)}"},
      {u"<c\"Nope\" z9>x", "{pointSize=9}"},
      {u"<z9 U>a<$>x", "{}"},
      {u"<z9 U>a<a$$>x", "{}"},
      {u"<z9 b2>a<z$>x", "{baselineShift=2}"},
      {u"<h80>a<h$>x", "{}"},
      {u"<h80><y120>a<y$>x", "{horizontalScale=0.8}"},
      {u"<h80><y120>a<h$>x", "{horizontalScale=0.8}"},  // h$ reverts the scale set last
      {u"<@Emphasis>x", "Emphasis{}"},
      {u"<@Emphasis><z9>a<@$p>x", "{pointSize=9}"},
      {u"<@$>x", "Normal{}"},
      {u"<@Emphasis>a<@>x", "{}"},
  };
  for (const Case& c : cases) {
    for (ApplyMode mode : {ApplyMode::kBatched, ApplyMode::kImmediate}) {
      Workspace w;
      Imported imp = Scan(w, c.input, mode);
      SCOPED_TRACE(ToUtf8(c.input) + (mode == ApplyMode::kBatched ? " batched" : " immediate"));
      EXPECT_EQ(FormatAtX(w, imp).character, c.character);
      EXPECT_EQ(imp.text.find(u'd'), std::u16string::npos) << "placeholder left in the story";
    }
  }
}

TEST(StoryApplicationTest, ParagraphItemsAndStylesActOnTheLastParagraph) {
  struct Case {
    const char16_t* input;
    const char* paragraph;  // of the paragraph holding the first 'x'
    const char* character;
  };
  const Case cases[] = {
      {u"<*C>x", "Normal{alignment=1}", "{}"},
      {u"a\r<*R>x", "Normal{alignment=2}", "{}"},
      {u"<*J>a\rx", "Normal{alignment=4}", "{}"},  // the new paragraph keeps the format
      {u"<*rb(1,0,\"Black\",100,T2,3,50%)>x",
       "Normal{ruleBelowOn=1,ruleBelowWidth=1,ruleBelowColour=\"Black\"(6,0.00,0.00,0.00,1.00,p),"
       "ruleBelowLeftIndent=2,ruleBelowRightIndent=3,ruleBelowOffset=50,ruleBelowMode=2}",
       "{}"},
      {u"<*ra(0.5,0,\"Nope\",100,0,0,0)>x", "Normal{ruleAboveOn=1,ruleAboveWidth=0.5}", "{}"},
      {u"@Body:x", "Body{}", "{}"},
      {u"@$:x", "Normal{}", "{}"},
      {u"a\r@Head:x", "Head{}", "{}"},
      {u"<f\"Arial\" z9>a\r@Body:x", "Body{}", "{pointSize=9}"},  // the font override goes
      {u"<f\"Arial\">a\r@Body:<f\"Arial\">x", "Body{}", "{fontFamily=Arial}"},
  };
  for (const Case& c : cases) {
    for (ApplyMode mode : {ApplyMode::kBatched, ApplyMode::kImmediate}) {
      Workspace w;
      Imported imp = Scan(w, c.input, mode);
      SCOPED_TRACE(ToUtf8(c.input) + (mode == ApplyMode::kBatched ? " batched" : " immediate"));
      At at = FormatAtX(w, imp);
      EXPECT_EQ(at.paragraph, c.paragraph);
      EXPECT_EQ(at.character, c.character);
    }
  }
}

TEST(StoryApplicationTest, FirstParagraphKeepsItsStyleWhenALaterOneChanges) {
  Workspace w;
  Imported imp = Scan(w, u"<*C>one\r@Head:<*R>two\r@Body:three");
  auto m = w.db.Query<ITextModel>(imp.story);
  EXPECT_EQ(imp.text, u"one\rtwo\rthree");
  EXPECT_EQ(w.StyleName(m->ParagraphStyleAt(0)), u"Normal");
  EXPECT_EQ(w.Render(m->ParagraphOverridesAt(0)), "{alignment=1}");
  EXPECT_EQ(w.StyleName(m->ParagraphStyleAt(4)), u"Head");
  EXPECT_EQ(w.Render(m->ParagraphOverridesAt(4)), "{alignment=2}");
  EXPECT_EQ(w.StyleName(m->ParagraphStyleAt(8)), u"Body");
  EXPECT_EQ(w.Render(m->ParagraphOverridesAt(8)), "{alignment=2}");
}

TEST(StoryApplicationTest, DefinitionsCreateStylesAndSwatches) {
  Workspace w;
  Imported imp = Scan(w, Sample("cennik"));
  std::string catalogue = w.Catalogue();
  EXPECT_NE(catalogue.find("C:Cena<>{fontStyle=Bold} "), std::string::npos) << catalogue;
  EXPECT_NE(catalogue.find("P:Pozycja<>{pointSize=10,alignment=0,leftIndent=0,firstLineIndent=0,"
                           "rightIndent=0,leading=12} "),
            std::string::npos)
      << catalogue;
  // Tytuł starts from the character style Cena of this import.
  EXPECT_NE(catalogue.find("P:Tytuł<>{fontStyle=Bold,pointSize=16,alignment=1,ruleBelowOn=1,"),
            std::string::npos)
      << catalogue;
  EXPECT_TRUE(imp.existingCharacter.empty());
  EXPECT_TRUE(imp.existingParagraph.empty());

  Workspace a;
  Scan(a, Sample("attributes"));
  Workspace s;
  Imported styles = Scan(s, Sample("styles"));
  catalogue = s.Catalogue();
  EXPECT_NE(catalogue.find("\"Czerwony\"(6,0.00,1.00,1.00,0.00,p)"), std::string::npos)
      << catalogue;
  EXPECT_NE(catalogue.find("\"Niebieski\"(5,0.10,0.30,0.90,0.00,p)"), std::string::npos)
      << catalogue;
  EXPECT_NE(catalogue.find("C:Wyróżnienie<>{fontStyle=Bold,pointSize=11,colour=\"Czerwony\""),
            std::string::npos)
      << catalogue;
  EXPECT_NE(catalogue.find("P:Tekst<>{fontFamily=Arial,pointSize=9,alignment=4,leftIndent=0,"
                           "firstLineIndent=8,rightIndent=0,leading=11}"),
            std::string::npos)
      << catalogue;
  // Applied where the text says so: "250 000 zł" carries Cena.
  auto m = s.db.Query<ITextModel>(styles.story);
  size_t price = styles.text.find(u"250 000");
  ASSERT_NE(price, std::u16string::npos);
  EXPECT_EQ(s.StyleName(m->CharacterStyleAt(price)), u"Cena");
  EXPECT_EQ(s.StyleName(m->ParagraphStyleAt(price)), u"Tekst");
}

TEST(StoryApplicationTest, ExistingStylesAndSwatchesAreUsedUnchangedAndReported) {
  Workspace w;
  CreateStyle(w.db, w.ws, StyleKind::kParagraph, u"Tekst",
              {Attribute::Double(AttrKind::kPointSize, 30)}, kInvalidUID);
  CreateStyle(w.db, w.ws, StyleKind::kCharacter, u"Cena", {Attribute::Int(AttrKind::kUnderline, 1)},
              kInvalidUID);
  const float green[] = {1, 0, 1, 0};
  CreateSwatch(w.db, w.ws, u"Czerwony", Colour::Make(ColourSpace::kCmyk, green));
  std::string before = w.Catalogue();

  Imported imp = Scan(w, Sample("styles"));
  std::string after = w.Catalogue();
  EXPECT_NE(after.find("P:Tekst<>{pointSize=30} "), std::string::npos) << after;
  EXPECT_NE(after.find("C:Cena<>{underline=1} "), std::string::npos) << after;
  EXPECT_NE(after.find("\"Czerwony\"(6,1.00,0.00,1.00,0.00,p)"), std::string::npos) << after;
  EXPECT_EQ(imp.existingCharacter, std::vector<std::u16string>{u"Cena"});
  EXPECT_EQ(imp.existingParagraph, std::vector<std::u16string>{u"Tekst"});
  EXPECT_EQ(imp.existingSwatches, std::vector<std::u16string>{u"Czerwony"});

  // A second import of the same file changes nothing and reports every definition.
  before = w.Catalogue();
  Imported again = Scan(w, Sample("styles"));
  EXPECT_EQ(w.Catalogue(), before);
  EXPECT_EQ(again.existingCharacter, (std::vector<std::u16string>{u"Wyróżnienie", u"Cena"}));
  EXPECT_EQ(again.existingParagraph, (std::vector<std::u16string>{u"Tekst", u"Nagłówek"}));
  EXPECT_EQ(again.existingSwatches, (std::vector<std::u16string>{u"Czerwony", u"Niebieski"}));
}

TEST(StoryApplicationTest, StyleThatCannotBeCreatedLeavesTheAtSignAndNoStyle) {
  Workspace w;
  // A file with paragraph definitions gets no default "Normal"; without "Normal" or
  // "_Normal" an unknown paragraph style has no parent and is not made.
  Imported imp = Scan(w, u"@Def=[S\"\",\"Def\"]<*L>\r@Unknown:x");
  EXPECT_EQ(imp.text, u"@x");
  EXPECT_EQ(FindStyle(w.db, w.ws, StyleKind::kParagraph, u"Unknown"), kInvalidUID);

  CreateStyle(w.db, w.ws, StyleKind::kParagraph, u"_Normal", {}, kInvalidUID);
  imp = Scan(w, u"@Def=[S\"\",\"Def\"]<*L>\r@Unknown:x");
  EXPECT_EQ(imp.text, u"x");
  UID unknown = FindStyle(w.db, w.ws, StyleKind::kParagraph, u"Unknown");
  ASSERT_NE(unknown, kInvalidUID);
  EXPECT_EQ(w.StyleName(w.db.Query<IStyle>(unknown)->Parent()), u"_Normal");
}

TEST(StoryApplicationTest, ValuesThatAreNotNumbersAreLeftOutAndDoNotBlockLaterTags) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (ApplyMode mode : {ApplyMode::kBatched, ApplyMode::kImmediate}) {
    Workspace w;
    diag::Capture capture;
    TextLookups lookups(w.db, w.ws, w.fonts);
    StoryApplication app(lookups, UIDRef::Null(), mode);
    ASSERT_TRUE(app.OpenStory(0));
    app.InsertText(u"a");
    const TaggedAttribute bad[] = {{TaggedAttrKind::kPointSize, inf}};
    EXPECT_TRUE(app.ApplyPending(bad, TaggedLevel::kCharacter));
    app.InsertText(u"b");
    const TaggedAttribute mixed[] = {{TaggedAttrKind::kPointSize, 7.0},
                                     {TaggedAttrKind::kKerning, nan}};
    EXPECT_TRUE(app.ApplyPending(mixed, TaggedLevel::kCharacter));
    app.InsertText(u"x");
    TaggedRule rule;
    rule.width = inf;
    const TaggedAttribute rules[] = {{TaggedAttrKind::kRuleBelow, rule}};
    EXPECT_TRUE(app.ApplyPending(rules, TaggedLevel::kParagraph));
    ASSERT_EQ(app.Finish(), kSuccess);

    auto m = w.db.Query<ITextModel>(app.Story().GetUID());
    EXPECT_EQ(m->Text(0, m->TotalLength()), u"abx\r");
    EXPECT_EQ(w.Render(m->CharacterOverridesAt(1)), "{}");
    EXPECT_EQ(w.Render(m->CharacterOverridesAt(2)), "{pointSize=7}");
    EXPECT_EQ(w.Render(m->ParagraphOverridesAt(0)), "{}");
    EXPECT_NE(capture.Text().find("the pointSize value is not a number"), std::string::npos);
    EXPECT_NE(capture.Text().find("the kerning value is not a number"), std::string::npos);
  }
}

// Runs the same input through both modes and compares everything they leave behind.
void ExpectModesAgree(const std::u16string& input) {
  Workspace batched;
  Workspace immediate;
  Imported b = Scan(batched, input, ApplyMode::kBatched);
  Imported i = Scan(immediate, input, ApplyMode::kImmediate);
  EXPECT_EQ(b.dump, i.dump);
  EXPECT_EQ(batched.Catalogue(), immediate.Catalogue());
  EXPECT_EQ(b.existingCharacter, i.existingCharacter);
}

TEST(StoryApplicationTest, BatchedApplicationGivesTheSameStoryAsOneCommandPerOperation) {
  for (const char* sample : {"attributes", "cennik", "specials", "styles"}) {
    SCOPED_TRACE(sample);
    ExpectModesAgree(Sample(sample));
  }
  // Random tag soup: every kind of item, styles, reverts and paragraph ends.
  const std::u16string pieces[] = {
      u"ab",
      u"x y ",
      u"\r",
      u"\r\n",
      u"<B>",
      u"<I>",
      u"<U>",
      u"<K>",
      u"<H>",
      u"<z9>",
      u"<z14.5>",
      u"<z$>",
      u"<h80>",
      u"<y120>",
      u"<h$>",
      u"<k10>",
      u"<k$>",
      u"<t-5>",
      u"<b2>",
      u"<$>",
      u"<a$$>",
      u"<+>",
      u"<->",
      u"<cC>",
      u"<c\"Black\">",
      u"<c$>",
      u"<f\"Arial\">",
      u"<f$>",
      u"<*C>",
      u"<*R>",
      u"<*rb(1,0,\"Black\",0,T1,2,5%)>",
      u"<*ra0>",
      u"@Body:",
      u"@Head:",
      u"@$:",
      u"<@Em>",
      u"<@$p>",
      u"<@$>",
      u"<*p(1,2,3,4,5,6,7,8)>",
      u"<\\t>",
      u"<\\n>",
      u"@Ch=<z8 U>\r",
      u"<*kn1>",
      u"<*d0>",
      u"<f\"Nofont\">",
      u"</>",
  };
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
  for (int round = 0; round < 40; ++round) {
    std::u16string input;
    for (int k = 0; k < 60; ++k) input += pieces[pick(rng)];
    SCOPED_TRACE(ToUtf8(input));
    ExpectModesAgree(input);
  }
}

TEST(StoryApplicationTest, BadInputKeepsItsTextAndStaysLinear) {
  struct Case {
    std::u16string input;
    std::u16string text;
  };
  std::u16string long_body(1 << 20, u'q');
  std::u16string defs;
  for (int i = 0; i < 100000; ++i) defs += u"@S=<z12>\r";
  const Case cases[] = {
      {u"ab<z12 cd", u"ab<z12 cd"},
      {u"ab<f\"Arial>cd", u"abcd"},
      {u"<c\"Black>x", u"x"},
      {u"<" + long_body + u">x", u"x"},
      {u"<v1.70><e1><q&%#><ZZ9>x", u"x"},
      {defs + u"x", u"x"},
      {u"text @Name", u"text @Name"},
      {u"text @Name=", u"text @Name="},
      {u"text @Name=[S\"a\"", u"text @Name=[S\"a\""},
      {u"text @Name=<z12", u"text @Name=<z12"},
      {u"@Col=[C]<\"CMYK\",0,0,0", u"@Col=[C]<\"CMYK\",0,0,0"},
      {u"a\\b<\\", u"a\\b<\\"},
  };
  for (const Case& c : cases) {
    Workspace w;
    auto start = std::chrono::steady_clock::now();
    Imported imp = Scan(w, c.input);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    SCOPED_TRACE(ToUtf8(c.input.substr(0, 40)));
    EXPECT_EQ(imp.text, c.text);
    EXPECT_LT(seconds, 20.0);
  }
  Workspace w;
  Imported imp = Scan(w, defs + u"x");
  EXPECT_EQ(imp.existingCharacter.size(), 99999u);
}

}  // namespace
}  // namespace tarvelin
