#include "layout/composer_style.h"

#include <QFontDatabase>
#include <algorithm>
#include <cmath>

#include "host/objects/database.h"
#include "host/text/font_families.h"

// Qt's resolution for font sizes: exported by Qt Gui, declared in a private header.
Q_GUI_EXPORT int qt_defaultDpiY();

namespace tarvelin {

namespace {

QString ToQString(std::u16string_view s) {
  return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

double Clamp(double v, double lo, double hi) {
  if (!std::isfinite(v)) return lo;
  return std::min(std::max(v, lo), hi);
}

// CIE L*a*b* (D50, as print colours are given) to sRGB.
QColor LabToRgb(double L, double a, double b) {
  auto f_inv = [](double t) {
    return t > 6.0 / 29 ? t * t * t : 3 * (6.0 / 29) * (6.0 / 29) * (t - 4.0 / 29);
  };
  double fy = (L + 16) / 116;
  double X = 0.96422 * f_inv(fy + a / 500);
  double Y = 1.0 * f_inv(fy);
  double Z = 0.82521 * f_inv(fy - b / 200);
  // XYZ (D50) to linear sRGB with Bradford adaptation to D65.
  double r = 3.1338561 * X - 1.6168667 * Y - 0.4906146 * Z;
  double g = -0.9787684 * X + 1.9161415 * Y + 0.0334540 * Z;
  double bl = 0.0719453 * X - 0.2289914 * Y + 1.4052427 * Z;
  auto gamma = [](double c) {
    c = Clamp(c, 0, 1);
    return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
  };
  return QColor::fromRgbF(static_cast<float>(gamma(r)), static_cast<float>(gamma(g)),
                          static_cast<float>(gamma(bl)));
}

}  // namespace

double QtPointScale() {
  static const double scale = 72.0 / std::max(1, qt_defaultDpiY());
  return scale;
}

QFont MakeFont(const QString& family, const QString& face, double sizePt) {
  QFont font(family.isEmpty() ? ToQString(kFallbackFamily) : family);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setKerning(true);
  font.setPointSizeF(Clamp(sizePt, 0.1, 1296) * QtPointScale());
  if (!face.isEmpty()) {
    std::u16string f(reinterpret_cast<const char16_t*>(face.utf16()), face.size());
    FaceKind kind = ClassifyFaceStyle(f);
    bool bold = kind == FaceKind::kBold || kind == FaceKind::kBoldItalic;
    bool italic = kind == FaceKind::kItalic || kind == FaceKind::kBoldItalic;
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    // The face by name when the family has it; otherwise weight and slant above stand in.
    if (QFontDatabase::styles(font.family()).contains(face)) font.setStyleName(face);
  }
  return font;
}

QColor ColourOf(const Colour& colour) {
  const auto& c = colour.components;
  switch (colour.space) {
    case ColourSpace::kCmyk:
      return QColor::fromCmykF(
          static_cast<float>(Clamp(c[0], 0, 1)), static_cast<float>(Clamp(c[1], 0, 1)),
          static_cast<float>(Clamp(c[2], 0, 1)), static_cast<float>(Clamp(c[3], 0, 1)));
    case ColourSpace::kRgb: {
      // Components are fractions; a colour given in bytes (any above 1) is read so.
      double scale = std::max({c[0], c[1], c[2]}) > 1 ? 255 : 1;
      return QColor::fromRgbF(static_cast<float>(Clamp(c[0] / scale, 0, 1)),
                              static_cast<float>(Clamp(c[1] / scale, 0, 1)),
                              static_cast<float>(Clamp(c[2] / scale, 0, 1)));
    }
    case ColourSpace::kLab:
      return LabToRgb(c[0], c[1], c[2]);
  }
  return Qt::black;
}

Ink SwatchInk(const Database& db, UID swatch, const Ink& fallback) {
  if (swatch == kInvalidUID) return fallback;
  auto s = db.Query<ISwatch>(swatch);
  if (!s) return fallback;
  Ink ink{s->GetColour(), {}};
  if (!ink.colour.process) ink.name = s->Name();
  return ink;
}

Ink BlackInk() {
  return Ink{};
}

Ink PaperInk() {
  return Ink{{ColourSpace::kCmyk, {0, 0, 0, 0}, true}, {}};
}

StyleReader::StyleReader(Database& db, const TextWorkspace& ws)
    : db_(db), ws_(ws), resolver_(db, ws) {
  root_character_ = FindStyle(db, ws, StyleKind::kCharacter, {});
  root_paragraph_ = FindStyle(db, ws, StyleKind::kParagraph, {});
}

Attribute StyleReader::Resolve(AttrKind kind, const AttributeList& co, UID cs,
                               const AttributeList& po, UID ps) const {
  if (const Attribute* a = co.Find(kind)) return *a;
  if (const Attribute* a = resolver_.FromStyle(cs ? cs : root_character_, kind)) return *a;
  if (const Attribute* a = po.Find(kind)) return *a;
  if (const Attribute* a = resolver_.FromStyle(ps ? ps : root_paragraph_, kind)) return *a;
  if (const Attribute* a = resolver_.FromStyle(root_paragraph_, kind)) return *a;
  return *BuiltInDefaults().Find(kind);
}

Ink StyleReader::Swatch(UID swatch) const {
  return SwatchInk(db_, swatch, BlackInk());
}

QString StyleReader::FamilyName(UID uid) const {
  auto [it, inserted] = families_.try_emplace(uid);
  if (inserted) {
    QString name;
    if (auto family = db_.Query<IFontFamily>(uid)) {
      // The catalogue's family when the system has it; else the name as asked for, which
      // fontconfig may still map to a metric-compatible family.
      name = ToQString(family->FamilyName().empty() ? family->Name() : family->FamilyName());
    }
    if (name.isEmpty()) name = ToQString(kFallbackFamily);
    it->second = name;
  }
  return it->second;
}

CharacterLook StyleReader::Build(const AttributeList& co, UID cs, const AttributeList& po,
                                 UID ps) const {
  using K = AttrKind;
  auto get = [&](K k) { return Resolve(k, co, cs, po, ps); };
  CharacterLook look;
  double size = Clamp(get(K::kPointSize).AsDouble(12), 0.1, 1296);
  double hscale = Clamp(get(K::kHorizontalScale).AsDouble(1), 0.01, 10);
  double vscale = Clamp(get(K::kVerticalScale).AsDouble(1), 0.01, 10);
  int32_t position = get(K::kPosition).AsInt(0);
  double rise = Clamp(get(K::kBaselineShift).AsDouble(0), -1296, 1296);
  double glyphSize = size;
  if (position == 1 || position == 2) {
    // Superscript and subscript: 58.3 % of the size, a third of the size up or down.
    glyphSize = size * 0.583;
    rise += (position == 1 ? 1 : -1) * size / 3;
  }
  QFont font = MakeFont(FamilyName(get(K::kFontFamily).AsUID()),
                        ToQString(get(K::kFontStyle).AsText()), glyphSize * vscale);
  int stretch = static_cast<int>(std::lround(100 * hscale / vscale));
  if (stretch != 100) font.setStretch(std::clamp(stretch, 1, 4000));
  switch (get(K::kCapitalisation).AsInt(0)) {
    case 1:
      font.setCapitalization(QFont::SmallCaps);
      break;
    case 2:
      font.setCapitalization(QFont::AllUppercase);
      break;
    case 3:
      font.setCapitalization(QFont::SmallCaps);
      look.allSmallCaps = true;
      break;
    default:
      break;
  }
  font.setUnderline(get(K::kUnderline).AsInt(0) != 0);
  font.setStrikeOut(get(K::kStrikethrough).AsInt(0) != 0);
  // Tracking and kerning are in ems of the size; both widen the letters' advance.
  double spacing = (get(K::kTracking).AsDouble(0) + get(K::kKerning).AsDouble(0)) * size;
  if (spacing != 0) font.setLetterSpacing(QFont::AbsoluteSpacing, Clamp(spacing, -size, 10 * size));
  look.format.setFont(font, QTextCharFormat::FontPropertiesAll);
  look.size = size * vscale;
  look.paint.ink = Swatch(get(K::kColour).AsUID());
  look.paint.stretch = font.stretch() > 0 ? font.stretch() / 100.0 : 1;
  look.paint.rise = rise;
  return look;
}

const CharacterLook& StyleReader::Character(const ITextModel& story, size_t index) {
  Key key{story.CharacterStyleAt(index), story.ParagraphStyleAt(index),
          story.CharacterOverridesAt(index), story.ParagraphOverridesAt(index)};
  auto it = looks_.find(key);
  if (it == looks_.end()) {
    auto look = std::make_unique<CharacterLook>(
        Build(key.charOverrides, key.charStyle, key.paraOverrides, key.paraStyle));
    it = looks_.emplace(std::move(key), std::move(look)).first;
  }
  return *it->second;
}

ParagraphLook StyleReader::Paragraph(const ITextModel& story, size_t index) {
  using K = AttrKind;
  const AttributeList& po = story.ParagraphOverridesAt(index);
  UID ps = story.ParagraphStyleAt(index);
  static const AttributeList kNone;
  // Paragraph attributes come from the paragraph's own levels only.
  auto get = [&](K k) { return Resolve(k, kNone, kInvalidUID, po, ps); };
  ParagraphLook p;
  p.alignment = std::clamp(get(K::kAlignment).AsInt(0), 0, 4);
  p.leftIndent = Clamp(get(K::kLeftIndent).AsDouble(0), -5000, 5000);
  p.firstLineIndent = Clamp(get(K::kFirstLineIndent).AsDouble(0), -5000, 5000);
  p.rightIndent = Clamp(get(K::kRightIndent).AsDouble(0), -5000, 5000);
  double leading = get(K::kLeading).AsDouble(kAutoLeading);
  p.leading = leading < 0 ? -1 : Clamp(leading, 0, 5000);
  p.keepWithNext = get(K::kKeepWithNext).AsInt(0) != 0;
  auto rule = [&](K on, K width, K colour, K left, K right, K offset, K mode) {
    RuleLook r;
    r.on = get(on).AsInt(0) != 0;
    r.width = Clamp(get(width).AsDouble(1), 0, 1000);
    r.ink = Swatch(get(colour).AsUID());
    r.leftIndent = Clamp(get(left).AsDouble(0), -5000, 5000);
    r.rightIndent = Clamp(get(right).AsDouble(0), -5000, 5000);
    r.offset = Clamp(get(offset).AsDouble(0), -5000, 5000);
    r.mode = get(mode).AsInt(kRuleToColumn);
    return r;
  };
  p.above = rule(K::kRuleAboveOn, K::kRuleAboveWidth, K::kRuleAboveColour, K::kRuleAboveLeftIndent,
                 K::kRuleAboveRightIndent, K::kRuleAboveOffset, K::kRuleAboveMode);
  p.below = rule(K::kRuleBelowOn, K::kRuleBelowWidth, K::kRuleBelowColour, K::kRuleBelowLeftIndent,
                 K::kRuleBelowRightIndent, K::kRuleBelowOffset, K::kRuleBelowMode);
  return p;
}

}  // namespace tarvelin
