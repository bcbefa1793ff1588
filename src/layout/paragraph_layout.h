// How a paragraph's Qt layout is made from what composition keeps of it. The formats come
// from the caller, indexed by paint, so a thread that breaks lines ahead of placing can
// pass formats of its own and get exactly the layout the placing thread would make.
#pragma once

#include <QGlyphRun>
#include <QTextCharFormat>
#include <QTextLayout>
#include <functional>
#include <memory>
#include <vector>

#include "layout/composition_state.h"

namespace tarvelin {

// The glyph that stands for an inline frame: a letter every font has, so the line breaks
// round it as round a word; it is never drawn.
inline constexpr char16_t kAnchorStandIn = u'X';

// The stand-in of an inline frame: a letter in `look`'s font, widened to `width`.
QTextCharFormat StandInFormat(const QTextCharFormat& look, double width);

// The paragraph's layout, not yet broken into lines. Runs of `anchorPaint` that start at an
// anchor are that anchor's stand-in, in the look of the text it stands in.
std::unique_ptr<QTextLayout> MakeParagraphLayout(const QString& text, int32_t alignment,
                                                 int32_t basePaint, int32_t anchorPaint,
                                                 const std::vector<PaintRun>& runs,
                                                 const std::vector<AnchorSlot>& anchors,
                                                 const std::vector<QTextCharFormat>& formats);

// Where collected glyphs go: the spans, glyph ids and positions of a story or of a
// paragraph broken ahead.
struct GlyphSink {
  std::vector<GlyphSpan>& spans;
  std::vector<uint16_t>& ids;
  std::vector<uint16_t>& x;
};
// The index a glyph run's font has where the spans go, given the paint it is drawn in.
using FontIndex = std::function<int32_t(const QGlyphRun& run, int32_t paint)>;

// Appends the glyphs of a laid out line (glyphs still cached), a span for each paint run,
// font and baseline, from the line's origin. `runs` cover the line's text; those of
// `anchorPaint` stand in for inline frames and have none.
void CollectLineGlyphs(const QTextLine& line, const std::vector<PaintRun>& runs,
                       int32_t anchorPaint, const FontIndex& font, GlyphSink out);

}  // namespace tarvelin
