#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <filesystem>
#include <fstream>

#include "core/utf16.h"
#include "host/text/font_catalogue.h"
#include "layout/opentype_names.h"
#include "layout/qt_font_catalogue.h"
#include "layout/qt_image_probe.h"

namespace tarvelin {
namespace {

namespace fs = std::filesystem;

TEST(FontCatalogueTest, ClassifiesFacesByStyleName) {
  struct Case {
    const char16_t* style;
    FaceKind kind;
  };
  const Case cases[] = {
      {u"Regular", FaceKind::kRegular},
      {u"Book", FaceKind::kRegular},
      {u"Bold", FaceKind::kBold},
      {u"Italic", FaceKind::kItalic},
      {u"Oblique", FaceKind::kItalic},
      {u"Bold Italic", FaceKind::kBoldItalic},
      {u"Bold Oblique", FaceKind::kBoldItalic},
      {u"BoldItalic", FaceKind::kBoldItalic},
      {u"Condensed Bold", FaceKind::kOther},
      {u"ExtraLight", FaceKind::kOther},
      {u"", FaceKind::kRegular},
  };
  for (const auto& c : cases) EXPECT_EQ(ClassifyFaceStyle(c.style), c.kind) << ToUtf8(c.style);
}

TEST(FontCatalogueTest, InstalledFontsAreFoundByFamilyFullAndPostScriptName) {
  QtFontCatalogue catalogue;
  struct Case {
    const char16_t* name;
    const char16_t* family;
  };
  const Case cases[] = {
      {u"Liberation Sans", u"Liberation Sans"},
      {u"Liberation Serif Bold", u"Liberation Serif"},
      {u"LiberationSans-BoldItalic", u"Liberation Sans"},
      {u"DejaVu Sans", u"DejaVu Sans"},
  };
  for (const auto& c : cases) {
    auto match = FindFontByAnyName(catalogue, c.name);
    ASSERT_TRUE(match) << ToUtf8(c.name);
    EXPECT_EQ(catalogue.Families()[match->family].family, c.family);
    EXPECT_EQ(match->matchedName, c.name);
  }
  EXPECT_FALSE(FindFontByAnyName(catalogue, u"No Such Font Family"));
  EXPECT_FALSE(FindFontByAnyName(catalogue, u""));
  // The four kinds exist for the metric-compatible families the samples use.
  auto sans = FindFontByAnyName(catalogue, u"Liberation Sans");
  ASSERT_TRUE(sans);
  int kinds = 0;
  for (const auto& face : catalogue.Families()[sans->family].faces)
    if (face.kind != FaceKind::kOther) kinds |= 1 << static_cast<int>(face.kind);
  EXPECT_EQ(kinds, 0xF);
}

TEST(FontCatalogueTest, NameTableReaderSurvivesTruncationAndPrefersWindowsEnglish) {
  // Two records for name 4: Mac Roman "Mac" and Windows English "Win".
  std::vector<uint8_t> t = {
      0,   0,   0,   2, 0,   30,                       // format, count, storage offset
      0,   1,   0,   0, 0,   0,  0,   4, 0,  3, 0, 0,  // mac, id 4, len 3, off 0
      0,   3,   0,   1, 4,   9,  0,   4, 0,  6, 0, 3,  // win en, id 4, len 6, off 3
      'M', 'a', 'c', 0, 'W', 0,  'i', 0, 'n'};
  EXPECT_EQ(ReadOpenTypeNames(t)[kNameFull], u"Win");
  for (size_t cut = 0; cut < t.size(); ++cut) {
    auto names = ReadOpenTypeNames(std::span(t.data(), cut));
    if (names.count(kNameFull)) {
      EXPECT_EQ(names[kNameFull], u"Mac") << cut;
    }
  }
}

class ImageProbeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tarvelin_img_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(ImageProbeTest, SizeInPointsFollowsTheResolutionTheFileNames) {
  struct Case {
    const char* name;
    const char* format;
    int ppi;  // 0: write no resolution
    double expectedWidthPt;
  };
  // 600 x 300 pixels: 144 pt wide at 300 ppi, 600 pt at 72 ppi.
  const Case cases[] = {
      {"a.png", "PNG", 300, 144.0}, {"b.jpg", "JPEG", 300, 144.0}, {"c.tif", "TIFF", 300, 144.0},
      {"d.bmp", "BMP", 150, 288.0}, {"e.png", "PNG", 72, 600.0},
  };
  QtImageProbe probe;
  for (const auto& c : cases) {
    QImage image(600, 300, QImage::Format_RGB32);
    image.fill(Qt::red);
    if (c.ppi > 0) {
      int dpm = static_cast<int>(c.ppi / 0.0254 + 0.5);
      image.setDotsPerMeterX(dpm);
      image.setDotsPerMeterY(dpm);
    }
    fs::path file = dir_ / c.name;
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()), c.format)) << c.name;
    ImageInfo info = probe.Probe(file);
    ASSERT_TRUE(info.ok) << c.name << ": " << info.error;
    EXPECT_EQ(info.pixelWidth, 600);
    EXPECT_EQ(info.pixelHeight, 300);
    EXPECT_NEAR(info.widthPt, c.expectedWidthPt, 0.5) << c.name;
    EXPECT_NEAR(info.heightPt, c.expectedWidthPt / 2, 0.5) << c.name;
  }
}

TEST_F(ImageProbeTest, UnreadableFilesAreReportedNotFatal) {
  QtImageProbe probe;
  std::ofstream(dir_ / "fake.png") << "this is not an image";
  std::ofstream(dir_ / "empty.jpg");
  for (const char* name : {"fake.png", "empty.jpg", "missing.tif"}) {
    ImageInfo info = probe.Probe(dir_ / name);
    EXPECT_FALSE(info.ok) << name;
    EXPECT_FALSE(info.error.empty()) << name;
  }
  // A GIF without a resolution is taken at 72 ppi.
  QImage gif(40, 20, QImage::Format_Indexed8);
  gif.setColorCount(2);
  gif.fill(0);
  fs::path file = dir_ / "g.gif";
  if (gif.save(QString::fromStdString(file.string()), "GIF")) {
    ImageInfo info = probe.Probe(file);
    ASSERT_TRUE(info.ok) << info.error;
    EXPECT_NEAR(info.widthPt, 40.0, 0.01);
  }
}

}  // namespace
}  // namespace tarvelin
