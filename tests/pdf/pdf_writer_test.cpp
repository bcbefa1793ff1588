// The PDF writer checked by independent readers: qpdf for the file's structure, poppler
// for fonts and text, Ghostscript for the separations a press would make and for the
// screen PDF's pixels against the PNG renderer's.
#include <gtest/gtest.h>

#include <zlib.h>
#include <QBuffer>
#include <QFontDatabase>
#include <QImage>
#include <QRawFont>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "../layout/compose_test_document.h"
#include "core/utf16.h"
#include "host/documents/spread.h"
#include "layout/layout_service_qt.h"
#include "layout/renderer.h"
#include "pdf/ink_coverage.h"
#include "pdf/pdf_export.h"
#include "pdf/pdf_file.h"
#include "pdf/pdf_images.h"
#include "pdf/preflight.h"

namespace tarvelin::pdf {
namespace {

namespace fs = std::filesystem;
using testdoc::MakeDocument;
using testdoc::TestDocument;

constexpr char16_t kPolish[] = u"Zażółć gęślą jaźń";
// Set in an OpenType font with CFF outlines (fonts-urw-base35).
constexpr char16_t kPolishCff[] = u"Pchnąć w tę łódź jeża";

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Output and exit code of a shell command.
std::pair<std::string, int> Shell(const std::string& command) {
  std::string out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return {"", -1};
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  return {out, pclose(pipe)};
}

// A family with CFF outlines and Polish letters. fontconfig lists URW's Nimbus Sans under
// several foundries, so Qt names it with one in brackets.
std::u16string CffFamily() {
  for (const QString& family : QFontDatabase::families()) {
    if (!family.startsWith(u"Nimbus Sans") || family.startsWith(u"Nimbus Sans Narrow")) continue;
    const QRawFont raw = QRawFont::fromFont(QFont(family));
    if (!raw.fontTable("CFF ").isEmpty() && raw.supportsCharacter(QChar(u'ł')))
      return family.toStdU16String();
  }
  return u"";
}

// A page with what a press checks: black text with Polish letters, a process CMYK fill,
// a spot fill and an RGB picture.
struct PressPage {
  TestDocument t = MakeDocument(1);
  fs::path dir = testdoc::TempDir("pdf");
  UIDRef red, spot, picture;
  QtLayoutService service;
  const CompositionState* state = nullptr;

  PressPage() {
    using K = AttrKind;
    t.AppendStyled(std::u16string(kPolish) + u" — black text on the black plate only.\r",
                   {Attribute::Double(K::kPointSize, 14)});
    const UID cff = t.FontFamily(CffFamily());
    EXPECT_NE(cff, kInvalidUID) << "fonts-urw-base35 is installed";
    t.AppendStyled(std::u16string(kPolishCff) + u"\r",
                   {Attribute::Double(K::kPointSize, 14), Attribute::Uid(K::kFontFamily, cff)});
    red = t.InlineText(t.story, 100, 60, u"");
    EXPECT_EQ(
        SetFillSwatch(*t.doc, UIDList(red), t.Swatch(u"Red", ColourSpace::kCmyk, {0, 1, 1, 0})),
        kSuccess);
    t.Append(u" ");
    UID spot_swatch = kInvalidUID;
    const float blue[] = {1, 0.6f, 0, 0};
    EXPECT_EQ(CreateSwatch(t.db(), t.doc->TextWorkspaceRefs(), u"Brand Blue",
                           Colour::Make(ColourSpace::kCmyk, blue, false), &spot_swatch),
              kSuccess);
    spot = t.InlineText(t.story, 100, 60, u"");
    EXPECT_EQ(SetFillSwatch(*t.doc, UIDList(spot), spot_swatch), kSuccess);
    t.Append(u"\r");
    testdoc::WritePicture(dir / "photo.png", 300, 200, 144);
    picture = t.InlinePicture(t.story, 150, 100, dir / "photo.png");
    EXPECT_EQ(service.Compose(*t.doc), kSuccess);
    state = service.State(*t.doc);
  }

