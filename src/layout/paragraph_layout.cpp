#include "layout/paragraph_layout.h"

#include <QFontMetricsF>
#include <QTextOption>
#include <algorithm>

namespace tarvelin {

namespace {

constexpr double kTabStop = 36;

QTextOption OptionFor(int32_t alignment) {
  QTextOption option;
  option.setUseDesignMetrics(true);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  option.setTabStopDistance(kTabStop);
  switch (alignment) {
    case 1:
      option.setAlignment(Qt::AlignHCenter);
      break;
    case 2:
      option.setAlignment(Qt::AlignRight);
      break;
    case 3:
    case 4:
      option.setAlignment(Qt::AlignJustify);
      break;
    default:
      option.setAlignment(Qt::AlignLeft);
      break;
  }
  return option;
}

}  // namespace

QTextCharFormat StandInFormat(const QTextCharFormat& look, double width) {
  QTextCharFormat f = look;
  QFont font = f.font();
  font.setCapitalization(QFont::MixedCase);
  font.setStretch(100);
  font.setLetterSpacing(QFont::AbsoluteSpacing, 0);
  double advance = QFontMetricsF(font).horizontalAdvance(QChar(kAnchorStandIn));
  font.setLetterSpacing(QFont::AbsoluteSpacing, width - advance);
  f.setFont(font, QTextCharFormat::FontPropertiesAll);
  return f;
}

std::unique_ptr<QTextLayout> MakeParagraphLayout(const QString& text, int32_t alignment,
                                                 int32_t basePaint, int32_t anchorPaint,
                                                 const std::vector<PaintRun>& runs,
                                                 const std::vector<AnchorSlot>& anchors,
                                                 const std::vector<QTextCharFormat>& formats) {
  QList<QTextLayout::FormatRange> ranges;
  ranges.reserve(static_cast<qsizetype>(runs.size()));
  auto anchor = anchors.begin();
  for (const PaintRun& r : runs) {
    while (anchor != anchors.end() && anchor->index < r.start) ++anchor;
    if (r.paint == anchorPaint && anchor != anchors.end() && anchor->index == r.start) {
      ranges.push_back(
          {r.start, 1, StandInFormat(formats[static_cast<size_t>(anchor->paint)], anchor->width)});
    } else {
      ranges.push_back({r.start, r.end - r.start, formats[static_cast<size_t>(r.paint)]});
    }
  }
  auto layout = std::make_unique<QTextLayout>(text, formats[static_cast<size_t>(basePaint)].font());
  layout->setTextOption(OptionFor(alignment));
  if (alignment == 3) layout->setFlags(Qt::TextJustificationForced);
  layout->setFormats(ranges);
  layout->setCacheEnabled(true);
  return layout;
}

void CollectLineGlyphs(const QTextLine& line, const std::vector<PaintRun>& runs,
                       int32_t anchorPaint, const FontIndex& font, GlyphSink out) {
  const int32_t from = line.textStart(), to = from + line.textLength();
  const double x0 = line.x(), baseline = line.y() + line.ascent();
  auto run = std::lower_bound(runs.begin(), runs.end(), from,
                              [](const PaintRun& r, int32_t v) { return r.end <= v; });
  for (; run != runs.end() && run->start < to; ++run) {
    const int32_t a = std::max(from, run->start), b = std::min(to, run->end);
    if (b <= a || run->paint == anchorPaint) continue;
    for (const QGlyphRun& g : line.glyphRuns(a, b - a)) {
      const QList<quint32> ids = g.glyphIndexes();
      const QList<QPointF> positions = g.positions();
      if (ids.isEmpty() || ids.size() != positions.size()) continue;
      const uint8_t decorations = (g.underline() ? kUnderline : 0) |
                                  (g.strikeOut() ? kStrikeOut : 0) | (g.overline() ? kOverline : 0);
      const int32_t f = font(g, run->paint);
      GlyphSpan* span = nullptr;
      for (qsizetype i = 0; i < ids.size(); ++i) {
        // A glyph the font moves off the baseline (a mark), or one out of two bytes' reach
        // of the span's first, starts a span of its own.
        const float drop = static_cast<float>(positions[i].y() - baseline);
        const double x = positions[i].x() - x0;
        const double step = span ? (x - span->x) * 64 : 0;
        if (!span || span->drop != drop || step < 0 || step > 65535) {
          out.spans.push_back({line.lineNumber(), run->paint, f,
                               static_cast<uint32_t>(out.ids.size()), 0, static_cast<float>(x),
                               static_cast<float>(line.ascent()), drop, decorations});
          span = &out.spans.back();
        }
        out.ids.push_back(static_cast<uint16_t>(ids[i]));
        out.x.push_back(static_cast<uint16_t>(std::lround((x - span->x) * 64)));
        ++span->count;
      }
    }
  }
}

}  // namespace tarvelin
