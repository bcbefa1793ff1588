// The glyphs a line keeps for drawing, against where Qt's own layout puts them.
#include <gtest/gtest.h>

#include <QGlyphRun>
#include <QTextLayout>

#include "layout/paragraph_layout.h"

namespace tarvelin {
namespace {

TEST(GlyphSpansTest, KeptGlyphsStandWhereTheLayoutPutsThem) {
  struct Case {
    const char* name;
    const char16_t* text;
    const char* family;
    double width;  // the line's
    std::vector<PaintRun> runs;
  };
  const std::u16string wide(300, u'm');  // wider than two bytes of 1/64 points reach
  const std::vector<Case> cases = {
      {"plain, two paints", u"Zażółć gęślą jaźń", "Liberation Serif", 400, {{0, 6, 1}, {6, 17, 2}}},
      {"marks off the baseline",
       u"x\u0302\u0301q\u0301\u0300 m\u0323\u0301 k\u0302\u0327",
       "DejaVu Sans",
       400,
       {{0, 13, 1}}},
      {"marks back over their letter",
       u"x\u0302\u0301q\u0301\u0300 W\u0306\u0331",
       "Liberation Serif",
       400,
       {{0, 9, 1}}},
      {"a stand-in skipped", u"ab X cd", "DejaVu Sans", 400, {{0, 3, 1}, {3, 4, 0}, {4, 7, 1}}},
      {"a line of 2,800 points", wide.c_str(), "DejaVu Sans", 5000, {{0, 300, 1}}},
  };
  for (const Case& c : cases) {
    const QString text = QString::fromUtf16(c.text);
    QTextLayout layout(text, QFont(QString::fromLatin1(c.family), 9));
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(c.width);
    line.setPosition(QPointF(17.3, 41.1));  // Qt keeps 1/64 points of it
    layout.endLayout();
    ASSERT_EQ(line.textLength(), text.size()) << c.name << ": one line";

    std::vector<GlyphSpan> spans;
    std::vector<uint16_t> ids, x;
    std::vector<QRawFont> fonts;
    const FontIndex font = [&](const QGlyphRun& run, int32_t) {
      fonts.push_back(run.rawFont());
      return static_cast<int32_t>(fonts.size() - 1);
    };
    CollectLineGlyphs(line, c.runs, 0, font, {spans, ids, x});

    // Qt's glyphs of the drawn paints, in order.
    std::vector<std::pair<quint32, QPointF>> expected;
    for (const PaintRun& r : c.runs) {
      if (r.paint == 0) continue;
      for (const QGlyphRun& g : line.glyphRuns(r.start, r.end - r.start))
        for (qsizetype i = 0; i < g.glyphIndexes().size(); ++i)
          expected.emplace_back(g.glyphIndexes()[i], g.positions()[i]);
    }
    std::vector<std::pair<quint32, QPointF>> kept;
    for (const GlyphSpan& s : spans) {
      EXPECT_NE(s.paint, 0) << c.name;
      for (uint32_t i = s.first; i < s.first + s.count; ++i)
        kept.emplace_back(ids[i],
                          QPointF(line.x() + s.x + x[i] / 64.0, line.y() + s.ascent + s.drop));
    }
    ASSERT_EQ(kept.size(), expected.size()) << c.name;
    ASSERT_FALSE(kept.empty()) << c.name;
    for (size_t i = 0; i < kept.size(); ++i) {
      EXPECT_EQ(kept[i].first, expected[i].first) << c.name << ", glyph " << i;
      // Exactly: both are sums of 1/64 points.
      EXPECT_EQ(kept[i].second.x(), expected[i].second.x()) << c.name << ", glyph " << i;
      EXPECT_EQ(kept[i].second.y(), expected[i].second.y()) << c.name << ", glyph " << i;
    }
  }
}

}  // namespace
}  // namespace tarvelin
