// Document templates: the built-in one, the shipped copy of it, and bad input.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "host/application/host_registry.h"
#include "host/documents/object_style.h"
#include "host/documents/page_item.h"
#include "host/documents/spread.h"
#include "host/text/style_table.h"
#include "layout/document_template.h"

namespace tarvelin {
namespace {

constexpr double kMm = 72.0 / 25.4;

TEST(TemplateTest, TheShippedDefaultTemplateIsTheBuiltInOne) {
  std::ifstream in(std::string(TARVELIN_EXAMPLES) + "/default-template.json", std::ios::binary);
  ASSERT_TRUE(in);
  std::string shipped{std::istreambuf_iterator<char>(in), {}};
  auto a = ParseTemplate(shipped), b = ParseTemplate(DefaultTemplateJson());
  ASSERT_TRUE(a.spec) << a.error;
  ASSERT_TRUE(b.spec) << b.error;
  EXPECT_EQ(*a.spec, *b.spec);
  EXPECT_TRUE(b.warnings.empty());
}

TEST(TemplateTest, TheDefaultTemplateBuildsAnA4AdPage) {
  auto parsed = ParseTemplate(DefaultTemplateJson());
  ASSERT_TRUE(parsed.spec) << parsed.error;
  std::vector<std::string> warnings;
  std::string error;
  auto doc = BuildDocument(CreateHostRegistry(), *parsed.spec, warnings, error);
  ASSERT_TRUE(doc) << error;
  EXPECT_TRUE(warnings.empty()) << warnings.front();
  Database& db = doc->DataBase();
  const PageSetup& p = doc->Data()->GetPageSetup();
  EXPECT_NEAR(p.width, 210 * kMm, 1e-9);
  EXPECT_NEAR(p.height, 297 * kMm, 1e-9);
  EXPECT_NEAR(p.margins.left, 12 * kMm, 1e-9);
  EXPECT_EQ(p.columns, 4);
  EXPECT_NEAR(p.gutter, 4 * kMm, 1e-9);
  EXPECT_FALSE(db.Commands().CanUndo());

  auto items = db.Query<ISpreadLayer>(doc->DefaultSpreadLayer().GetUID())->Items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(KindOf(db, items[0]), FrameKind::kText);
  EXPECT_EQ(FrameColumns(db, items[0]).size(), 4u);
  EXPECT_NEAR(db.Query<IPageItem>(items[0])->Bounds().right, 198 * kMm, 1e-9);

  const TextWorkspace ws = doc->TextWorkspaceRefs();
  for (auto name : {u"Black", u"Paper", u"Registration"})
    EXPECT_NE(FindSwatchByName(db, ws, name), kInvalidUID);
  UID frame_style = FindObjectStyle(*doc, u"Ramka ogłoszenia");
  ASSERT_NE(frame_style, kInvalidUID);
  const auto& a = db.Query<IObjectStyle>(frame_style)->Attributes();
  EXPECT_EQ(a.stroke, FindSwatchByName(db, ws, u"Black"));
  EXPECT_EQ(a.strokeWeight, 0.5);
  EXPECT_EQ(a.insets, (Insets{2, 2, 2, 2}));
  EXPECT_FALSE(a.fill.has_value());
  auto highlight = db.Query<IObjectStyle>(FindObjectStyle(*doc, u"Wyróżnienie"))->Attributes();
  EXPECT_EQ(highlight.fill, FindSwatchByName(db, ws, u"Szary 10%"));
  EXPECT_EQ(highlight.stroke, kInvalidUID);  // "no stroke"
  UID heading = FindStyle(db, ws, StyleKind::kParagraph, u"Nagłówek ogłoszenia");
  ASSERT_NE(heading, kInvalidUID);
  EXPECT_EQ(db.Query<IStyle>(heading)->Parent(),
            FindStyle(db, ws, StyleKind::kParagraph, u"Tekst ogłoszenia"));
  EXPECT_EQ(db.Query<IStyle>(heading)->Attributes().Find(AttrKind::kPointSize)->AsDouble(), 14);
}

TEST(TemplateTest, BadTemplatesGiveAClearErrorNamingThePlace) {
  const struct {
    const char* json;
    const char* expect;
  } cases[] = {
      {"", "not valid JSON"},
      {"{\"columns\": 4,}", "not valid JSON"},
      {"[1, 2]", "must be a JSON object"},
      {"{\"page\": {\"width\": 0}}", "page: the page size must be positive"},
      {"{\"page\": {\"width\": \"-5mm\"}}", "page: the page size must be positive"},
      {"{\"page\": {\"width\": 1e9}}", "15552"},
      {"{\"page\": {\"width\": \"wide\"}}", "page.width: expected a length"},
      {"{\"page\": 5}", "page: expected"},
      {"{\"margins\": \"400mm\"}", "margins leave no room"},
      {"{\"margins\": [1, 2, 3]}", "margins: expected four lengths"},
      {"{\"columns\": 0}", "columns: expected a whole number from 1 to 64"},
      {"{\"columns\": 2.5}", "columns"},
      {"{\"columns\": 30, \"gutter\": \"30mm\"}", "gutters leave the columns no width"},
      {"{\"textFrame\": \"yes\"}", "textFrame"},
      {"{\"swatches\": {}}", "swatches: expected a list"},
      {"{\"swatches\": [{\"space\": \"CMYK\", \"components\": [0,0,0,1]}]}",
       "swatches[0]: a name is required"},
      {"{\"swatches\": [{\"name\": \"X\", \"space\": \"HSV\", \"components\": [0,0,0]}]}",
       "swatches[0].space"},
      {"{\"swatches\": [{\"name\": \"X\", \"components\": [0,0,2,0]}]}",
       "swatches[0].components[2]"},
      {"{\"swatches\": [{\"name\": \"X\", \"space\": \"RGB\", \"components\": [0,0,0,0]}]}",
       "expected 3 numbers"},
      {"{\"objectStyles\": [{\"name\": \"S\", \"strokeWeight\": -1}]}",
       "objectStyles[0].strokeWeight"},
      {"{\"objectStyles\": [{\"name\": \"S\", \"insets\": -2}]}", "insets may not be negative"},
      {"{\"objectStyles\": [{\"name\": \"S\", \"wrap\": {\"mode\": \"around\"}}]}",
       "unknown wrap mode"},
      {"{\"paragraphStyles\": [{\"name\": \"P\", \"attributes\": {\"pointSize\": \"big\"}}]}",
       "paragraphStyles[0].attributes.pointSize"},
      {"{\"paragraphStyles\": [{\"name\": \"\"}]}", "the name is empty"},
  };
  for (const auto& c : cases) {
    auto r = ParseTemplate(c.json);
    EXPECT_FALSE(r.spec) << c.json;
    EXPECT_NE(r.error.find(c.expect), std::string::npos) << c.json << " -> " << r.error;
  }
}

TEST(TemplateTest, UnknownNamesAreWarningsAndTheDocumentIsStillMade) {
  auto r = ParseTemplate(R"({
    "colour": "blue",
    "page": {"width": "100mm", "height": "100mm", "bleed": 3},
    "paragraphStyles": [{"name": "A", "parent": "Missing", "attributes": {"sparkle": 1, "leading": "auto"}},
                        {"name": "A"}],
    "objectStyles": [{"name": "S", "fill": "Nope", "stroke": "Black", "shadow": true}]
  })");
  ASSERT_TRUE(r.spec) << r.error;
  std::vector<std::string> w = r.warnings;
  std::string error;
  auto doc = BuildDocument(CreateHostRegistry(), *r.spec, w, error);
  ASSERT_TRUE(doc) << error;
  std::string all;
  for (const auto& s : w) all += s + "\n";
  for (const char* expect :
       {"template: unknown member \"colour\"", "page: unknown member \"bleed\"",
        "attributes.sparkle: unknown attribute", "no parent style \"Missing\"", "defined twice",
        "no swatch named \"Nope\"", "objectStyles[0]: unknown member \"shadow\""})
    EXPECT_NE(all.find(expect), std::string::npos) << expect << "\n" << all;
  UID s = FindObjectStyle(*doc, u"S");
  ASSERT_NE(s, kInvalidUID);
  EXPECT_FALSE(doc->DataBase().Query<IObjectStyle>(s)->Attributes().fill.has_value());
  EXPECT_TRUE(doc->DataBase().Query<IObjectStyle>(s)->Attributes().stroke.has_value());
}

}  // namespace
}  // namespace tarvelin

