#include "tagged/lookups.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "core/diagnostics.h"
#include "core/import_log.h"
#include "workspace_fixture.h"

namespace tarvelin {
namespace {

using testing_support::Workspace;

TEST(LookupsTest, FindStyleGivesTheRootForTheEmptyNameAndStatusWithoutTable) {
  Workspace w;
  TextLookups lookups(w.db, w.ws, w.fonts);
  for (StyleKind kind : {StyleKind::kParagraph, StyleKind::kCharacter}) {
    StyleLookup root = lookups.FindStyle(kind, u"");
    EXPECT_EQ(root.status, 0);
    EXPECT_EQ(root.uid, StyleTableOf(w.db, w.ws, kind)->RootStyle());
    EXPECT_EQ(lookups.FindStyle(kind, u"Body").uid, kInvalidUID);
    EXPECT_EQ(lookups.CreateStyle(kind, u"Body", {}, root.uid), kSuccess);
    EXPECT_NE(lookups.FindStyle(kind, u"Body").uid, kInvalidUID);
    EXPECT_EQ(lookups.CreateStyle(kind, u"Body", {}, root.uid), kAlreadyExists);
    EXPECT_EQ(lookups.FindStyle(kind, u"body").uid, kInvalidUID);  // exact names
  }
  TextWorkspace none = w.ws;
  none.paragraphStyles = kInvalidUID;
  TextLookups without(w.db, none, w.fonts);
  EXPECT_EQ(without.FindStyle(StyleKind::kParagraph, u"").status, 1);
  EXPECT_EQ(without.FindStyle(StyleKind::kCharacter, u"").status, 0);
}

TEST(LookupsTest, TaggedTextColoursByLetterAreProcessSwatchesFoundAgainByValue) {
  Workspace w;
  TextLookups lookups(w.db, w.ws, w.fonts);
  struct Case {
    const char16_t* name;
    std::string swatch;
  };
  const Case cases[] = {
      {u"C", "\"\"(6,1.00,0.00,0.00,0.00,p)"},
      {u"M", "\"\"(6,0.00,1.00,0.00,0.00,p)"},
      {u"Y", "\"\"(6,0.00,0.00,1.00,0.00,p)"},
      // White and black exist in every workspace as "Paper" and "Black".
      {u"W", "\"Paper\"(6,0.00,0.00,0.00,0.00,p)"},
      {u"Q", "\"Black\"(6,0.00,0.00,0.00,1.00,p)"},
      {u"Unknown", "\"Black\"(6,0.00,0.00,0.00,1.00,p)"},
      {u"Black", "\"Black\"(6,0.00,0.00,0.00,1.00,p)"},
  };
  for (const Case& c : cases) {
    UID first = lookups.FindTaggedTextSwatch(c.name);
    SCOPED_TRACE(ToUtf8(c.name));
    EXPECT_EQ(w.SwatchText(first), c.swatch);
    EXPECT_EQ(lookups.FindTaggedTextSwatch(c.name), first);
  }
  // C, M and Y made one unnamed swatch each, and no more on the second round.
  EXPECT_EQ(w.db.Query<ISwatchList>(w.ws.swatches)->Swatches().size(), 5u);

  // A swatch named "C" wins over the colour by letter.
  const float red[] = {0, 1, 1, 0};
  UID named = kInvalidUID;
  CreateSwatch(w.db, w.ws, u"C", Colour::Make(ColourSpace::kCmyk, red), &named);
  EXPECT_EQ(lookups.FindTaggedTextSwatch(u"C"), named);
}

TEST(LookupsTest, CreateSwatchUsesAnExistingNameAndSaysSoInTheLog) {
  Workspace w;
  TextLookups lookups(w.db, w.ws, w.fonts);
  auto log = std::filesystem::temp_directory_path() /
             ("tarvelin_lookups_test_" + std::to_string(::getpid()) + ".log");
  ASSERT_TRUE(KInDesignCommon::OpenLog(log));
  UID red = lookups.CreateSwatch(u"Czerwony", {0, 1, 1, 0}, ColourSpace::kCmyk, true);
  UID again = lookups.CreateSwatch(u"Czerwony", {1, 1, 1, 1}, ColourSpace::kRgb, false);
  UID spot = lookups.CreateSwatch(u"Zielony", {0.5f, 0.25f, 0.125f, 9}, ColourSpace::kRgb, false);
  UID lab = lookups.CreateSwatch(u"", {50, 10, -20, 9}, ColourSpace::kLab, true);
  UID other = lookups.CreateSwatch(u"", {60, 10, -20, 9}, ColourSpace::kLab, true);
  KInDesignCommon::CloseLog();
  std::u16string text = KInDesignCommon::ReadLogText(log);
  std::filesystem::remove(log);

  EXPECT_EQ(again, red);
  EXPECT_EQ(w.SwatchText(red), "\"Czerwony\"(6,0.00,1.00,1.00,0.00,p)");
  EXPECT_EQ(w.SwatchText(spot), "\"Zielony\"(5,0.50,0.25,0.12,0.00,s)");
  EXPECT_EQ(w.SwatchText(lab), "\"\"(7,50.0,10.0,-20.,0.00,p)");
  // Two unnamed colours are two swatches: the empty name never finds the first one.
  EXPECT_NE(other, lab);
  EXPECT_NE(text.find(u"Znaleziono swatch o nazwie \"Czerwony\" i zostanie on uzyty."),
            std::u16string::npos);
  EXPECT_EQ(text.find(u"Zielony"), std::u16string::npos);

  EXPECT_EQ(lookups.FindSwatchByColour(ColourSpace::kCmyk, {0, 1, 1, 0}), red);
  EXPECT_EQ(lookups.FindSwatchByColour(ColourSpace::kCmyk, {0, 1, 1, 0.5f}), kInvalidUID);
  // Three-component models ignore the fourth value.
  EXPECT_EQ(lookups.FindSwatchByColour(ColourSpace::kRgb, {0.5f, 0.25f, 0.125f, 3}), spot);
  EXPECT_EQ(lookups.FindSwatchByName(u"czerwony"), kInvalidUID);
}

TEST(LookupsTest, FontFamiliesAreRegisteredOnFirstUseAndAnswerFaces) {
  Workspace w;
  TextLookups lookups(w.db, w.ws, w.fonts);
  auto list = w.db.Query<IFontFamilyList>(w.ws.fontFamilies);
  const size_t before = list->Families().size();
  EXPECT_EQ(list->FindByName(u"Arial"), kInvalidUID);

  // Not listed yet, but installed: registered, then answered.
  EXPECT_EQ(lookups.GetFaceName(u"Arial", FaceKind::kBoldItalic), u"Bold Italic");
  UID arial = list->FindByName(u"Arial");
  EXPECT_NE(arial, kInvalidUID);
  EXPECT_EQ(lookups.FindFontFamily(u"Arial"), arial);
  EXPECT_EQ(list->Families().size(), before + 1);

  struct Case {
    const char16_t* family;
    FaceKind kind;
    const char16_t* face;
  };
  const Case cases[] = {
      {u"Arial", FaceKind::kRegular, u"Regular"},
      {u"Arial", FaceKind::kItalic, u"Italic"},
      {u"Arial", FaceKind::kBold, u"Bold"},
      {u"Narrow", FaceKind::kBold, u""},
      {u"Arial-BoldItalic", FaceKind::kBold, u"Bold"},  // found by its PostScript name
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lookups.GetFaceName(c.family, c.kind), c.face) << ToUtf8(c.family);
  }

  diag::Capture capture;
  EXPECT_EQ(lookups.FindFontFamily(u"Nofont"), kInvalidUID);
  EXPECT_EQ(lookups.GetFaceName(u"Nofont", FaceKind::kRegular), u"");
  EXPECT_NE(capture.Text().find("Could not get the UID of font \"Nofont\"."), std::string::npos);
}

}  // namespace
}  // namespace tarvelin
