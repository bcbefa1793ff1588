// The workspace's styles, swatches and font families, and attribute resolution.
#include <cmath>

#include "core/diagnostics.h"
#include "core/utf16.h"
#include "host/text/font_families.h"
#include "host/text/style_table.h"
#include "host/text/swatch_list.h"
#include "host/text/text_commands.h"
#include "host/text/text_workspace.h"
#include "story_test_support.h"

namespace tarvelin::testing {
namespace {

StaticFontCatalogue Catalogue() {
  auto face = [](std::u16string style, std::u16string full, std::u16string ps) {
    return FontFace{style, full, ps, ClassifyFaceStyle(style)};
  };
  return StaticFontCatalogue({
      {u"DejaVu Sans",
       {face(u"Book", u"DejaVu Sans", u"DejaVuSans"),
        face(u"Bold", u"DejaVu Sans Bold", u"DejaVuSans-Bold")}},
      {u"Liberation Serif",
       {face(u"Regular", u"Liberation Serif", u"LiberationSerif"),
        face(u"Italic", u"Liberation Serif Italic", u"LiberationSerif-Italic"),
        face(u"Bold", u"Liberation Serif Bold", u"LiberationSerif-Bold"),
        face(u"Bold Italic", u"Liberation Serif Bold Italic", u"LiberationSerif-BoldItalic")}},
  });
}

class WorkspaceTest : public ::testing::Test {
 protected:
  WorkspaceTest() : db_(TextRegistry()), catalogue_(Catalogue()) {
    ws_ = CreateTextWorkspace(db_, &catalogue_);
  }
  Database db_;
  StaticFontCatalogue catalogue_;
  TextWorkspace ws_;
};

TEST_F(WorkspaceTest, RootStylesGiveACompleteDefault) {
  ASSERT_TRUE(ws_.IsValid());
  UID root = FindStyle(db_, ws_, StyleKind::kParagraph, u"");
  ASSERT_NE(kInvalidUID, root);
  EXPECT_NE(kInvalidUID, FindStyle(db_, ws_, StyleKind::kCharacter, u""));
  auto style = db_.Query<IStyle>(root);
  EXPECT_EQ(kAttrKindCount, style->Attributes().size());
  auto family = db_.Query<IFontFamily>(style->Attributes().Find(AttrKind::kFontFamily)->AsUID());
  ASSERT_TRUE(family);
  EXPECT_EQ(u"Liberation Serif", family->Name());
  EXPECT_EQ(u"Regular", style->Attributes().Find(AttrKind::kFontStyle)->AsText());
  EXPECT_EQ(FindSwatchByName(db_, ws_, u"Black"),
            style->Attributes().Find(AttrKind::kColour)->AsUID());
  EXPECT_EQ(12.0, style->Attributes().Find(AttrKind::kPointSize)->AsDouble());

  // Without a catalogue the family is listed all the same, as one the system lacks.
  Database bare(TextRegistry());
  TextWorkspace ws = CreateTextWorkspace(bare, nullptr);
  auto root2 = bare.Query<IStyle>(FindStyle(bare, ws, StyleKind::kParagraph, u""));
  auto lacking = bare.Query<IFontFamily>(root2->Attributes().Find(AttrKind::kFontFamily)->AsUID());
  ASSERT_TRUE(lacking);
  EXPECT_EQ(u"Liberation Serif", lacking->Name());
  EXPECT_TRUE(lacking->FamilyName().empty());
}

TEST_F(WorkspaceTest, CreateStyleChecksItsInputAndUndoes) {
  UID normal = kInvalidUID;
  ASSERT_EQ(kSuccess,
            CreateStyle(db_, ws_, StyleKind::kParagraph, u"Normal", {}, kInvalidUID, &normal));
  EXPECT_EQ(normal, FindStyle(db_, ws_, StyleKind::kParagraph, u"Normal"));
  EXPECT_EQ(kInvalidUID, FindStyle(db_, ws_, StyleKind::kCharacter, u"Normal"));
  EXPECT_EQ(kInvalidUID, FindStyle(db_, ws_, StyleKind::kParagraph, u"normal"));
  struct Case {
    const char* what;
    ErrorCode expected;
    ErrorCode got;
  } cases[] = {
      {"empty name", kInvalidArgument,
       CreateStyle(db_, ws_, StyleKind::kCharacter, u"", {}, kInvalidUID)},
      {"taken name", kAlreadyExists,
       CreateStyle(db_, ws_, StyleKind::kParagraph, u"Normal", {}, kInvalidUID)},
      {"parent that is not a style", kInvalidArgument,
       CreateStyle(db_, ws_, StyleKind::kCharacter, u"X", {}, ws_.swatches)},
      {"parent of the other kind", kSuccess,
       CreateStyle(db_, ws_, StyleKind::kCharacter, u"Emphasis", {}, normal)},
      {"no table", kNotFound,
       CreateStyle(db_, TextWorkspace{}, StyleKind::kCharacter, u"Y", {}, kInvalidUID)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, c.got) << c.what;
  ASSERT_EQ(kSuccess, db_.Commands().Undo());  // the character style "Emphasis"
  EXPECT_EQ(kInvalidUID, FindStyle(db_, ws_, StyleKind::kCharacter, u"Emphasis"));
  EXPECT_EQ(normal, FindStyle(db_, ws_, StyleKind::kParagraph, u"Normal"));
}

TEST_F(WorkspaceTest, ResolutionOrder) {
  using K = AttrKind;
  UID body = kInvalidUID;
  UID base = kInvalidUID;
  UID emphasis = kInvalidUID;
  ASSERT_EQ(kSuccess,
            CreateStyle(db_, ws_, StyleKind::kParagraph, u"Base",
                        {Attribute::Double(K::kPointSize, 9), Attribute::Double(K::kLeftIndent, 4)},
                        kInvalidUID, &base));
  ASSERT_EQ(kSuccess, CreateStyle(db_, ws_, StyleKind::kParagraph, u"Body",
                                  {Attribute::Double(K::kPointSize, 10)}, base, &body));
  ASSERT_EQ(kSuccess,
            CreateStyle(db_, ws_, StyleKind::kCharacter, u"Emphasis",
                        {Attribute::Text(K::kFontStyle, u"Italic")}, kInvalidUID, &emphasis));
  UIDRef story = CreateStory(db_);
  ASSERT_EQ(kSuccess, InsertText(story, 0, u"abcd"));
  ASSERT_EQ(kSuccess, ApplyTextStyle(story, 0, 0, body, TextLevel::kParagraph));
  ASSERT_EQ(kSuccess, ApplyTextStyle(story, 1, 2, emphasis, TextLevel::kCharacter));
  ASSERT_EQ(kSuccess, ApplyTextAttributes(story, 2, 1, {Attribute::Double(K::kPointSize, 30)},
                                          TextLevel::kCharacter));
  ASSERT_EQ(kSuccess, ApplyTextAttributes(story, 0, 0, {Attribute::Double(K::kLeftIndent, 6)},
                                          TextLevel::kParagraph));
  auto model = QueryInterface<ITextModel>(story);
  TextResolver resolve(db_, ws_);
  struct Case {
    size_t index;
    AttrKind kind;
    Attribute expected;
  } cases[] = {
      {0, K::kPointSize, Attribute::Double(K::kPointSize, 10)},        // paragraph style
      {2, K::kPointSize, Attribute::Double(K::kPointSize, 30)},        // local override
      {1, K::kFontStyle, Attribute::Text(K::kFontStyle, u"Italic")},   // character style
      {0, K::kFontStyle, Attribute::Text(K::kFontStyle, u"Regular")},  // root default
      {0, K::kLeftIndent, Attribute::Double(K::kLeftIndent, 6)},       // paragraph override
      {0, K::kLeading, Attribute::Double(K::kLeading, kAutoLeading)},
      {3, K::kRuleBelowMode, Attribute::Int(K::kRuleBelowMode, kRuleToText)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, resolve.Effective(*model, c.index, c.kind))
        << c.index << " " << AttrKindName(c.kind);
  EXPECT_EQ(Attribute::Double(K::kLeftIndent, 4), *resolve.FromStyle(body, K::kLeftIndent));
}

TEST_F(WorkspaceTest, SwatchesByNameAndByColour) {
  const float cyan[] = {1, 0, 0, 0};
  const float white[] = {0, 0, 0, 0};
  const float rgb[] = {0.5f, 0.25f, 1, 0.75f};
  UID paper = FindSwatchByName(db_, ws_, u"Paper");
  EXPECT_EQ(paper, FindSwatchByColour(db_, ws_, ColourSpace::kCmyk, white));
  EXPECT_EQ(kInvalidUID, FindSwatchByColour(db_, ws_, ColourSpace::kCmyk, cyan));

  UID c1 = kInvalidUID;
  UID c2 = kInvalidUID;
  ASSERT_EQ(kSuccess, CreateSwatch(db_, ws_, u"", Colour::Make(ColourSpace::kCmyk, cyan), &c1));
  ASSERT_EQ(kSuccess, CreateSwatch(db_, ws_, u"", Colour::Make(ColourSpace::kCmyk, cyan), &c2));
  EXPECT_NE(c1, c2);  // unnamed swatches may repeat; the first is found
  EXPECT_EQ(c1, FindSwatchByColour(db_, ws_, ColourSpace::kCmyk, cyan));
  EXPECT_EQ(kInvalidUID, FindSwatchByName(db_, ws_, u""));

  UID named = kInvalidUID;
  ASSERT_EQ(kSuccess,
            CreateSwatch(db_, ws_, u"Sky", Colour::Make(ColourSpace::kRgb, rgb, false), &named));
  EXPECT_EQ(named, FindSwatchByName(db_, ws_, u"Sky"));
  EXPECT_EQ(kInvalidUID, FindSwatchByName(db_, ws_, u"sky"));
  // RGB keeps three components; the fourth is not part of the colour.
  const float rgb_other_fourth[] = {0.5f, 0.25f, 1, 0};
  EXPECT_EQ(named, FindSwatchByColour(db_, ws_, ColourSpace::kRgb, rgb_other_fourth));
  EXPECT_EQ(kInvalidUID, FindSwatchByColour(db_, ws_, ColourSpace::kLab, rgb_other_fourth));
  EXPECT_FALSE(db_.Query<ISwatch>(named)->GetColour().process);
  EXPECT_EQ(kAlreadyExists, CreateSwatch(db_, ws_, u"Sky", Colour{}));
  EXPECT_EQ(ColourSpace::kLab, ColourSpaceOfModel(0));
  EXPECT_EQ(ColourSpace::kRgb, ColourSpaceOfModel(2));
  EXPECT_EQ(ColourSpace::kCmyk, ColourSpaceOfModel(9));
}

// The list's name and colour indexes follow undo, redo and a listed swatch's new colour.
TEST_F(WorkspaceTest, SwatchLookupsFollowUndoRedoAndRecolouring) {
  const float cyan[] = {1, 0, 0, 0};
  const float magenta[] = {0, 1, 0, 0};
  const float negative_zero_cyan[] = {1, -0.0f, 0, 0};
  auto list = db_.Query<ISwatchList>(ws_.swatches);
  const size_t listed = list->Swatches().size();
  UID made = kInvalidUID;
  ASSERT_EQ(kSuccess,
            CreateSwatch(db_, ws_, u"Cyjan", Colour::Make(ColourSpace::kCmyk, cyan), &made));
  EXPECT_EQ(made, FindSwatchByColour(db_, ws_, ColourSpace::kCmyk, negative_zero_cyan));

  ASSERT_EQ(kSuccess, db_.Commands().Undo());
  EXPECT_EQ(listed, list->Swatches().size());
  EXPECT_EQ(kInvalidUID, FindSwatchByName(db_, ws_, u"Cyjan"));
  EXPECT_EQ(kInvalidUID, FindSwatchByColour(db_, ws_, ColourSpace::kCmyk, cyan));
  ASSERT_EQ(kSuccess, db_.Commands().Redo());
  EXPECT_EQ(made, FindSwatchByName(db_, ws_, u"Cyjan"));
  EXPECT_EQ(made, FindSwatchByColour(db_, ws_, ColourSpace::kCmyk, cyan));

  // A swatch listed earlier that takes the colour is the one found from then on.
  const UID paper = FindSwatchByName(db_, ws_, u"Paper");
  ASSERT_EQ(kSuccess, ProcessFunction(db_, u"Recolour", [&] {
              db_.Query<ISwatch>(paper)->Set(u"Paper", Colour::Make(ColourSpace::kCmyk, cyan));
              return kSuccess;
            }));
  EXPECT_EQ(paper, FindSwatchByColour(db_, ws_, ColourSpace::kCmyk, cyan));
  ASSERT_EQ(kSuccess, db_.Commands().Undo());
  EXPECT_EQ(made, FindSwatchByColour(db_, ws_, ColourSpace::kCmyk, cyan));
  EXPECT_EQ(kInvalidUID, FindSwatchByColour(db_, ws_, ColourSpace::kCmyk, magenta));
  const float not_a_number[] = {std::nanf(""), 0, 0, 0};
  EXPECT_EQ(kInvalidUID, FindSwatchByColour(db_, ws_, ColourSpace::kCmyk, not_a_number));
}

TEST_F(WorkspaceTest, FontFamiliesRegisterUnderTheNameThatMatched) {
  auto list = db_.Query<IFontFamilyList>(ws_.fontFamilies);
  size_t listed = list->Families().size();
  UID by_ps = FindFontFamily(db_, ws_, u"DejaVuSans-Bold", &catalogue_);
  ASSERT_NE(kInvalidUID, by_ps);
  auto family = db_.Query<IFontFamily>(by_ps);
  EXPECT_EQ(u"DejaVuSans-Bold", family->Name());
  EXPECT_EQ(u"DejaVu Sans", family->FamilyName());
  EXPECT_EQ(listed + 1, list->Families().size());
  // Listed now: found without any catalogue.
  EXPECT_EQ(by_ps, FindFontFamily(db_, ws_, u"DejaVuSans-Bold", nullptr));
  EXPECT_EQ(kInvalidUID, FindFontFamily(db_, ws_, u"Arial", &catalogue_));
  EXPECT_EQ(listed + 1, list->Families().size());

  struct Case {
    const char16_t* family;
    FaceKind kind;
    std::u16string face;
  } cases[] = {
      {u"Liberation Serif", FaceKind::kBoldItalic, u"Bold Italic"},
      {u"Liberation Serif", FaceKind::kItalic, u"Italic"},
      {u"DejaVu Sans", FaceKind::kRegular, u"Book"},
      {u"DejaVu Sans", FaceKind::kItalic, u""},
      {u"Nofont", FaceKind::kRegular, u""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.face, GetFaceName(db_, ws_, c.family, c.kind, &catalogue_)) << ToUtf8(c.family);
  // Registering is a command: undo takes the family out of the list again.
  ASSERT_EQ(kSuccess, db_.Commands().Undo());
  EXPECT_EQ(kInvalidUID, list->FindByName(u"DejaVu Sans"));
}

}  // namespace
}  // namespace tarvelin::testing
