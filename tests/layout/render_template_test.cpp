// A page of ads made as the import makes one: the default template's document, its main
// story filled with styled ads, boxed ads and photos as inline frames fitted to the
// column, composed with pages added until the story fits, rendered to PDF and PNG.
#include <gtest/gtest.h>

#include <QImage>

#include "compose_test_document.h"
#include "host/documents/object_style.h"
#include "host/documents/spread.h"
#include "host/text/style_table.h"
#include "layout/document_template.h"
#include "layout/layout_service_qt.h"
#include "layout/renderer.h"

namespace tarvelin {
namespace {

namespace fs = std::filesystem;

struct AdPage {
  std::unique_ptr<Document> doc;
  UIDRef story;
  std::vector<UIDRef> boxes, photos;
  fs::path dir = testdoc::TempDir("template");

  Database& db() const { return doc->DataBase(); }
  size_t End() const { return db().Query<ITextModel>(story.GetUID())->EndPosition(); }
  UID Style(StyleKind kind, std::u16string_view name) const {
    UID uid = FindStyle(db(), doc->TextWorkspaceRefs(), kind, name);
    EXPECT_NE(uid, kInvalidUID) << "style missing";
    return uid;
  }
  void Paragraph(const UIDRef& into, std::u16string_view text, std::u16string_view style) const {
    auto model = db().Query<ITextModel>(into.GetUID());
    size_t at = model->EndPosition();
    ASSERT_EQ(InsertText(into, at, text), kSuccess);
    ASSERT_EQ(ClearTextOverrides(into, at, text.size(), AllAttrKinds(), TextLevel::kCharacter),
              kSuccess);
    ASSERT_EQ(ApplyTextStyle(into, at, text.size(), Style(StyleKind::kParagraph, style),
                             TextLevel::kParagraph),
              kSuccess);
  }
  void Bold(size_t from, size_t length) const {
    ASSERT_EQ(ApplyTextStyle(story, from, length, Style(StyleKind::kCharacter, u"Pogrubienie"),
                             TextLevel::kCharacter),
              kSuccess);
  }

  AdPage() { Build(); }

