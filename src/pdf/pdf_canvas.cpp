#include "pdf/pdf_canvas.h"

#include <QRawFont>
#include <algorithm>
#include <cmath>

#include "core/utf16.h"
#include "layout/composer_style.h"
#include "pdf/pdf_images.h"
#include "pdf/pdf_syntax.h"

namespace tarvelin::pdf {

namespace {

std::string Ref(int32_t object) {
  return std::to_string(object) + " 0 R";
}

std::string Components(std::initializer_list<double> values) {
  std::string s;
  for (double v : values) {
    if (!s.empty()) s += ' ';
    AppendNumber(s, v, 4);
  }
  return s;
}

}  // namespace

PdfResources::PdfResources(PdfFile& f, PdfStandard s, const OutputProfile* p)
    : file(f), standard(s), profile(p) {}

const PdfResources::Named* PdfResources::Image(const Picture& picture) {
  const std::string key = picture.file.string();
  if (auto it = images_.find(key); it != images_.end()) return &it->second;
  const std::string rgb_space =
      standard == PdfStandard::kX4 ? Ref(RgbSpace().object) : std::string("/DeviceRGB");
  ImageObject image = EncodeImage(picture, standard, profile, rgb_space);
  if (image.width <= 0 || image.height <= 0) return nullptr;
  Named named{"Im" + std::to_string(images_.size() + 1), file.Reserve(), image.width, image.height,
              image.rgb};
  file.Stream(named.object, image.dictionary, image.data, image.compress);
  return &images_.emplace(key, std::move(named)).first->second;
}

const PdfResources::Named& PdfResources::Separation(const Ink& ink) {
  const std::array<float, 4> cmyk =
      profile ? profile->Cmyk(ink.colour) : std::array<float, 4>{0, 0, 0, 1};
  std::string name = ToUtf8(ink.name);
  if (name.empty()) {
    // An unnamed spot colour still needs a plate of its own: named by its values.
    name = "Spot " + Components({cmyk[0], cmyk[1], cmyk[2], cmyk[3]});
  }
  auto [it, inserted] = separations_.try_emplace(name);
  if (inserted) {
    it->second.resource = "CS" + std::to_string(++colour_spaces_);
    it->second.object = file.Reserve();
    file.Object(it->second.object,
                "[/Separation " + Name(name) +
                    " /DeviceCMYK <</FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [" +
                    Components({cmyk[0], cmyk[1], cmyk[2], cmyk[3]}) + "] /N 1>>]");
  }
  return it->second;
}

const PdfResources::Named& PdfResources::RgbSpace() {
  if (rgb_.object == 0) {
    rgb_.resource = "CS" + std::to_string(++colour_spaces_);
    rgb_.object = file.Reserve();
    const int32_t icc = file.Reserve();
    file.Stream(icc, "/N 3 /Alternate /DeviceRGB", SrgbProfileData());
    file.Object(rgb_.object, "[/ICCBased " + Ref(icc) + "]");
  }
  return rgb_;
}

const PdfResources::Named& PdfResources::LabSpace() {
  if (lab_.object == 0) {
    lab_.resource = "CS" + std::to_string(++colour_spaces_);
    lab_.object = file.Reserve();
    file.Object(lab_.object, "[/Lab <</WhitePoint [0.9642 1 0.8249] /Range [-128 127 -128 127]>>]");
  }
  return lab_;
}

std::vector<std::string> PdfResources::SeparationNames() const {
  std::vector<std::string> names;
  for (const auto& [name, named] : separations_) names.push_back(name);
  return names;
}

PdfCanvas::PdfCanvas(PdfResources& resources, int32_t pageNumber, double pageHeight)
    : res_(resources), page_(pageNumber) {
  content_.reserve(1 << 14);
  content_ += "1 0 0 -1 0 ";
  Num(pageHeight, 4);
  content_ += " cm\n";
}

void PdfCanvas::Num(double v, int decimals) {
  AppendNumber(content_, v, decimals);
}

void PdfCanvas::Save() {
  content_ += "q\n";
  states_.push_back(states_.back());
}

void PdfCanvas::Restore() {
  if (states_.size() < 2) return;
  content_ += "Q\n";
  states_.pop_back();
}

void PdfCanvas::Translate(double dx, double dy) {
  if (dx == 0 && dy == 0) return;
  content_ += "1 0 0 1 ";
  Num(dx);
  content_ += ' ';
  Num(dy);
  content_ += " cm\n";
}

void PdfCanvas::Rect(const QRectF& r) {
  Num(r.left());
  content_ += ' ';
  Num(r.top());
  content_ += ' ';
  Num(r.width());
  content_ += ' ';
  Num(r.height());
  content_ += " re";
}

void PdfCanvas::Clip(const QRectF& rect) {
  Rect(rect);
  content_ += " W n\n";
}

void PdfCanvas::SetInk(const Ink& ink, bool stroke) {
  std::string op;
  const Colour& c = ink.colour;
  if (res_.standard == PdfStandard::kScreen) {
    const QColor q = ColourOf(c);
    op = Components({q.redF(), q.greenF(), q.blueF()}) + (stroke ? " RG" : " rg");
  } else if (!c.process) {
    const auto& sep = res_.Separation(ink);
    spaces_[sep.resource] = sep.object;
    op = "/" + sep.resource + (stroke ? " CS 1 SCN" : " cs 1 scn");
  } else if (res_.standard == PdfStandard::kX4 && c.space != ColourSpace::kCmyk) {
    const auto& cs = c.space == ColourSpace::kRgb ? res_.RgbSpace() : res_.LabSpace();
    spaces_[cs.resource] = cs.object;
    double a = c.components[0], b = c.components[1], d = c.components[2];
    if (c.space == ColourSpace::kRgb && std::max({a, b, d}) > 1) a /= 255, b /= 255, d /= 255;
    op = "/" + cs.resource + (stroke ? " CS " : " cs ") + Components({a, b, d}) +
         (stroke ? " SCN" : " scn");
  } else {
    const auto k = res_.profile->Cmyk(c);
    op = Components({k[0], k[1], k[2], k[3]}) + (stroke ? " K" : " k");
  }
  std::string& current = stroke ? states_.back().stroke : states_.back().fill;
  if (current == op) return;
  content_ += op;
  content_ += '\n';
  current = std::move(op);
}

void PdfCanvas::FillRect(const QRectF& rect, const Ink& ink) {
  SetInk(ink, false);
  Rect(rect);
  content_ += " f\n";
}

void PdfCanvas::StrokeRect(const QRectF& rect, const Ink& ink, double weight) {
  SetInk(ink, true);
  if (states_.back().lineWidth != weight) {
    Num(weight);
    content_ += " w\n";
    states_.back().lineWidth = weight;
  }
  Rect(rect);
  content_ += " S\n";
}

void PdfCanvas::Line(QPointF from, QPointF to, const Ink& ink, double weight) {
  SetInk(ink, true);
  if (states_.back().lineWidth != weight) {
    Num(weight);
    content_ += " w\n";
    states_.back().lineWidth = weight;
  }
  Num(from.x());
  content_ += ' ';
  Num(from.y());
  content_ += " m ";
  Num(to.x());
  content_ += ' ';
  Num(to.y());
  content_ += " l S\n";
}

void PdfCanvas::Glyphs(QPointF origin, const GlyphRunView& run, const Ink& ink, double stretch) {
  if (run.count == 0) return;
  const QRawFont& raw = run.font;
  // Runs of characters no font has come without a real font: the screen shows empty
  // boxes for them, the PDF nothing.
  EmbeddedFont* found = raw.isValid() ? res_.fonts.Font(raw, res_.file) : nullptr;
  if (!found) return;
  EmbeddedFont& font = *found;
  if (!font.Problem().empty()) {
    if (res_.error.empty()) res_.error = font.Problem() + " (page " + std::to_string(page_) + ")";
    return;
  }
  fonts_[font.resource] = font.object;
  const double size = raw.pixelSize();
  if (!(size > 0)) return;
  const double h = stretch > 0 ? stretch : 1;
  const double unit = size * h / 1000;  // text space per thousandth of an em
  SetInk(ink, false);
  content_ += "BT /" + font.resource + ' ';
  Num(size, 4);
  content_ += " Tf";
  if (h != 1) {
    content_ += ' ';
    Num(h * 100, 3);
    content_ += " Tz";
  }
  const double y = origin.y() + run.baseline;
  // The PDF advances by the font's widths, the layout by them rounded to its 1/64 points:
  // the difference is made up once it reaches a device pixel at 2400 dpi, so every glyph
  // stands within that of the layout's place and most follow each other in one string.
  constexpr double kDrift = 0.03;  // points
  double pen = 0, left = 0, right = 0;
  bool in_string = false;
  for (size_t i = 0; i < run.count; ++i) {
    const double x = origin.x() + (run.x + run.steps[i] / 64.0);
    if (i == 0) {
      content_ += "\n1 0 0 -1 ";
      Num(x, 4);
      content_ += ' ';
      Num(y, 4);
      content_ += " Tm [";
      pen = left = right = x;
    } else {
      const double adjust = std::round((pen - x) / unit * 10) / 10;
      if (std::abs(pen - x) >= kDrift && adjust != 0) {
        if (in_string) content_ += ')';
        in_string = false;
        content_ += ' ';
        Num(adjust, 1);
        content_ += ' ';
        pen -= adjust * unit;
      }
    }
    const uint32_t g = run.ids[i];
    font.Use(g);
    // Two bytes a glyph, in a literal string: half what hexadecimal takes.
    if (!in_string) content_ += '(';
    in_string = true;
    for (const char b : {static_cast<char>(g >> 8), static_cast<char>(g & 0xFF)}) {
      if (b == '(' || b == ')' || b == '\\') content_ += '\\';
      if (b == '\r')
        content_ += "\\r";  // a bare CR would be read as LF
      else
        content_ += b;
    }
    pen += font.Width(g) * unit;
    left = std::min(left, x);
    right = std::max(right, x + font.Width(g) * unit);
  }
  if (in_string) content_ += ')';
  content_ += "] TJ ET\n";
  // Decorations as Qt draws them: under the baseline by the font's underline position,
  // struck through a third of the ascent above it.
  const double thickness = std::max(0.1, raw.lineThickness());
  if (run.decorations & kUnderline)
    FillRect(QRectF(left, y + raw.underlinePosition() - thickness / 2, right - left, thickness),
             ink);
  if (run.decorations & kStrikeOut)
    FillRect(QRectF(left, y - raw.ascent() / 3 - thickness / 2, right - left, thickness), ink);
  if (run.decorations & kOverline)
    FillRect(QRectF(left, y - raw.ascent() - thickness / 2, right - left, thickness), ink);
}

void PdfCanvas::Image(const QRectF& target, const Picture& picture) {
  if (!picture.image || target.width() <= 0 || target.height() <= 0) return;
  const PdfResources::Named* image = res_.Image(picture);
  if (!image) return;
  images_[image->resource] = image->object;
  const double ppi =
      std::min(image->width / (target.width() / 72), image->height / (target.height() / 72));
  res_.images.push_back({page_, picture.file.string(), ppi, image->rgb});
  content_ += "q ";
  Num(target.width(), 4);
  content_ += " 0 0 ";
  Num(-target.height(), 4);
  content_ += ' ';
  Num(target.left(), 4);
  content_ += ' ';
  Num(target.bottom(), 4);
  content_ += " cm /" + image->resource + " Do Q\n";
}

std::string PdfCanvas::ResourceDictionary() const {
  auto dict = [](const char* key, const std::map<std::string, int32_t>& m) {
    if (m.empty()) return std::string();
    std::string s = std::string(" /") + key + " <<";
    for (const auto& [name, object] : m) s += "/" + name + " " + Ref(object) + " ";
    s += ">>";
    return s;
  };
  return "<</ProcSet [/PDF /Text /ImageB /ImageC]" + dict("Font", fonts_) +
         dict("XObject", images_) + dict("ColorSpace", spaces_) + ">>";
}

}  // namespace tarvelin::pdf
