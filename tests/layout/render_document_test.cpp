// Rendering: a styled document with inline text and picture frames becomes PNG pages that show the
// composed text, the frames and the pictures where composition put them.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>

#include "compose_test_document.h"
#include "host/documents/spread.h"
#include "layout/layout_service_qt.h"
#include "layout/renderer.h"

namespace tarvelin {
namespace {

namespace fs = std::filesystem;
using testdoc::MakeDocument;
using testdoc::TestDocument;

// A page of classified ads: a heading, body text, an inline text box with a fill and a
// stroke, an inline picture, a rule below the heading.
struct Showcase {
  TestDocument t = MakeDocument(2);
  fs::path dir = testdoc::TempDir("showcase");
  UIDRef box, picture;

  Showcase() {
    using K = AttrKind;
    UID red = t.Swatch(u"Red", ColourSpace::kCmyk, {0, 1, 1, 0});
    UID blue = t.Swatch(u"Blue", ColourSpace::kRgb, {0.1f, 0.2f, 0.7f});
    UID sans = t.FontFamily(u"Liberation Sans");
    t.AppendStyled(u"Classified advertisements\r",
                   {Attribute::Double(K::kPointSize, 20), Attribute::Uid(K::kFontFamily, sans),
                    Attribute::Text(K::kFontStyle, u"Bold"), Attribute::Uid(K::kColour, red)});
    size_t heading_end = t.End() - 1;
    EXPECT_EQ(
        ApplyTextAttributes(
            t.story, 0, heading_end,
            {Attribute::Int(K::kRuleBelowOn, 1), Attribute::Double(K::kRuleBelowWidth, 1.5),
             Attribute::Double(K::kRuleBelowOffset, 4), Attribute::Uid(K::kRuleBelowColour, red)},
            TextLevel::kParagraph),
        kSuccess);
    for (int i = 0; i < 6; ++i) {
      t.AppendStyled(u"FOR SALE ", {Attribute::Text(K::kFontStyle, u"Bold")});
      t.Append(
          u"A well kept bicycle, three gears, new tyres and a basket. Call in the evening "
          u"or write to the box number of this paper. ");
      t.AppendStyled(u"Price on request.",
                     {Attribute::Uid(K::kColour, blue), Attribute::Text(K::kFontStyle, u"Italic")});
      t.Append(u"\r");
    }
    box = t.InlineText(t.story, 150, 60, u"Boxed advertisement: flat to let, two rooms, balcony.");
    EXPECT_EQ(SetFillSwatch(*t.doc, UIDList(box),
                            t.Swatch(u"Yellow", ColourSpace::kCmyk, {0, 0, 0.6f, 0})),
              kSuccess);
    EXPECT_EQ(SetStrokeSwatch(*t.doc, UIDList(box), red), kSuccess);
    EXPECT_EQ(SetStrokeWeight(*t.doc, UIDList(box), 1), kSuccess);
    EXPECT_EQ(SetTextInsets(*t.doc, UIDList(box), {4, 4, 4, 4}), kSuccess);
    t.Append(u" follows the box.\r");
    testdoc::WritePicture(dir / "photo.png", 300, 200, 144);
    picture = t.InlinePicture(t.story, 150, 100, dir / "photo.png");
    t.Append(
        u"\rThe last paragraph, justified: the quick brown fox jumps over the lazy dog "
        u"again and again until the line is full and the paragraph goes on.");
    EXPECT_EQ(ApplyTextAttributes(t.story, t.End() - 10, 1, {Attribute::Int(K::kAlignment, 4)},
                                  TextLevel::kParagraph),
              kSuccess);
  }
};

TEST(RenderTest, ShowcaseRendersToPng) {
  Showcase s;
  QtLayoutService service;
  ASSERT_EQ(service.Compose(*s.t.doc), kSuccess);
  const CompositionState* state = service.State(*s.t.doc);
  ASSERT_NE(state, nullptr);

  std::string error;
  RenderReport png_report;
  ASSERT_EQ(RenderPng(*s.t.doc, *state, s.dir, 100, png_report, &error), kSuccess) << error;
  ASSERT_EQ(png_report.files.size(), 1u);
  QImage page(QString::fromStdString(png_report.files[0].string()));
  ASSERT_FALSE(page.isNull());
  EXPECT_EQ(page.width(), static_cast<int>(std::ceil(595.2756 * 100 / 72)));

  // The inline picture is drawn where composition placed it: its centre shows the
  // gradient's middle colour, not paper.
  const PlacedInline* placed = state->InlinePlacement(s.picture.GetUID());
  ASSERT_NE(placed, nullptr);
  QColor centre = page.pixelColor(static_cast<int>((placed->rect.left + 75) * 100 / 72),
                                  static_cast<int>((placed->rect.top + 50) * 100 / 72));
  EXPECT_NEAR(centre.green(), 120, 12);
  EXPECT_GT(centre.red(), 100);
  // The box's fill is drawn at the box's place.
  const PlacedInline* box = state->InlinePlacement(s.box.GetUID());
  ASSERT_NE(box, nullptr);
  QColor fill = page.pixelColor(static_cast<int>((box->rect.right - 3) * 100 / 72),
                                static_cast<int>((box->rect.bottom - 3) * 100 / 72));
  EXPECT_GT(fill.red(), 200);
  EXPECT_GT(fill.green(), 200);
  EXPECT_LT(fill.blue(), 160);
}

TEST(RenderTest, ACompositionThatKeptNoLayoutsDrawsTheSamePage) {
  // The showcase, its text running on into a narrower frame below (so that a paragraph is
  // broken to two widths), one stretch in small capitals: drawn from the glyphs kept, every
  // pixel must be as drawn from the layouts composition kept.
  Showcase s;
  UIDRef below;
  ASSERT_EQ(
      CreateTextFrame(*s.t.doc, s.t.doc->DefaultSpreadLayer(), {36, 560, 400, 805}, 1, 0, &below),
      kSuccess);
  ASSERT_EQ(SetBounds(*s.t.doc, s.t.frame, {36, 36, 559.28, 540}), kSuccess);
  ASSERT_EQ(ThreadFrames(*s.t.doc, s.t.frame, below), kSuccess);
  for (int i = 0; i < 30; ++i)
    s.t.Append(
        u"\rMore text to fill the columns and run on into the frame below, with a few "
        u"long words: Konstantynopolitańczykowianeczka, and a stand-in: \uFFFC.");
  ASSERT_EQ(ApplyTextAttributes(s.t.story, 40, 60, {Attribute::Int(AttrKind::kCapitalisation, 1)},
                                TextLevel::kCharacter),
            kSuccess);
  auto draw = [&](bool keepLayouts) {
    QtLayoutService service;
    ComposeOptions options;
    options.keepLayouts = keepLayouts;
    EXPECT_EQ(service.Compose(*s.t.doc, options), kSuccess);
    const CompositionState& state = *service.State(*s.t.doc);
    const ComposedStory& main = *state.Story(s.t.story.GetUID());
    EXPECT_EQ(main.columns.size(), 3u);
    EXPECT_GT(main.columns.back().lineCount, 0) << "the text reaches the frame below";
    const auto layouts =
        std::count_if(main.paragraphs.begin(), main.paragraphs.end(),
                      [](const ComposedParagraph& p) { return p.layout != nullptr; });
    EXPECT_EQ(static_cast<size_t>(layouts), keepLayouts ? main.paragraphs.size() : 0u);
    QImage image(600, 850, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    RenderReport report;
    PaintPage(painter, *s.t.doc, state, DocumentPages(*s.t.doc).front(), report);
    painter.end();
    service.Release(*s.t.doc);
    return image;
  };
  QImage blank(600, 850, QImage::Format_ARGB32_Premultiplied);
  blank.fill(Qt::white);
  const QImage expected = draw(true);
  EXPECT_NE(expected, blank);
  EXPECT_TRUE(draw(false) == expected);
}

}  // namespace
}  // namespace tarvelin