  void Build() {
    std::vector<std::string> warnings;
    std::string error;
    TemplateResult parsed = ParseTemplate(DefaultTemplateJson());
    EXPECT_TRUE(parsed.spec.has_value()) << parsed.error;
    if (!parsed.spec) return;
    doc = BuildDocument(testdoc::Registry(), *parsed.spec, warnings, error);
    EXPECT_NE(doc, nullptr) << error;
    if (!doc) return;
    story = {&db(), MainStory(*doc)};
    ASSERT_NE(story.GetUID(), kInvalidUID);
    UID main_frame = StoryThread(*doc, story.GetUID()).front();
    const double column = FrameColumns(db(), main_frame).front().bounds.Width();
    testdoc::WritePicture(dir / "photo.jpg", 480, 320, 150, "JPEG");

    const std::u16string towns[] = {u"Kraków", u"Gdańsk", u"Łódź", u"Poznań", u"Wrocław"};
    for (int ad = 0; ad < 60; ++ad) {
      const std::u16string& town = towns[ad % 5];
      Paragraph(story, u"Sprzedam mieszkanie " + town + u"\r", u"Nagłówek ogłoszenia");
      size_t body = End();
      Paragraph(story,
                u"Trzy pokoje, 62 m², balkon, piwnica, blisko szkoły i przystanku. Stan bardzo "
                u"dobry, do zamieszkania od zaraz. Cena do uzgodnienia. Tel. 600 100 " +
                    std::u16string(1, static_cast<char16_t>(u'0' + ad % 10)) + u"00.\r",
                u"Tekst ogłoszenia");
      Bold(body, 11);
      if (ad % 6 == 2) {
        // A boxed ad: an inline text frame of the column's width in the object style,
        // fitted to its text.
        UIDRef box;
        ASSERT_EQ(CreateTextFrame(*doc, doc->DefaultSpreadLayer(), {0, 0, column, 300}, 1, 0, &box),
                  kSuccess);
        ASSERT_EQ(ApplyObjectStyle(*doc, UIDList(box), FindObjectStyle(*doc, u"Ramka ogłoszenia")),
                  kSuccess);
        UIDRef inner{&db(), db().Query<ITextFrame>(box.GetUID())->Story()};
        Paragraph(inner, u"WYNAJMĘ\r", u"Nagłówek ogłoszenia");
        Paragraph(inner, u"Kawalerka w centrum, umeblowana, 1800 zł + media. Tylko długoterminowo.",
                  u"Tekst ogłoszenia");
        ASSERT_EQ(ChangeToInline(*doc, story, static_cast<int32_t>(End()), box), kSuccess);
        Paragraph(story, u"\r", u"Tekst ogłoszenia");
        boxes.push_back(box);
      }
      if (ad % 6 == 5) {
        UIDRef photo;
        ASSERT_EQ(CreateRectangleFrame(*doc, doc->DefaultSpreadLayer(), {0, 0, 50, 50}, &photo),
                  kSuccess);
        ImageInfo info = QtImageProbe().Probe(dir / "photo.jpg");
        ASSERT_TRUE(info.ok) << info.error;
        ASSERT_EQ(PlaceImage(*doc, photo, (dir / "photo.jpg").string(), info), kSuccess);
        ASSERT_EQ(ChangeToInline(*doc, story, static_cast<int32_t>(End()), photo), kSuccess);
        Paragraph(story, u"\r", u"Tekst ogłoszenia");
        photos.push_back(photo);
      }
    }
    Paragraph(story, u"Ogłoszenia przyjmujemy codziennie do godziny 15.", u"Podpis");
  }
};

TEST(RenderTemplateTest, AdPagesFromTheDefaultTemplate) {
  AdPage page;
  ASSERT_NE(page.doc, nullptr);
  QtLayoutService service;
  // Inline frames are fitted as the import fits them: text frames to their text, photos
  // to the column's width.
  const double column = FrameColumns(page.db(), StoryThread(*page.doc, page.story.GetUID()).front())
                            .front()
                            .bounds.Width();
  for (const UIDRef& box : page.boxes)
    ASSERT_EQ(service.Fit(*page.doc, box, FitType::kFrameToContent), kSuccess);
  for (const UIDRef& photo : page.photos)
    ASSERT_EQ(service.Fit(*page.doc, photo, FitType::kPictureToWidth, column), kSuccess);

  ComposeOptions options;
  options.growStory = page.story.GetUID();
  ASSERT_EQ(service.Compose(*page.doc, options), kSuccess);
  const CompositionState* state = service.State(*page.doc);
  const ComposedStory* story = state->Story(page.story.GetUID());
  ASSERT_NE(story, nullptr);
  EXPECT_FALSE(story->overset);
  const size_t pages = DocumentPages(*page.doc).size();
  EXPECT_GE(pages, 2u);
  for (const UIDRef& box : page.boxes) {
    const ComposedStory* inner = state->StoryInFrame(box.GetUID(), nullptr);
    ASSERT_NE(inner, nullptr);
    EXPECT_FALSE(inner->overset) << "a fitted box holds its text";
    const PlacedInline* placed = state->InlinePlacement(box.GetUID());
    ASSERT_NE(placed, nullptr);
    const PMRect& col = story->columns[static_cast<size_t>(placed->column)].frame.bounds;
    EXPECT_NEAR(placed->rect.left, col.left, 0.01);
    EXPECT_NEAR(placed->rect.right, col.right, 0.01);
  }

  RenderReport report;
  std::string error;
  ASSERT_EQ(RenderPng(*page.doc, *state, page.dir, 110, report, &error), kSuccess) << error;
  EXPECT_TRUE(report.warnings.empty());
  EXPECT_EQ(static_cast<size_t>(report.pages), pages);
  EXPECT_TRUE(fs::exists(page.dir / "page-002.png"));
}

}  // namespace
}  // namespace tarvelin
