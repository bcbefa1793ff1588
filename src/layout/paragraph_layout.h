// How a paragraph's Qt layout is made from what composition keeps of it. The formats come
// from the caller, indexed by paint, so a thread that breaks lines ahead of placing can
// pass formats of its own and get exactly the layout the placing thread would make.
#pragma once

#include <QTextCharFormat>
#include <QTextLayout>
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

}  // namespace tarvelin
