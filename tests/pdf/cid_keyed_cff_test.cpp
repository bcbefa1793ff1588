// The CFF rewrite keeps every outline where its glyph ID was, and reads damaged programs
// without reading past them.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QPainterPath>
#include <QRawFont>
#include <cmath>

#include "pdf/cid_keyed_cff.h"

namespace tarvelin::pdf {
namespace {

QRawFont CffFont() {
  for (const QString& family : QFontDatabase::families()) {
    if (!family.startsWith(u"Nimbus Sans")) continue;
    QRawFont raw = QRawFont::fromFont(QFont(family, 50));
    if (!raw.fontTable("CFF ").isEmpty()) return raw;
  }
  return {};
}

TEST(CidKeyedCffTest, OutlinesStayAtTheirGlyphIds) {
  const QRawFont font = CffFont();
  ASSERT_TRUE(font.isValid()) << "fonts-urw-base35 is installed";
  const QByteArray table = font.fontTable("CFF ");
  const auto cid = CidKeyedCff(std::string_view(table.constData(), table.size()));
  ASSERT_TRUE(cid);
  // Converting the result again must keep it too.
  const auto again = CidKeyedCff(*cid);
  ASSERT_TRUE(again);
  const QList<quint32> glyphs =
      font.glyphIndexesForString(QStringLiteral("\u0104\u0107\u0119\u0142\u0144\u00f3 AWfi0"));
  // FreeType reads a bare CFF program as a font of its own.
  for (const std::string* program : {&*cid, &*again}) {
    const QRawFont rewritten(QByteArray::fromStdString(*program), font.pixelSize());
    ASSERT_TRUE(rewritten.isValid());
    for (quint32 g : glyphs) {
      ASSERT_NE(g, 0u);
      // The same outline; the two faces are read with different hinting, so points may
      // differ by a fraction of a pixel.
      const QPainterPath a = rewritten.pathForGlyph(g), b = font.pathForGlyph(g);
      EXPECT_EQ(a.elementCount(), b.elementCount()) << "glyph " << g;
      const QRectF ra = a.boundingRect(), rb = b.boundingRect();
      EXPECT_LT(std::abs(ra.left() - rb.left()) + std::abs(ra.top() - rb.top()) +
                    std::abs(ra.right() - rb.right()) + std::abs(ra.bottom() - rb.bottom()),
                2.0)
          << "glyph " << g;
    }
  }
}

TEST(CidKeyedCffTest, DamagedProgramsAreRefused) {
  const QRawFont font = CffFont();
  ASSERT_TRUE(font.isValid());
  const QByteArray table = font.fontTable("CFF ");
  const std::string_view cff(table.constData(), table.size());
  int refused = 0, cuts = 0;
  for (size_t n = 0; n < cff.size(); n += 97, ++cuts)
    if (!CidKeyedCff(cff.substr(0, n))) ++refused;
  // A cut inside the last INDEX (the charstrings or the local subroutines) is always
  // seen; one in the unreferenced tail of the table may not be.
  EXPECT_GT(refused, cuts * 9 / 10);
  std::string flipped(cff);
  flipped[0] = 2;  // CFF2
  EXPECT_FALSE(CidKeyedCff(flipped));
  EXPECT_FALSE(CidKeyedCff(""));
}

}  // namespace
}  // namespace tarvelin::pdf
