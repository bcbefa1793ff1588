// Composition: lines in columns, leading, alignment, inline frames in their lines, keep
// with next, overset, the column that holds an index, and pages added until a story fits.
#include <gtest/gtest.h>

#include <cmath>

#include "compose_test_document.h"
#include "host/documents/spread.h"
#include "layout/composer.h"
#include "layout/layout_service_qt.h"

namespace tarvelin {
namespace {

using K = AttrKind;
using testdoc::MakeDocument;
using testdoc::TestDocument;

const std::u16string kSentence =
    u"Composition breaks this sentence into lines that fill the column from edge to edge. ";

std::u16string Repeat(const std::u16string& s, int n) {
  std::u16string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

const ComposedStory& Compose(QtLayoutService& service, const TestDocument& t) {
  EXPECT_EQ(service.Compose(*t.doc), kSuccess);
  const ComposedStory* s = service.State(*t.doc)->Story(t.story.GetUID());
  EXPECT_NE(s, nullptr);
  return *s;
}

// Every line lies inside its column, lines follow each other without a gap or overlap in
// the text, and the columns' ranges cover the story.
void ExpectWellFormed(const ComposedStory& s) {
  int32_t next = 0;
  for (const ComposedLine& l : s.lines) {
    const PMRect& col = s.columns[static_cast<size_t>(l.column)].frame.bounds;
    EXPECT_GE(l.baseline - l.ascent, col.top - 0.01);
    EXPECT_LE(l.baseline + l.descent, col.bottom + 0.02);
    EXPECT_EQ(l.start, next);
    EXPECT_GT(l.end, l.start);
    next = l.end;
  }
  EXPECT_EQ(next, s.composedEnd);
  if (!s.overset) {
    EXPECT_EQ(s.composedEnd, s.totalLength);
  }
}

TEST(ComposeTest, TextFlowsThroughColumnsAndReportsTheColumnOfAnIndex) {
  TestDocument t = MakeDocument(2, {36, 36, 336, 236});
  t.Append(Repeat(kSentence, 5));
  QtLayoutService service;
  const ComposedStory& s = Compose(service, t);
  ExpectWellFormed(s);
  ASSERT_EQ(s.columns.size(), 2u);
  EXPECT_GT(s.columns[0].lineCount, 0);
  EXPECT_GT(s.columns[1].lineCount, 0);
  EXPECT_FALSE(s.overset);

  // The host's frame list answers from the composition.
  auto list = StoryFrameList(*t.doc, t.story.GetUID());
  ASSERT_EQ(list.size(), 2u);
  auto [start1, end1] = s.ColumnRange(1);
  EXPECT_EQ(list[1].start, start1);
  EXPECT_EQ(list[1].end, end1);
  EXPECT_EQ(ColumnHoldingIndex(list, 3), 0);
  EXPECT_EQ(ColumnHoldingIndex(list, start1 + 3), 1);
  EXPECT_EQ(ColumnHoldingIndex(list, s.totalLength - 1), 1);
}

TEST(ComposeTest, TextThatDoesNotFitIsOverset) {
  TestDocument t = MakeDocument(1, {36, 36, 236, 106});
  t.Append(Repeat(kSentence, 20));
  QtLayoutService service;
  const ComposedStory& s = Compose(service, t);
  ExpectWellFormed(s);
  EXPECT_TRUE(s.overset);
  EXPECT_LT(s.composedEnd, s.totalLength);
  EXPECT_TRUE(service.StoryState(*t.doc, t.story.GetUID()).overset);
  // 12 pt Liberation Serif: ascent 10.69, descent 2.59, automatic leading 14.4; the
  // fourth line ends at 10.69 + 3 * 14.4 + 2.59 = 56.5 pt, a fifth would at 70.9 > 70.
  EXPECT_EQ(s.lines.size(), 4u);
}

TEST(ComposeTest, LeadingSetsTheDistanceOfBaselines) {
  struct Case {
    double leading;  // < 0: automatic
    double size;
    double expected;
  };
  for (const Case c : {Case{-1, 12, 14.4}, Case{-1, 10, 12}, Case{18, 12, 18}, Case{9, 10, 9}}) {
    TestDocument t = MakeDocument(1, {36, 36, 236, 536});
    AttributeList para;
    if (c.leading >= 0) para.Set(Attribute::Double(K::kLeading, c.leading));
    t.AppendStyled(Repeat(kSentence, 3), {Attribute::Double(K::kPointSize, c.size)});
    if (!para.empty()) {
      ASSERT_EQ(ApplyTextAttributes(t.story, 0, 1, para, TextLevel::kParagraph), kSuccess);
    }
    QtLayoutService service;
    const ComposedStory& s = Compose(service, t);
    ASSERT_GE(s.lines.size(), 3u);
    for (size_t i = 1; i < s.lines.size(); ++i)
      EXPECT_NEAR(s.lines[i].baseline - s.lines[i - 1].baseline, c.expected, 1e-6)
          << "leading " << c.leading << " size " << c.size;
    // The first baseline lies one ascent below the column's top.
    EXPECT_NEAR(s.lines[0].baseline - s.lines[0].ascent, 36, 1e-6);
  }
}

TEST(ComposeTest, AlignmentAndIndentsPlaceTheLine) {
  struct Case {
    int32_t alignment;
    const char* name;
  };
  for (const Case c : {Case{0, "left"}, Case{1, "centre"}, Case{2, "right"}}) {
    TestDocument t = MakeDocument(1, {100, 100, 400, 300});
    t.Append(u"Short line");
    ASSERT_EQ(ApplyTextAttributes(
                  t.story, 0, 1,
                  {Attribute::Int(K::kAlignment, c.alignment),
                   Attribute::Double(K::kLeftIndent, 20), Attribute::Double(K::kRightIndent, 30)},
                  TextLevel::kParagraph),
              kSuccess);
    QtLayoutService service;
    const ComposedStory& s = Compose(service, t);
    ASSERT_EQ(s.lines.size(), 1u);
    QRectF text = s.paragraphs[0].layout->lineAt(0).naturalTextRect();
    switch (c.alignment) {
      case 0:
        EXPECT_NEAR(text.left(), 120, 0.01) << c.name;
        break;
      case 1:
        EXPECT_NEAR((text.left() + text.right()) / 2, (120 + 370) / 2.0, 0.01) << c.name;
        break;
      case 2:
        EXPECT_NEAR(text.right(), 370, 0.01) << c.name;
        break;
    }
  }
}

TEST(ComposeTest, InlineFrameStandsOnTheBaselineAndTakesItsWidth) {
  TestDocument t = MakeDocument(1, {36, 36, 336, 536});
  t.Append(u"Before ");
  UIDRef box = t.InlineText(t.story, 80, 50, u"inner text");
  t.Append(u"after the box, and more words to fill this line and the next one as well.");
  QtLayoutService service;
  const ComposedStory& s = Compose(service, t);
  ExpectWellFormed(s);
  ASSERT_EQ(s.inlines.size(), 1u);
  const PlacedInline& p = s.inlines[0];
  EXPECT_EQ(p.item, box.GetUID());
  EXPECT_EQ(p.index, 7);
  const ComposedLine& line = s.lines[0];
  EXPECT_NEAR(p.rect.bottom, line.baseline, 1e-9);
  EXPECT_NEAR(p.rect.Height(), 50, 1e-9);
  EXPECT_NEAR(p.rect.Width(), 80, 1e-9);
  EXPECT_GE(line.ascent, 50);
  EXPECT_NEAR(line.baseline, 36 + 50, 1e-6);  // the frame sets the first line's ascent
  // The next character starts where the frame ends.
  QTextLine ql = s.paragraphs[0].layout->lineAt(0);
  EXPECT_NEAR(ql.cursorToX(8), p.rect.right, 0.05);
  // The second line keeps ordinary spacing below the raised one.
  ASSERT_GE(s.lines.size(), 2u);
  EXPECT_NEAR(s.lines[1].baseline - line.baseline, 14.4, 1e-6);

  // The inline frame's own story is composed in the frame's own coordinates.
  const ComposedStory* inner = service.State(*t.doc)->StoryInFrame(box.GetUID(), nullptr);
  ASSERT_NE(inner, nullptr);
  EXPECT_FALSE(inner->overset);
  EXPECT_NEAR(inner->lines[0].x, 0, 1e-9);
}

TEST(ComposeTest, InlineFramesWrapLikeWords) {
  TestDocument t = MakeDocument(1, {36, 36, 236, 536});
  for (int i = 0; i < 5; ++i) {
    t.InlineText(t.story, 90, 20, u"x");
    t.Append(u" ");
  }
  QtLayoutService service;
  const ComposedStory& s = Compose(service, t);
  ExpectWellFormed(s);
  ASSERT_EQ(s.inlines.size(), 5u);
  // 200 pt of column hold two 90 pt frames and their spaces per line.
  EXPECT_EQ(s.lines.size(), 3u);
  for (const PlacedInline& p : s.inlines) {
    EXPECT_GE(p.rect.left, 36 - 1e-9);
    EXPECT_LE(p.rect.right, 236 + 1e-6);
  }
  EXPECT_EQ(s.inlines[2].column, 0);
  EXPECT_GT(s.inlines[2].rect.top, s.inlines[1].rect.bottom - 1e-9);
}

TEST(ComposeTest, KeepWithNextTakesTheHeadingToTheNextColumn) {
  for (bool keep : {false, true}) {
    TestDocument t = MakeDocument(2, {36, 36, 436, 111});
    // Five lines fill the first column (the fifth ends at 70.9 of 75 pt); the heading
    // takes its last line, the paragraph after it must go on in the next column.
    t.Append(u"one\rtwo\rthree\rfour\rHeading\r");
    t.Append(Repeat(kSentence, 2));
    if (keep) {
      ASSERT_EQ(ApplyTextAttributes(t.story, 20, 1, {Attribute::Int(K::kKeepWithNext, 1)},
                                    TextLevel::kParagraph),
                kSuccess);
    }
    QtLayoutService service;
    const ComposedStory& s = Compose(service, t);
    ExpectWellFormed(s);
    ASSERT_GE(s.lines.size(), 6u);
    EXPECT_EQ(s.lines[4].start, 19);  // "Heading"
    EXPECT_EQ(s.lines[4].column, keep ? 1 : 0) << "keep " << keep;
    EXPECT_EQ(s.lines[5].column, 1);
    if (keep) {
      EXPECT_LT(s.lines[4].baseline, s.lines[5].baseline);
    }
  }
}

TEST(ComposeTest, AThreadOfFramesOfDifferentWidthsBreaksLinesToEach) {
  TestDocument t = MakeDocument(1, {36, 36, 336, 100});
  UIDRef second;
  ASSERT_EQ(
      CreateTextFrame(*t.doc, t.doc->DefaultSpreadLayer(), {36, 200, 186, 700}, 1, 0, &second),
      kSuccess);
  ASSERT_EQ(ThreadFrames(*t.doc, t.frame, second), kSuccess);
  t.Append(Repeat(kSentence, 8));
  QtLayoutService service;
  const ComposedStory& s = Compose(service, t);
  ExpectWellFormed(s);
  EXPECT_FALSE(s.overset);
  ASSERT_EQ(s.columns.size(), 2u);
  for (const ComposedLine& l : s.lines) {
    QTextLine ql = s.paragraphs[static_cast<size_t>(l.paragraph)].layout->lineAt(l.layoutLine);
    EXPECT_NEAR(l.width, l.column == 0 ? 300 : 150, 1e-9);
    EXPECT_LE(ql.naturalTextWidth(), l.width + 0.01);
  }
}

TEST(ComposeTest, CharacterAttributesReachTheLayout) {
  TestDocument t = MakeDocument(1, {36, 36, 536, 536});
  t.AppendStyled(u"small ", {Attribute::Double(K::kPointSize, 8)});
  t.AppendStyled(u"LARGE", {Attribute::Double(K::kPointSize, 30)});
  QtLayoutService service;
  const ComposedStory& s = Compose(service, t);
  ASSERT_EQ(s.lines.size(), 1u);
  // Liberation Serif's ascent is 0.891 em: the largest size sets the line's.
  EXPECT_NEAR(s.lines[0].ascent, 30 * 0.891, 0.05);
  QTextLine ql = s.paragraphs[0].layout->lineAt(0);
  double small = ql.cursorToX(6) - ql.cursorToX(0);
  double large = ql.cursorToX(11) - ql.cursorToX(6);
  EXPECT_GT(large, 3 * small);
}

TEST(ComposeTest, PagesAreAddedUntilTheMainStoryFits) {
  // Composing the main story alone (a run that draws nothing) adds the same pages; the
  // inline frame's story is then left uncomposed.
  size_t pages_with_all = 0;
  for (bool only : {false, true}) {
    TestDocument t = MakeDocument(2);
    t.Append(Repeat(kSentence + u"\r", 150));
    const UIDRef box = t.InlineText(t.story, 120, 80, u"A box in the text.");
    t.Append(Repeat(kSentence + u"\r", 150));
    QtLayoutService service;
    ComposeOptions options;
    options.growStory = t.story.GetUID();
    options.growStoryOnly = only;
    ASSERT_EQ(service.Compose(*t.doc, options), kSuccess);
    const ComposedStory* s = service.State(*t.doc)->Story(t.story.GetUID());
    ASSERT_NE(s, nullptr);
    ExpectWellFormed(*s);
    EXPECT_FALSE(s->overset);
    const size_t pages = DocumentPages(*t.doc).size();
    EXPECT_GE(pages, 3u);
    EXPECT_EQ(StoryThread(*t.doc, t.story.GetUID()).size(), pages);
    EXPECT_EQ(s->columns.size(), 2 * pages);
    // The last page holds text; one page fewer would not have done.
    EXPECT_GT(s->columns[2 * pages - 2].lineCount, 0);
    const UID box_story = t.db().Query<ITextFrame>(box.GetUID())->Story();
    EXPECT_EQ(service.State(*t.doc)->Story(box_story) != nullptr, !only);
    if (only)
      EXPECT_EQ(pages, pages_with_all);
    else
      pages_with_all = pages;
    // One undo takes the added pages back.
    ASSERT_EQ(t.db().Commands().Undo(), kSuccess);
    EXPECT_EQ(DocumentPages(*t.doc).size(), 1u);
    service.Release(*t.doc);
  }
}

TEST(ComposeTest, AnItemTallerThanAnyColumnStopsAddingPages) {
  TestDocument t = MakeDocument(1);
  t.Append(u"Before the tall box.\r");
  t.InlineText(t.story, 100, 2000, u"too tall");
  QtLayoutService service;
  ComposeOptions options;
  options.growStory = t.story.GetUID();
  ASSERT_EQ(service.Compose(*t.doc, options), kSuccess);
  const ComposedStory* s = service.State(*t.doc)->Story(t.story.GetUID());
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->overset);
  EXPECT_EQ(s->composedEnd, 21);
  EXPECT_EQ(DocumentPages(*t.doc).size(), 2u);  // one page tried, none more
}

}  // namespace
}  // namespace tarvelin