namespace tarvelin {
namespace {

// The default template with random bytes changed and cut (a fixed seed): every variant
// parses or is refused with a message, and one that parses builds or is refused.
TEST(TemplateTest, RandomlyDamagedTemplatesNeverCrash) {
  const std::string good(DefaultTemplateJson());
  std::mt19937 rng(7);
  auto registry = CreateHostRegistry();
  int built = 0, refused = 0;
  for (int round = 0; round < 300; ++round) {
    std::string t = good;
    if (round % 4 == 3) {
      t.resize(std::uniform_int_distribution<size_t>(0, t.size())(rng));
    } else {
      for (int i = 0; i <= round % 3; ++i) {
        size_t at = std::uniform_int_distribution<size_t>(0, t.size() - 1)(rng);
        const char pick[] = "0123456789-.e\"[]{}:, x";
        t[at] = pick[rng() % (sizeof pick - 1)];
      }
    }
    auto r = ParseTemplate(t);
    if (!r.spec) {
      EXPECT_FALSE(r.error.empty());
      ++refused;
      continue;
    }
    std::vector<std::string> warnings;
    std::string error;
    auto doc = BuildDocument(registry, *r.spec, warnings, error);
    EXPECT_TRUE(doc || !error.empty());
    ++built;
  }
  EXPECT_GT(built, 0);
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace tarvelin
