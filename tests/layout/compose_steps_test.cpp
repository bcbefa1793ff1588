// Composition in steps (what the studio draws first, the rest later) must end exactly where
// composing the whole document at once ends, and a page composed first must already show
// its final lines.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "compose_test_document.h"
#include "host/documents/spread.h"
#include "host/objects/command_processor.h"
#include "host/objects/function_command.h"
#include "host/text/style_table.h"
#include "layout/composer.h"
#include "layout/composition_job.h"
#include "layout/layout_service_qt.h"
#include "layout/line_break_pool.h"

namespace tarvelin {
namespace {

using K = AttrKind;

// Everything a story's composition decides, as text, so that two compositions compare in
// one assertion and a difference shows where it lies.
std::string Describe(const ComposedStory& s, size_t fromColumn = 0,
                     size_t toColumn = static_cast<size_t>(-1)) {
  std::ostringstream out;
  out << "overset " << s.overset << " end " << s.composedEnd << "\n";
  for (size_t c = fromColumn; c < s.columns.size() && c <= toColumn; ++c) {
    const ComposedColumn& col = s.columns[c];
    out << "column " << c << " lines " << col.firstLine << "+" << col.lineCount << "\n";
    for (int32_t li = col.firstLine; li < col.firstLine + col.lineCount; ++li) {
      const ComposedLine& l = s.lines[static_cast<size_t>(li)];
      out << "  " << l.start << "-" << l.end << " x " << l.x << " base " << l.baseline << " w "
          << l.width << "\n";
    }
  }
  for (const PlacedInline& p : s.inlines)
    if (size_t(p.column) >= fromColumn && size_t(p.column) <= toColumn)
      out << "inline " << p.item << " at " << p.index << " " << p.rect.left << "," << p.rect.top
          << "\n";
  for (const RuleStroke& r : s.rules)
    if (size_t(r.column) >= fromColumn && size_t(r.column) <= toColumn)
      out << "rule " << r.column << " " << r.x1 << "-" << r.x2 << " y " << r.y << "\n";
  return out.str();
}

TEST(ComposeStepsTest, StepsEndWhereComposingAtOnceEnds) {
  testdoc::TestDocument t = testdoc::MakeDocument(2);
  // Headings kept with their text, ruled paragraphs and inline frames with text of their
  // own, over several pages.
  for (int i = 0; i < 120; ++i) {
    const size_t heading = t.End();
    t.Append(u"Heading " + std::u16string(1, char16_t(u'A' + i % 26)) + u"\r");
    ASSERT_EQ(ApplyTextAttributes(t.story, heading, 1, {Attribute::Int(K::kKeepWithNext, 1)},
                                  TextLevel::kParagraph),
              kSuccess);
    const size_t body = t.End();
    t.Append(u"An ad with a box ");
    t.InlineText(t.story, 60 + i % 5 * 20, 20 + i % 7 * 9, u"inner text of the box");
    t.Append(u" and words after it, enough of them to break into a few lines.\r");
    if (i % 3 == 0) {
      ASSERT_EQ(ApplyTextAttributes(t.story, body, 1, {Attribute::Int(K::kRuleAboveOn, 1)},
                                    TextLevel::kParagraph),
                kSuccess);
    }
  }
  QtLayoutService whole;
  ComposeOptions grow;
  grow.growStory = t.story.GetUID();
  ASSERT_EQ(whole.Compose(*t.doc, grow), kSuccess);  // adds the pages the story needs
  const std::vector<PageRef> pages = DocumentPages(*t.doc);
  ASSERT_GE(pages.size(), 4u);
  ASSERT_EQ(whole.Compose(*t.doc), kSuccess);
  const CompositionState& expected = *whole.State(*t.doc);
  const ComposedStory& main = *expected.Story(t.story.GetUID());
  ASSERT_FALSE(main.overset);

  const size_t third = 2;  // a page in the middle first, as when a document opens there
  QtLayoutService steps;
  steps.StartComposing(*t.doc);
  steps.ComposePage(*t.doc, pages[third]);
  ASSERT_TRUE(steps.Composing(*t.doc));
  {
    // The page's two columns are final, and so are the inline frames they hold.
    const CompositionState& partial = *steps.State(*t.doc);
    const ComposedStory* s = partial.Story(t.story.GetUID());
    ASSERT_NE(s, nullptr);
    EXPECT_LT(s->lines.size(), main.lines.size());
    const std::string page = Describe(*s, 2 * third, 2 * third + 1);
    EXPECT_EQ(page.substr(page.find('\n')),
              Describe(main, 2 * third, 2 * third + 1).substr(page.find('\n')));
    int inner = 0;
    for (const PlacedInline& p : main.inlines) {
      if (size_t(p.column) / 2 != third) continue;
      const ComposedStory* got = partial.StoryInFrame(p.item, nullptr);
      ASSERT_NE(got, nullptr) << "inline " << p.item;
      EXPECT_EQ(Describe(*got), Describe(*expected.StoryInFrame(p.item, nullptr)));
      ++inner;
    }
    EXPECT_GT(inner, 0);
  }
  int slices = 0;
  while (!steps.ComposeMore(*t.doc, std::chrono::milliseconds(0))) ++slices;
  EXPECT_GT(slices, 3);
  EXPECT_FALSE(steps.Composing(*t.doc));
  const CompositionState& done = *steps.State(*t.doc);
  EXPECT_EQ(Describe(*done.Story(t.story.GetUID())), Describe(main));
  for (const PlacedInline& p : main.inlines) {
    const ComposedStory* got = done.StoryInFrame(p.item, nullptr);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(Describe(*got), Describe(*expected.StoryInFrame(p.item, nullptr)));
    const PlacedInline* placed = done.InlinePlacement(p.item);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->index, p.index);
  }
}

// The glyphs a composition kept for drawing, line by line, their fonts by name and size.
std::string DescribeGlyphs(const ComposedStory& s) {
  std::ostringstream o;
  for (const GlyphSpan& g : s.spans) {
    const QRawFont& f = s.fonts[static_cast<size_t>(g.font)];
    o << g.line << ' ' << g.paint << ' ' << f.familyName().toStdString() << ' '
      << f.styleName().toStdString() << ' ' << f.pixelSize() << ' ' << g.ascent << ' ' << g.drop
      << ' ' << int{g.decorations} << " x " << g.x << ':';
    for (uint32_t i = g.first; i < g.first + g.count; ++i)
      o << ' ' << s.glyphIds[i] << '@' << s.glyphX[i];
    o << '\n';
  }
  for (const uint32_t first : s.paragraphSpans) o << first << ' ';
  return o.str();
}

TEST(ComposeStepsTest, LinesBrokenAheadOnAnotherThreadAreThoseOfPlacing) {
  // Three columns of one width, then a frame of another width and one of two columns of a
  // third: paragraphs broken ahead for the first width meet the others at a paragraph's
  // start and in its middle, where placing must lay them out itself. The looks vary as
  // ads do; the text runs out of columns.
  testdoc::TestDocument t = testdoc::MakeDocument(3);
  UIDRef previous = t.frame;
  for (auto [columns, right] : {std::pair{1, 400.0}, std::pair{2, 500.0}}) {
    UIDRef next;
    ASSERT_EQ(CreateTextFrame(*t.doc, t.doc->DefaultSpreadLayer(), {36, 420, right, 805}, columns,
                              12, &next),
              kSuccess);
    ASSERT_EQ(ThreadFrames(*t.doc, previous, next), kSuccess);
    previous = next;
  }
  const UID serif = t.FontFamily(u"Liberation Serif");
  const UID sans = t.FontFamily(u"Liberation Sans");
  for (int i = 0; i < 150; ++i) {
    const size_t start = t.End();
    t.AppendStyled(u"SPRZEDAM ",
                   {Attribute::Uid(K::kFontFamily, sans), Attribute::Text(K::kFontStyle, u"Bold"),
                    Attribute::Double(K::kPointSize, 7 + i % 4)});
    t.Append(u"mieszkanie " + std::u16string(static_cast<size_t>(i % 9 + 1), u'\u0105') +
             u" ul. Długa, tel. 600 100 " + std::u16string(1, char16_t(u'0' + i % 10)));
    if (i % 4 == 1) t.InlineText(t.story, 20 + i % 6 * 15, 10 + i % 5 * 8, u"ramka");
    if (i % 7 == 2) t.Append(u"\nwiersz po złamaniu");
    if (i % 10 == 5) t.Append(u" \u2603 \u2654");  // in no Liberation font: a fallback's
    t.AppendStyled(
        u" cena do uzgodnienia, zadzwoń wieczorem.\r",
        {Attribute::Uid(K::kFontFamily, serif), Attribute::Double(K::kTracking, 0.02 * (i % 3))});
    ASSERT_EQ(ApplyTextAttributes(t.story, start, 1,
                                  {Attribute::Int(K::kAlignment, i % 5),
                                   Attribute::Double(K::kFirstLineIndent, i % 3 * 6),
                                   Attribute::Double(K::kLeftIndent, i % 2 * 4),
                                   Attribute::Int(K::kKeepWithNext, i % 6 == 0),
                                   Attribute::Int(K::kRuleAboveOn, i % 8 == 3),
                                   Attribute::Int(K::kRuleAboveMode, 1 + i % 2)},
                                  TextLevel::kParagraph),
              kSuccess);
    if (i % 9 == 4) {
      ASSERT_EQ(ApplyTextAttributes(t.story, start + 9, 8, {Attribute::Int(K::kUnderline, 1)},
                                    TextLevel::kCharacter),
                kSuccess);
    }
  }
  const std::vector<ColumnFrame> columns =
      ThreadColumns(*t.doc, StoryThread(*t.doc, t.story.GetUID()));
  ASSERT_EQ(columns.size(), 6u);
  auto compose = [&](int threads, size_t* ahead) {
    Composer composer(*t.doc);
    composer.KeepLayouts(false);
    composer.BreakAheadOn(threads);
    Composer::Prepared prepared = composer.BeginPrepare(t.story.GetUID());
    composer.Place(*prepared.story, columns, {}, prepared.cursor);
    *ahead = composer.PlacedFromBreaksAhead();
    // The glyphs kept for drawing too, whether broken ahead on another thread (where the
    // fonts are found again by key) or laid out by placing.
    return Describe(*prepared.story) + DescribeGlyphs(*prepared.story);
  };
  size_t none = 0, one = 0, caller_only = 0;
  const std::string expected = compose(-1, &none);
  ASSERT_NE(expected.find("overset 1"), std::string::npos);
  ASSERT_NE(expected.find("column 5 lines"), std::string::npos);
  for (const char* kept : {"DejaVu Sans Book 12", "Liberation Sans Bold 7", " 0 1 x "})
    EXPECT_NE(expected.find(kept), std::string::npos) << kept;  // fallback, size, underline
  EXPECT_EQ(compose(1, &one), expected);
  // No worker to be had: the placing thread breaks every batch itself.
  EXPECT_EQ(compose(0, &caller_only), expected);
  EXPECT_EQ(none, 0u);
  EXPECT_GT(one, 30u);  // the first frame's paragraphs
  EXPECT_EQ(caller_only, one);
}

TEST(ComposeStepsTest, GlyphsInAFontNotFoundAgainComeFromALayoutMadeByPlacing) {
  // Lines broken on another thread name a fallback font this thread cannot find: placing
  // takes those paragraphs' glyphs from a layout of its own, the same glyphs.
  testdoc::TestDocument t = testdoc::MakeDocument(2);
  for (int i = 0; i < 40; ++i)
    t.Append(u"Sprzedam rower \u2603 tanio, tel. 600 100 " +
             std::u16string(1, char16_t(u'0' + i % 10)) +
             (i % 3 ? u" i jeszcze trochę tekstu, aby akapit miał kilka wierszy.\r" : u"\r"));
  const std::vector<ColumnFrame> columns =
      ThreadColumns(*t.doc, StoryThread(*t.doc, t.story.GetUID()));
  auto compose = [&](bool brokenAhead) {
    Composer composer(*t.doc);
    composer.KeepLayouts(false);
    Composer::Prepared prepared = composer.BeginPrepare(t.story.GetUID());
    ComposedStory& story = *prepared.story;
    if (brokenAhead) {
      prepared.cursor->makeLayouts = false;
      while (composer.PrepareParagraph(story, *prepared.cursor)) {
      }
      BreakFormats own{story.formats, {}};
      for (ComposedParagraph& p : story.paragraphs) {
        BreakJob job{p.text,
                     p.look.alignment,
                     p.basePaint,
                     story.anchorPaint,
                     p.runs,
                     p.anchors,
                     columns[0].bounds.Width(),
                     columns[0].bounds.Width(),
                     true};
        LineBreaks breaks = BreakParagraph(job, own);
        for (FontKey& key : breaks.fonts) {
          if (!key.primary) key.family = QStringLiteral("No Such Family");
        }
        p.breaks = std::move(breaks);
      }
    }
    composer.Place(story, columns, {}, prepared.cursor);
    EXPECT_EQ(composer.PlacedFromBreaksAhead() > 30, brokenAhead);
    return Describe(story) + DescribeGlyphs(story);
  };
  const std::string expected = compose(false);
  EXPECT_NE(expected.find("DejaVu Sans"), std::string::npos);
  EXPECT_EQ(compose(true), expected);
}

// Threads two more one-column frames of five lines after t's own, and fills the three with
// A (five lines), the kept paragraph P (five lines) and Q.
void ThreeFramesWithAKeptParagraph(testdoc::TestDocument& t) {
  UIDRef previous = t.frame;
  for (double top : {200.0, 400.0}) {
    UIDRef next;
    ASSERT_EQ(
        CreateTextFrame(*t.doc, t.doc->DefaultSpreadLayer(), {36, top, 436, top + 75}, 1, 0, &next),
        kSuccess);
    ASSERT_EQ(ThreadFrames(*t.doc, previous, next), kSuccess);
    previous = next;
  }
  t.Append(u"a\nb\nc\nd\ne\rone\ntwo\nthree\nfour\nfive\rQ follows.");
  ASSERT_EQ(ApplyTextAttributes(t.story, 10, 1, {Attribute::Int(K::kKeepWithNext, 1)},
                                TextLevel::kParagraph),
            kSuccess);
}

TEST(ComposeStepsTest, AStepEndingAfterAKeptParagraphLeavesItsLastLineOpen) {
  // Three threaded one-column frames, five lines each. A fills the first; the kept
  // paragraph P fills the second, so the first line of Q, which does not fit there, takes
  // P's last line along into the third. A step that stops after P must not have fixed that
  // line in the second column.
  testdoc::TestDocument t = testdoc::MakeDocument(1, {36, 36, 436, 111});
  ASSERT_NO_FATAL_FAILURE(ThreeFramesWithAKeptParagraph(t));
  Composer composer(*t.doc);
  const std::vector<ColumnFrame> columns =
      ThreadColumns(*t.doc, StoryThread(*t.doc, t.story.GetUID()));
  ASSERT_EQ(columns.size(), 3u);
  auto whole = composer.Prepare(t.story.GetUID());
  composer.Place(*whole, columns);
  ASSERT_EQ(whole->lines.size(), 11u);
  ASSERT_EQ(whole->lines[9].column, 2) << "the kept paragraph's last line moves";

  auto stepped = composer.Prepare(t.story.GetUID());
  PlaceCursor cursor = composer.BeginPlace(*stepped, columns);
  EXPECT_FALSE(composer.ContinuePlace(*stepped, cursor, 0));
  EXPECT_EQ(stepped->lines.size(), 10u);  // A and P, then the step stops
  EXPECT_TRUE(composer.ContinuePlace(*stepped, cursor));
  EXPECT_EQ(Describe(*stepped), Describe(*whole));
}

TEST(ComposeStepsTest, PlacingAgainFromAMarkEndsWherePlacingTheChangedStoryEnds) {
  // As above: Q's first line takes the kept P's last line into the third frame. Then Q
  // shrinks to 2 pt and fits below P; placing again from the mark before Q must leave P's
  // last line in the second frame.
  testdoc::TestDocument t = testdoc::MakeDocument(1, {36, 36, 436, 111});
  ASSERT_NO_FATAL_FAILURE(ThreeFramesWithAKeptParagraph(t));
  Composer composer(*t.doc);
  const std::vector<ColumnFrame> columns =
      ThreadColumns(*t.doc, StoryThread(*t.doc, t.story.GetUID()));
  Composer::Prepared stepped = composer.BeginPrepare(t.story.GetUID());
  PlaceCursor cursor = composer.BeginPlace(*stepped.story, columns);
  cursor.prepare = stepped.cursor;
  std::vector<PlaceMark> marks;
  while (!cursor.done) {
    marks.push_back(Composer::Mark(*stepped.story, cursor));
    composer.ContinuePlace(*stepped.story, cursor, static_cast<size_t>(-1), 1);
  }
  ASSERT_EQ(stepped.story->lines.size(), 11u);
  ASSERT_EQ(stepped.story->lines[9].column, 2);

  ASSERT_EQ(ApplyTextAttributes(t.story, 34, 10, {Attribute::Double(K::kPointSize, 2)},
                                TextLevel::kCharacter),
            kSuccess);
  Composer::Rewind(*stepped.story, cursor, marks[2]);
  composer.ContinuePlace(*stepped.story, cursor);
  auto whole = composer.Prepare(t.story.GetUID());
  composer.Place(*whole, columns);
  EXPECT_EQ(whole->lines[9].column, 1);
  EXPECT_EQ(Describe(*stepped.story), Describe(*whole));
}

TEST(ComposeStepsTest, ColumnWidthWhileAPassEditsTheStoryAgreesWithComposingTheDocument) {
  // A story through frames of different widths (one column each, so that the width names
  // the column), longer than they hold. Front to back, as the box pass does inside one
  // step, each box's text is replaced by an inline frame (one too tall for any frame);
  // before each, the service is asked the width of the column at, behind and far ahead of
  // the box.
  testdoc::TestDocument t = testdoc::MakeDocument(1, {36, 36, 536, 156});
  UIDRef previous = t.frame;
  for (int i = 1; i < 7; ++i) {
    UIDRef next;
    const double top = 36 + i * 130;
    ASSERT_EQ(CreateTextFrame(*t.doc, t.doc->DefaultSpreadLayer(),
                              {36, top, 536 - i * 40.0, top + 120}, 1, 0, &next),
              kSuccess);
    ASSERT_EQ(ThreadFrames(*t.doc, previous, next), kSuccess);
    previous = next;
  }
  std::u16string text;
  std::vector<size_t> kept;  // every other paragraph is kept with the next
  for (int i = 0; i < 40; ++i) {
    if (i % 2 == 0) kept.push_back(text.size());
    text += u"Ogłoszenie " + std::u16string(static_cast<size_t>(i % 5 + 1), u'x') +
            u" sprzedam tanio, dzwonić wieczorem [box] po " +
            std::u16string(static_cast<size_t>(i * 7 % 30), u'a') + u" 18.\r";
  }
  t.Append(text);
  for (size_t p : kept)
    ASSERT_EQ(ApplyTextAttributes(t.story, p, 1, {Attribute::Int(K::kKeepWithNext, 1)},
                                  TextLevel::kParagraph),
              kSuccess);
  UID body = kInvalidUID;
  ASSERT_EQ(CreateStyle(t.db(), t.doc->TextWorkspaceRefs(), StyleKind::kParagraph, u"Body",
                        {Attribute::Double(K::kPointSize, 12)}, kInvalidUID, &body),
            kSuccess);
  ASSERT_EQ(ApplyTextStyle(t.story, 0, t.End(), body, TextLevel::kParagraph), kSuccess);
  const UID story = t.story.GetUID();
  QtLayoutService service, reference;
  CommandProcessor& commands = t.db().Commands();
  const SequenceId pass = commands.BeginCommandSequence(u"Pass");
  auto check = [&](int32_t at, const std::string& where) {
    reference.Compose(*t.doc);
    const std::vector<ColumnFrame> list = StoryFrameList(*t.doc, story);
    const double expected = list[static_cast<size_t>(ColumnHoldingIndex(list, at))].bounds.Width();
    EXPECT_EQ(service.ColumnWidthAt(*t.doc, story, at), expected) << where << " at " << at;
  };
  for (int box = 0;; ++box) {
    const std::u16string now = t.text().Text(0, t.End());
    const size_t found = now.find(u"[box]");
    if (found == std::u16string::npos) break;
    const auto s = static_cast<int32_t>(found);
    for (int32_t at : {s + 3, s - 40, s + 400, static_cast<int32_t>(t.End())})
      check(std::max(at, 0), "box " + std::to_string(box));
    ASSERT_EQ(DeleteText(t.story, found, 5), kSuccess);
    UIDRef frame;
    const double height = box == 17 ? 150 : 8 + box * 37 % 90;
    ASSERT_EQ(
        CreateTextFrame(*t.doc, t.doc->DefaultSpreadLayer(), {0, 0, 60, height}, 1, 0, &frame),
        kSuccess);
    ASSERT_EQ(ChangeToInline(*t.doc, t.story, s, frame), kSuccess);
  }
  commands.EndCommandSequence(pass);
  const auto end = static_cast<int32_t>(t.End());
  for (int32_t at = 0; at < end; at += 60) check(at, "after the pass");
  // A later step makes the text larger through its style: what the finder knew goes with
  // the step, the looks of styles included.
  auto style = t.db().Query<IStyle>(body);
  ASSERT_NE(style, nullptr);
  ASSERT_EQ(ProcessFunctionCommand(t.db(), u"Larger", UIDList(UIDRef(&t.db(), body)),
                                   [&] {
                                     style->SetAttributes({Attribute::Double(K::kPointSize, 20)});
                                     return kSuccess;
                                   }),
            kSuccess);
  for (int32_t at = 0; at < end; at += 60) check(at, "after the style changed");
  reference.Release(*t.doc);
  service.Release(*t.doc);
}

}  // namespace
}  // namespace tarvelin