  fs::path Write(PdfStandard standard, PdfReport* details = nullptr) {
    static auto profile = OutputProfile::Load(DefaultOutputProfile(), nullptr);
    EXPECT_NE(profile, nullptr) << "the default output profile is installed";
    PdfOptions options{standard, profile.get(), 0};
    const fs::path file = dir / (standard == PdfStandard::kX1a  ? "x1a.pdf"
                                 : standard == PdfStandard::kX4 ? "x4.pdf"
                                                                : "screen.pdf");
    RenderReport report;
    std::string error;
    EXPECT_EQ(WritePdf(*t.doc, *state, file, options, report, &error, details), kSuccess) << error;
    return file;
  }

  // The centre of an inline item in pixels at `dpi`.
  QPoint Centre(const UIDRef& item, double dpi) const {
    const PlacedInline* placed = state->InlinePlacement(item.GetUID());
    EXPECT_NE(placed, nullptr);
    return QPoint(static_cast<int>((placed->rect.left + placed->rect.right) / 2 * dpi / 72),
                  static_cast<int>((placed->rect.top + placed->rect.bottom) / 2 * dpi / 72));
  }
};

TEST(PdfWriterTest, EveryStandardIsReadCleanlyWithSubsetFontsAndSearchableText) {
  PressPage page;
  for (PdfStandard standard : {PdfStandard::kScreen, PdfStandard::kX1a, PdfStandard::kX4}) {
    SCOPED_TRACE(StandardName(standard));
    const fs::path file = page.Write(standard);
    auto [check, check_rc] = Shell("qpdf --check '" + file.string() + "'");
    EXPECT_EQ(check_rc, 0) << check;
    EXPECT_NE(check.find("No syntax or stream encoding errors"), std::string::npos) << check;

    auto [fonts, fonts_rc] = Shell("pdffonts '" + file.string() + "'");
    ASSERT_EQ(fonts_rc, 0) << fonts;
    for (const char* type : {"CID TrueType", "CID Type 0C"}) {
      int listed = 0;
      for (size_t at = fonts.find(type); at != std::string::npos; at = fonts.find(type, at + 1)) {
        ++listed;
        const std::string line = fonts.substr(at, fonts.find('\n', at) - at);
        EXPECT_NE(line.find("yes yes yes"), std::string::npos)
            << "embedded, subset, mapped: " << line;
      }
      EXPECT_GE(listed, 1) << type << " in " << fonts;
    }

    auto [text, text_rc] = Shell("pdftotext -enc UTF-8 '" + file.string() + "' -");
    EXPECT_EQ(text_rc, 0);
    EXPECT_NE(text.find(ToUtf8(kPolish)), std::string::npos) << text;
    EXPECT_NE(text.find(ToUtf8(kPolishCff)), std::string::npos) << text;
  }
}

TEST(PdfWriterTest, PressStandardsCarryTheirKeysAndNoStrayColourSpaces) {
  PressPage page;
  const std::string x1a = ReadAll(page.Write(PdfStandard::kX1a));
  for (const char* key :
       {"%PDF-1.3", "/GTS_PDFXVersion (PDF/X-1:2001)", "/GTS_PDFXConformance (PDF/X-1a:2001)",
        "/OutputIntents", "/DestOutputProfile", "/TrimBox", "/BleedBox", "/Trapped /False",
        "/ID ["})
    EXPECT_NE(x1a.find(key), std::string::npos) << key;
  EXPECT_EQ(x1a.find("RGB"), std::string::npos) << "PDF/X-1a holds no RGB";
  EXPECT_NE(x1a.find("/Separation /Brand#20Blue /DeviceCMYK"), std::string::npos);

  const std::string x4 = ReadAll(page.Write(PdfStandard::kX4));
  for (const char* key : {"%PDF-1.6", "<pdfxid:GTS_PDFXVersion>PDF/X-4", "/Metadata",
                          "/OutputIntents", "/ICCBased", "/TrimBox"})
    EXPECT_NE(x4.find(key), std::string::npos) << key;

  const std::string screen = ReadAll(page.Write(PdfStandard::kScreen));
  EXPECT_EQ(screen.find("/OutputIntents"), std::string::npos);
  EXPECT_EQ(screen.find("DeviceCMYK"), std::string::npos) << "the screen PDF is RGB";
}

TEST(PdfWriterTest, SeparationsCarryTheSwatchesExactly) {
  PressPage page;
  PdfReport details;
  const fs::path file = page.Write(PdfStandard::kX1a, &details);
  ASSERT_EQ(details.spots, std::vector<std::string>{"Brand Blue"});
  constexpr double kDpi = 100;
  const fs::path out = page.dir / "sep.tif";
  auto [log, rc] = Shell("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=tiffsep -r100 -sOutputFile='" +
                         out.string() + "' '" + file.string() + "'");
  ASSERT_EQ(rc, 0) << log;
  // tiffsep writes each plate as grey levels, 0 for full ink.
  auto plate = [&](const char* name) {
    QImage image(
        QString::fromStdString((page.dir / ("sep(" + std::string(name) + ").tif")).string()));
    EXPECT_FALSE(image.isNull()) << name;
    return image.convertToFormat(QImage::Format_Grayscale8);
  };
  const QImage c = plate("Cyan"), m = plate("Magenta"), y = plate("Yellow"), k = plate("Black"),
               s = plate("Brand Blue");
  ASSERT_FALSE(s.isNull()) << "the spot colour has a plate of its own";
  auto ink = [](const QImage& p, QPoint at) { return 255 - qGray(p.pixel(at)); };

  const QPoint r = page.Centre(page.red, kDpi);
  EXPECT_EQ(ink(c, r), 0);
  EXPECT_EQ(ink(m, r), 255);
  EXPECT_EQ(ink(y, r), 255);
  EXPECT_EQ(ink(k, r), 0);
  EXPECT_EQ(ink(s, r), 0);

  const QPoint b = page.Centre(page.spot, kDpi);
  EXPECT_EQ(ink(s, b), 255);
  for (const QImage* process : {&c, &m, &y, &k}) EXPECT_EQ(ink(*process, b), 0);

  // The first line (black text) lies above the boxes: wherever it has ink, it has only K.
  const PlacedInline* first_box = page.state->InlinePlacement(page.red.GetUID());
  const int text_bottom = static_cast<int>((first_box->rect.top - 2) * kDpi / 72);
  int black = 0;
  for (int py = 0; py < text_bottom; ++py)
    for (int px = 0; px < k.width(); ++px) {
      if (ink(k, {px, py}) == 0) continue;
      ++black;
      ASSERT_EQ(ink(c, {px, py}) + ink(m, {px, py}) + ink(y, {px, py}), 0)
          << "black text has ink on another plate at " << px << "," << py;
    }
  EXPECT_GT(black, 100) << "the text is on the black plate";
}

TEST(PdfWriterTest, ScreenPdfLooksLikeThePng) {
  PressPage page;
  const fs::path file = page.Write(PdfStandard::kScreen);
  constexpr double kDpi = 72;
  const fs::path out = page.dir / "screen.png";
  auto [log, rc] = Shell(
      "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=png16m -r72 -dTextAlphaBits=4 "
      "-dGraphicsAlphaBits=4 -sOutputFile='" +
      out.string() + "' '" + file.string() + "'");
  ASSERT_EQ(rc, 0) << log;
  RenderReport report;
  std::string error;
  ASSERT_EQ(RenderPng(*page.t.doc, *page.state, page.dir / "png", kDpi, report, &error), kSuccess);
  QImage pdf(QString::fromStdString(out.string())),
      png(QString::fromStdString((page.dir / "png" / "page-001.png").string()));
  ASSERT_FALSE(pdf.isNull());
  // Ghostscript rounds a fractional page size down, the PNG renderer up.
  ASSERT_LE(std::abs(pdf.width() - png.width()), 1);
  ASSERT_LE(std::abs(pdf.height() - png.height()), 1);
  const int width = std::min(pdf.width(), png.width()),
            height = std::min(pdf.height(), png.height());
  // Antialiasing and picture scaling differ between the two rasterisers (the picture's
  // one-pixel border, drawn at half size, is most of what differs); positions and colours
  // do not.
  double total = 0;
  int far = 0;
  for (int yy = 0; yy < height; ++yy)
    for (int xx = 0; xx < width; ++xx) {
      const QRgb a = pdf.pixel(xx, yy), b = png.pixel(xx, yy);
      const int d = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                    std::abs(qBlue(a) - qBlue(b));
      total += d;
      if (d > 200) ++far;
    }
  const double pixels = static_cast<double>(width) * height;
  EXPECT_LT(total / pixels, 2.5);
  EXPECT_LT(far / pixels, 0.005);
  const QPoint r = page.Centre(page.red, kDpi);
  EXPECT_EQ(pdf.pixel(r), png.pixel(r));
}

TEST(PdfWriterTest, PreflightFindsWhatThePressRefuses) {
  PressPage page;
  const fs::path x1a = page.Write(PdfStandard::kX1a), screen = page.Write(PdfStandard::kScreen);
  struct Case {
    const char* what;
    fs::path file;
    PreflightLimits limits;
    std::vector<std::string> failures;  // words of each expected failure, in any order
  } cases[] = {
      // The picture's one-pixel RGB black border becomes about 296 % ink through the
      // default profile: too thin to count.
      {"press file", x1a, {.maxInk = 240, .minPpi = 100}, {}},
      // The 300 x 200 picture is shown at 150 x 100 pt: 144 ppi.
      {"low resolution", x1a, {.maxInk = 240, .minPpi = 200}, {"144 ppi"}},
      // The red fill is 200 % ink.
      {"ink limit", x1a, {.maxInk = 180, .minPpi = 100}, {"total ink reaches"}},
      {"screen file",
       screen,
       {.maxInk = 300, .minPpi = 100},
       {"TrimBox", "RGB colour in a fill", "RGB colour in a text", "is RGB"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PreflightResult result = PreflightPdf(c.file, c.limits);
    ASSERT_TRUE(result.error.empty()) << result.error;
    std::vector<std::string> failed;
    for (const Finding& f : result.findings)
      if (f.failure) failed.push_back(f.message);
    for (const std::string& words : c.failures)
      EXPECT_TRUE(std::any_of(failed.begin(), failed.end(),
                              [&](const std::string& m) { return m.find(words) != m.npos; }))
          << "no finding with '" << words << "'";
    EXPECT_EQ(failed.size(), c.failures.size()) << ::testing::PrintToString(failed);
    EXPECT_EQ(result.Failed(), !c.failures.empty());
  }
  const PreflightResult x1a_result = PreflightPdf(x1a, {});
  EXPECT_TRUE(std::any_of(
      x1a_result.findings.begin(), x1a_result.findings.end(),
      [](const Finding& f) { return !f.failure && f.message == "spot colour \"Brand Blue\""; }))
      << "spot colours are listed";
  EXPECT_FALSE(PreflightPdf(page.dir / "photo.png", {}).error.empty()) << "not a PDF";
}

// Streams are compressed ahead on another thread, yet the file is the one writing each
// object at once would make: objects in the order given, the cross-reference table right,
// and each stream inflating to its data.
TEST(PdfWriterTest, StreamsCompressedAheadKeepTheirPlaceAndBytes) {
  const fs::path file = testdoc::TempDir("ahead") / "ahead.pdf";
  struct Written {
    int32_t number;
    std::string data;  // empty for a plain object
    bool compressed;
  };
  std::vector<Written> written;
  {
    PdfFile pdf(file, "1.4");
    for (int i = 0; i < 24; ++i) {
      const int32_t n = pdf.Reserve();
      if (i % 3 == 2) {
        pdf.Object(n, "<</Kind " + std::to_string(i) + ">>");
        written.push_back({n, {}, false});
        continue;
      }
      // Large and small by turns, so that later streams are done first.
      std::string data;
      for (size_t k = 0; data.size() < (i % 2 ? 40u : 600000u); ++k)
        data += std::to_string(k * 7919 % 1000) + " ";
      pdf.Stream(n, "", data, i != 4);
      written.push_back({n, data, i != 4});
    }
    ASSERT_TRUE(pdf.Commit("/Root 1 0 R"));
  }
  std::ifstream in(file, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  const size_t xref = bytes.rfind("xref\n0 ");
  ASSERT_NE(xref, std::string::npos);
  const size_t table = bytes.find("0000000000 65535 f \n", xref) + 20;
  size_t previous = 0;
  for (const Written& w : written) {
    SCOPED_TRACE(w.number);
    const size_t offset =
        std::stoul(bytes.substr(table + 20 * static_cast<size_t>(w.number - 1), 10));
    EXPECT_GT(offset, previous) << "written out of order";
    previous = offset;
    const std::string head = std::to_string(w.number) + " 0 obj\n";
    ASSERT_EQ(bytes.compare(offset, head.size(), head), 0);
    if (w.data.empty()) continue;
    const size_t length_at = bytes.find("/Length ", offset) + 8;
    const size_t length = std::stoul(bytes.substr(length_at, 12));
    const size_t start = bytes.find(">>\nstream\n", offset) + 10;
    std::string data = bytes.substr(start, length);
    if (w.compressed) {
      std::string plain(w.data.size(), '\0');
      uLongf size = plain.size();
      ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(plain.data()), &size,
                           reinterpret_cast<const Bytef*>(data.data()), data.size()),
                Z_OK);
      plain.resize(size);
      data = plain;
    }
    EXPECT_EQ(data, w.data);
  }
}

// Ink is measured over an area: a rich black hairline passes where a rich black box fails.
TEST(PdfWriterTest, InkCoverageIsTheHighestOverASquare) {
  const fs::path dir = testdoc::TempDir("ink");
  struct Case {
    const char* what;
    const char* content;              // on a 400 x 400 pt page
    double percent;                   // the page's peak
    double left, bottom, right, top;  // where it is found; all 0: anywhere
  } cases[] = {
      {"rich black box", "0.6 0.5 0.5 1 k 100 100 200 100 re f", 260, 100, 100, 300, 200},
      {"rich black hairline", "0.6 0.5 0.5 1 K 0.5 w 20 300 m 380 300 l S", 0, 0, 0, 0, 0},
      {"at the limit", "0.6 0.6 0.6 0.6 k 0 0 400 400 re f", 240, 0, 0, 0, 0},
      {"spot plate", "/CS1 cs 1 scn 300 300 50 50 re f", 100, 300, 300, 350, 350},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path file = dir / "ink.pdf";
    {
      PdfFile pdf(file, "1.3");
      const int32_t catalog = pdf.Reserve(), pages = pdf.Reserve(), page = pdf.Reserve(),
                    content = pdf.Reserve(), spot = pdf.Reserve();
      pdf.Object(catalog, "<</Type /Catalog /Pages 2 0 R>>");
      pdf.Object(pages, "<</Type /Pages /Kids [3 0 R] /Count 1>>");
      pdf.Object(page,
                 "<</Type /Page /Parent 2 0 R /MediaBox [0 0 400 400] /Contents 4 0 R "
                 "/Resources <</ColorSpace <</CS1 5 0 R>>>>>>");
      pdf.Stream(content, "", c.content);
      pdf.Object(spot,
                 "[/Separation /Gold /DeviceCMYK <</FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] "
                 "/C1 [0 0.3 1 0.1] /N 1>>]");
      ASSERT_TRUE(pdf.Commit("/Root 1 0 R"));
    }
    const InkCoverage ink = MeasureInkCoverage(file);
    ASSERT_TRUE(ink.error.empty()) << ink.error;
    ASSERT_EQ(ink.pages.size(), 1u);
    const InkPeak& peak = ink.pages[0];
    EXPECT_EQ(peak.page, 1);
    if (c.percent == 0)
      EXPECT_LT(peak.percent, 200) << "a hairline does not flood the paper";
    else
      EXPECT_NEAR(peak.percent, c.percent, 0.6);
    if (c.right > 0) {
      EXPECT_TRUE(peak.x > c.left && peak.x < c.right) << peak.x;
      EXPECT_TRUE(peak.y > c.bottom && peak.y < c.top) << peak.y;
    }
  }
}

TEST(PdfWriterTest, OutputProfilesMustBeCmykOutputProfiles) {
  const fs::path dir = testdoc::TempDir("profiles");
  std::ofstream(dir / "text.icc") << "not a profile at all, but long enough to be read as one "
                                     "if nobody looked at it closely; more than 132 bytes of it.";
  std::ofstream(dir / "srgb.icc", std::ios::binary) << SrgbProfileData();
  const std::pair<fs::path, const char*> cases[] = {
      {dir / "missing.icc", "cannot read"},
      {dir / "text.icc", "not an ICC profile"},
      {dir / "srgb.icc", "not a CMYK output profile"},
  };
  for (const auto& [file, why] : cases) {
    std::string error;
    EXPECT_EQ(OutputProfile::Load(file, &error), nullptr) << file;
    EXPECT_NE(error.find(why), std::string::npos) << error;
    EXPECT_NE(error.find(file.filename().string()), std::string::npos) << "names the file";
  }
  std::string error;
  auto profile = OutputProfile::Load(DefaultOutputProfile(), &error);
  ASSERT_NE(profile, nullptr) << error;
  const auto cmyk =
      profile->Cmyk(Colour::Make(ColourSpace::kCmyk, std::array<float, 4>{0.1f, 0.2f, 0.3f, 0.4f}));
  EXPECT_EQ(cmyk, (std::array<float, 4>{0.1f, 0.2f, 0.3f, 0.4f})) << "CMYK passes unchanged";
  const auto white = profile->Cmyk(Colour::Make(ColourSpace::kRgb, std::array<float, 3>{1, 1, 1}));
  for (float v : white) EXPECT_LT(v, 0.01f) << "white paper needs no ink";
}

TEST(PdfWriterTest, JpegHeadersDecideWhatIsCopied) {
  auto jpeg = [](QImage::Format format) {
    QImage image(40, 30, format);
    image.fill(Qt::gray);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "JPEG"));
    return bytes.toStdString();
  };
  const std::string rgb = jpeg(QImage::Format_RGB32), grey = jpeg(QImage::Format_Grayscale8);
  struct Case {
    const char* what;
    std::string data;
    int components;  // 0: not a JPEG to copy
  } cases[] = {
      {"rgb", rgb, 3},
      {"grey", grey, 1},
      {"truncated in the headers", rgb.substr(0, 40), 0},
      {"not a JPEG", "\x89PNG\r\n\x1a\n", 0},
      {"empty", "", 0},
  };
  for (const Case& c : cases) {
    auto info = ReadJpegInfo(c.data);
    if (c.components == 0) {
      EXPECT_FALSE(info) << c.what;
      continue;
    }
    ASSERT_TRUE(info) << c.what;
    EXPECT_EQ(info->components, c.components) << c.what;
    EXPECT_EQ(info->width, 40) << c.what;
    EXPECT_EQ(info->height, 30) << c.what;
  }
}

}  // namespace
}  // namespace tarvelin::pdf
