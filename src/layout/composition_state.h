// What composition computed, kept apart from the document model: for every composed
// story its paragraphs (laid out with Qt), its lines in their columns, the place of each
// inline frame in its line, and the paragraph rules. Rendering draws exactly this; the
// host asks it which text a column holds (ColumnSpans).
//
// Coordinates are those of the frames' bounds: spread coordinates for free frames, and
// for an inline frame's own story the coordinates its bounds are given in (the bounds
// give an inline frame's size; its composed place comes from the story that anchors it).
//
// Indices in a paragraph's layout are story indices minus the paragraph's start; the
// layout text has the paragraph end left out and stand-ins for anchors and forced line
// breaks, unit for unit, so the two always map one to one.
#pragma once

#include <QColor>
#include <QFont>
#include <QRawFont>
#include <QTextCharFormat>
#include <QTextLayout>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/documents/document.h"
#include "host/documents/document_geometry.h"
#include "host/documents/page_item.h"
#include "host/objects/uid.h"
#include "host/text/swatch_list.h"

namespace tarvelin {

// A colour as every output draws it: the swatch's own colour (model, values, process or
// spot) and, for a spot colour, the swatch's name, which names its printing plate.
struct Ink {
  Colour colour{ColourSpace::kCmyk, {0, 0, 0, 1}, true};
  std::u16string name;
  friend bool operator==(const Ink&, const Ink&) = default;
};

// How a stretch of text is drawn (the layout carries the font; this the rest).
struct TextPaint {
  Ink ink;
  double stretch = 1;   // the font's horizontal stretch, which glyph runs do not carry
  double rise = 0;      // baseline shift and super/subscript offset, upwards, points
  bool anchor = false;  // a stand-in for an inline frame: never drawn as text
  bool hidden = false;  // a stand-in for an orphan object character
};

struct PaintRun {
  int32_t start = 0;  // layout indices
  int32_t end = 0;
  int32_t paint = 0;  // index into ComposedStory::paints
};

struct RuleLook {
  bool on = false;
  double width = 1;
  Ink ink;
  double leftIndent = 0, rightIndent = 0, offset = 0;
  int32_t mode = 1;  // kRuleToText or kRuleToColumn
};

struct ParagraphLook {
  int32_t alignment = 0;  // 0 left, 1 centre, 2 right, 3 forced justify, 4 justify
  double leftIndent = 0, firstLineIndent = 0, rightIndent = 0;
  double leading = -1;  // < 0: automatic (120 % of the largest size in the line)
  bool keepWithNext = false;
  RuleLook above, below;
};

// An inline frame's place in a paragraph: the stand-in's layout index and the item's size.
struct AnchorSlot {
  int32_t index = 0;
  UID item = kInvalidUID;
  int32_t paint = 0;  // the look of the text it stands in (ComposedStory::formats)
  double width = 0, height = 0;
  double lineOffset = 0;  // from the left edge of its line, set by placing
};

// A paragraph's lines as breaking it ahead of placing found them, for the widths it was
// broken to: the first line's and every other's.
struct BrokenLine {
  int32_t start = 0, length = 0;  // layout indices
  double ascent = 0, descent = 0;
};
// Glyphs of one line in one font and one paint on one baseline: what drawing needs of a
// paragraph whose layout a batch composition let go. Positions are from the origin Qt gave
// the line (its left edge and baseline) and, as Qt keeps them, in 1/64 points: each glyph's
// from its span's first in two bytes, so they are exact in little memory.
struct GlyphSpan {
  int32_t line = 0;               // layout line
  int32_t paint = 0;              // index into ComposedStory::paints
  int32_t font = 0;               // index into ComposedStory::fonts
  uint32_t first = 0, count = 0;  // into ComposedStory::glyphIds and glyphX
  float x = 0;                    // the first glyph's
  float ascent = 0;               // the Qt line's ascent
  float drop = 0;                 // the glyphs' baseline below the line's
  uint8_t decorations = 0;        // kUnderline | kStrikeOut | kOverline
};
inline constexpr uint8_t kUnderline = 1, kStrikeOut = 2, kOverline = 4;

// A font as a thread other than the one that laid the text out finds it again: the
// primary font of a paint's format, or another (a fallback, small capitals) by its names
// and size. Fonts are not shared between threads.
struct FontKey {
  int32_t paint = 0;
  bool primary = true;
  QString family, style;
  int weight = 400;
  bool italic = false;
  double pixelSize = 0;
};

struct LineBreaks {
  double firstWidth = 0, otherWidth = 0;
  std::vector<BrokenLine> lines;
  std::vector<double> anchorOffsets;  // per anchor, from the left edge of its line
  // Every line's glyphs, when asked for; span fonts index `fonts`.
  std::vector<GlyphSpan> spans;
  std::vector<uint16_t> glyphIds;
  std::vector<uint16_t> glyphX;  // 1/64 points after the span's x
  std::vector<FontKey> fonts;
};

struct ComposedParagraph {
  int32_t start = 0;   // story index of the first unit
  int32_t length = 0;  // units in the layout (the paragraph end excluded)
  bool hasEnd = true;  // false only for a story that lacks its final character
  ParagraphLook look;
  // Null once placed when the composition keeps no layouts (drawing has the glyphs then).
  std::unique_ptr<QTextLayout> layout;
  // Set while placing uses lines broken ahead instead of a layout (batch runs only).
  std::optional<LineBreaks> breaks;
  QString text;                     // the layout's text
  int32_t basePaint = 0;            // the look of the paragraph's first unit: the layout's font
  std::vector<PaintRun> runs;       // cover [0, length) in order
  std::vector<double> runSizes;     // point size per run, for automatic leading
  std::vector<AnchorSlot> anchors;  // ascending index
};

struct ComposedLine {
  int32_t paragraph = 0;
  int32_t layoutLine = 0;  // index of the QTextLine in the paragraph's layout
  int32_t start = 0;       // story indices [start, end); a paragraph's last line includes its end
  int32_t end = 0;
  int32_t column = 0;  // index into ComposedStory::columns
  double x = 0;        // left edge of the line box
  double baseline = 0;
  double ascent = 0;  // raised by inline frames
  double descent = 0;
  double width = 0;  // the width the line was broken to
};

struct PlacedInline {
  UID item = kInvalidUID;
  int32_t index = 0;  // story index of the anchor
  int32_t column = 0;
  PMRect rect;  // where the item stands, its bottom on the baseline
};

struct RuleStroke {
  int32_t column = 0;
  double x1 = 0, x2 = 0, y = 0;  // y: the rule's centre line
  double weight = 1;
  Ink ink;
};

struct ComposedColumn {
  ColumnFrame frame;
  int32_t firstLine = 0;  // lines [firstLine, firstLine + lineCount)
  int32_t lineCount = 0;
};

struct ComposedStory {
  UID story = kInvalidUID;
  int32_t totalLength = 0;
  std::vector<ComposedColumn> columns;
  // Deques: a long story's paragraphs and lines grow without being moved, so placing never
  // holds an old copy beside a new one.
  std::deque<ComposedParagraph> paragraphs;
  std::vector<TextPaint> paints;
  std::vector<QTextCharFormat> formats;  // the character format of each paint's look
  int32_t anchorPaint = 0;               // the paint of inline frames' stand-ins
  std::deque<ComposedLine> lines;
  std::vector<PlacedInline> inlines;  // in story order
  std::vector<RuleStroke> rules;
  // Kept for drawing instead of layouts by a batch composition (glyphsKept), paragraph by
  // paragraph as placed.
  bool glyphsKept = false;
  std::vector<uint32_t> paragraphSpans;  // per paragraph placed, the index of its first span
  std::vector<GlyphSpan> spans;
  std::vector<uint16_t> glyphIds;
  std::vector<uint16_t> glyphX;  // 1/64 points after the span's x
  std::vector<QRawFont> fonts;
  bool overset = false;
  int32_t composedEnd = 0;  // index after the last unit placed

  // The range a column holds; an empty range at composedEnd for a column left empty.
  std::pair<int32_t, int32_t> ColumnRange(size_t column) const;
  // Bottom of the last line's descent minus the first column's top; 0 without lines.
  double TextHeight() const;
};

class CompositionState final : public ColumnSpans {
 public:
  std::optional<std::pair<int32_t, int32_t>> Span(UID frame, int32_t column) const override;

  void Add(std::unique_ptr<ComposedStory> story);
  // Indexes the inline frames a story placed since it had `from` of them.
  void IndexInlines(UID story, size_t from);
  void Clear();
  const ComposedStory* Story(UID story) const;
  // The story shown in a frame, and the index of the frame's first column in it.
  const ComposedStory* StoryInFrame(UID frame, size_t* firstColumn) const;
  const PlacedInline* InlinePlacement(UID item) const;

 private:
  std::unordered_map<UID, std::unique_ptr<ComposedStory>> stories_;
  std::unordered_map<UID, std::pair<UID, size_t>> frames_;   // frame -> story, first column
  std::unordered_map<UID, std::pair<UID, size_t>> inlines_;  // item -> story, index in inlines
};

}  // namespace tarvelin
