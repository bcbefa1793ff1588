// Where the PDF's text puts each glyph: read back from the content stream with the font's
// own widths, as a reader advances.
#include <gtest/gtest.h>

#include <QFont>
#include <QRawFont>

#include <cmath>
#include <string>
#include <vector>

#include "../layout/compose_test_document.h"
#include "pdf/pdf_canvas.h"
#include "pdf/pdf_file.h"

namespace tarvelin::pdf {
namespace {

// The x of every glyph shown by the one TJ in `content`, in `font` at `size`.
std::vector<double> ShownAt(const std::string& content, double size, EmbeddedFont& font) {
  std::vector<double> xs;
  const size_t tm = content.find(" Tm [");
  const size_t start = content.rfind("-1 ", tm) + 3;
  double pen = std::stod(content.substr(start, tm - start));
  for (size_t i = tm + 5; i < content.size() && content[i] != ']';) {
    if (content[i] == '(') {
      std::string bytes;
      for (++i; content[i] != ')'; ++i) {
        if (content[i] == '\\') {
          ++i;
          bytes += content[i] == 'r' ? '\r' : content[i];
        } else {
          bytes += content[i];
        }
      }
      ++i;
      for (size_t b = 0; b + 1 < bytes.size(); b += 2) {
        const uint32_t g =
            (static_cast<uint8_t>(bytes[b]) << 8) | static_cast<uint8_t>(bytes[b + 1]);
        xs.push_back(pen);
        pen += font.Width(g) * size / 1000;
      }
    } else if (content[i] == ' ') {
      ++i;
    } else {
      size_t used = 0;
      pen -= std::stod(content.substr(i), &used) * size / 1000;
      i += used;
    }
  }
  return xs;
}

TEST(PdfCanvasTest, GlyphsStandWithinADevicePixelOfTheLayout) {
  const QRawFont raw = QRawFont::fromFont(QFont(QStringLiteral("DejaVu Sans"), 10));
  ASSERT_TRUE(raw.isValid());
  const double size = raw.pixelSize();
  // Glyph ids that need escaping in a literal string: ( ) \ and CR as low bytes.
  const std::vector<uint16_t> ids = {0x28, 0x29, 0x5C, 0x0D, 0x44, 0x45, 0x46, 0x47,
                                     0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F};
  struct Case {
    const char* name;
    double step;      // added to each glyph's advance, points
    int adjustments;  // TJ numbers expected, at most
  };
  for (const Case& c :
       {Case{"as the font advances", 0, 0}, Case{"1/64 pt more each (rounding)", 1.0 / 64, 8},
        Case{"tracked 0.5 pt", 0.5, 15}, Case{"kerned -0.2 pt", -0.2, 15}}) {
    PdfFile file(testdoc::TempDir("canvas") / "canvas.pdf", "1.4");
    PdfResources resources(file, PdfStandard::kScreen, nullptr);
    EmbeddedFont* font = resources.fonts.Font(raw, file);
    ASSERT_NE(font, nullptr);
    // Positions as a layout gives them: 1/64 points.
    std::vector<uint16_t> steps;
    double x = 0;
    for (uint16_t g : ids) {
      steps.push_back(static_cast<uint16_t>(std::lround(x * 64)));
      x += std::round((font->Width(g) * size / 1000 + c.step) * 64) / 64;
    }
    PdfCanvas canvas(resources, 1, 842);
    const double left = 72.5;
    canvas.Glyphs(QPointF(left, 0), {raw, ids.data(), 0, steps.data(), ids.size(), 100, 0}, Ink{},
                  1);
    const std::string& content = canvas.Content();
    const std::vector<double> shown = ShownAt(content, size, *font);
    ASSERT_EQ(shown.size(), ids.size()) << c.name << "\n" << content;
    for (size_t i = 0; i < ids.size(); ++i)
      EXPECT_NEAR(shown[i], left + steps[i] / 64.0, 0.03) << c.name << ", glyph " << i;
    int numbers = 0;
    for (size_t i = content.find(" Tm [") + 5; i < content.size(); ++i)
      if (content[i] == ' ' && i + 1 < content.size() &&
          (std::isdigit(static_cast<unsigned char>(content[i + 1])) || content[i + 1] == '-'))
        ++numbers;
    EXPECT_LE(numbers, c.adjustments) << c.name << "\n" << content;
  }
}

}  // namespace
}  // namespace tarvelin::pdf
