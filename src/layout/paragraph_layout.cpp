#include "layout/paragraph_layout.h"

#include <QFontMetricsF>
#include <QTextOption>

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

}  // namespace tarvelin
