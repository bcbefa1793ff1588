// Conversion factors, as the desktop-publishing hosts publish them (all measures in
// PostScript points, 72 to the inch):
//   inch 72 pt; pica 12 pt; millimetre 72/25.4 pt; centimetre 72/2.54 pt;
//   pixel 1 pt (the hosts' 72 pixels per inch);
//   Q and Ha 0.25 mm (Japanese phototypesetting units);
//   agate 5.14 pt, the rounded agate line (1/14 inch) that the layout hosts use;
//   cicero 12 Didot points. The historical Didot point is 0.3759..0.376065 mm
//   (1.0655..1.0660 pt); we take the host's own conversion, which shows 12.75 in as
//   71c9.441, that is 918 pt / 71.786750 ci = 12.78788 pt per cicero (1.065656 pt per
//   Didot point), so values round-trip with documents made there.
#include "core/measurement_units.h"

#include <array>
#include <charconv>
#include <cmath>

#include "core/diagnostics.h"

namespace tarvelin {

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kPointsPerMillimetre = 72.0 / 25.4;
constexpr double kPointsPerCicero = 918.0 / (71.0 + 9.441 / 12.0);
constexpr double kPointsPerAgate = 5.14;
constexpr double kPointsPerQ = 0.25 * kPointsPerMillimetre;

// Longest number we read; longer digit strings are not measurements.
constexpr size_t kMaxNumberUnits = 64;

constexpr std::string_view kPointSuffixes[] = {"pt", "pts", "point", "points"};
constexpr std::string_view kPicaSuffixes[] = {"pica", "picas"};
constexpr std::string_view kInchSuffixes[] = {"in", "inch", "inches", "i", "\""};
constexpr std::string_view kMillimetreSuffixes[] = {"mm", "millimeter", "millimeters", "millimetre",
                                                    "millimetres"};
constexpr std::string_view kCentimetreSuffixes[] = {"cm", "centimeter", "centimeters", "centimetre",
                                                    "centimetres"};
constexpr std::string_view kCiceroSuffixes[] = {"cicero", "ciceros"};
constexpr std::string_view kAgateSuffixes[] = {"ag", "agate", "agates"};
constexpr std::string_view kPixelSuffixes[] = {"px", "pixel", "pixels"};
constexpr std::string_view kQSuffixes[] = {"q"};
constexpr std::string_view kHaSuffixes[] = {"h", "ha"};

constexpr std::array kUnits = {
    MeasurementUnit("Points", 1.0, kPointSuffixes, 0, 0, true),
    MeasurementUnit("Picas", 12.0, kPicaSuffixes, u'p', 1.0, false),
    MeasurementUnit("Inches", kPointsPerInch, kInchSuffixes, 0, 0, false),
    MeasurementUnit("Millimeters", kPointsPerMillimetre, kMillimetreSuffixes, 0, 0, false),
    MeasurementUnit("Centimeters", 10 * kPointsPerMillimetre, kCentimetreSuffixes, 0, 0, false),
    MeasurementUnit("Ciceros", kPointsPerCicero, kCiceroSuffixes, u'c', kPointsPerCicero / 12,
                    false),
    MeasurementUnit("Agates", kPointsPerAgate, kAgateSuffixes, 0, 0, false),
    MeasurementUnit("Pixels", 1.0, kPixelSuffixes, 0, 0, false),
    MeasurementUnit("Q", kPointsPerQ, kQSuffixes, 0, 0, false),
    MeasurementUnit("Ha", kPointsPerQ, kHaSuffixes, 0, 0, false),
};

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == 0x00A0;
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char16_t LowerAscii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c;
}

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// Reads an unsigned decimal number ("12", "1.5", ".5", "5.", "1,5") from the front of s
// and removes it. nullopt when s does not start with one.
std::optional<double> TakeNumber(std::u16string_view& s) {
  char buffer[kMaxNumberUnits + 2];
  size_t n = 0;
  size_t i = 0;
  bool digits = false;
  bool point = false;
  for (; i < s.size(); ++i) {
    char16_t c = s[i];
    if (IsDigit(c)) {
      digits = true;
    } else if ((c == u'.' || c == u',') && !point) {
      point = true;
      c = u'.';
    } else {
      break;
    }
    if (n == kMaxNumberUnits) return std::nullopt;
    buffer[n++] = static_cast<char>(c);
  }
  if (!digits) return std::nullopt;
  if (buffer[n - 1] == '.') --n;  // "5." is 5
  double value = 0;
  auto [end, ec] = std::from_chars(buffer, buffer + n, value);
  if (ec != std::errc() || end != buffer + n) return std::nullopt;
  s.remove_prefix(i);
  return value;
}

bool SuffixMatches(std::u16string_view text, std::string_view suffix) {
  if (text.size() != suffix.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (LowerAscii(text[i]) != static_cast<char16_t>(suffix[i])) return false;
  return true;
}

}  // namespace

std::optional<double> MeasurementUnit::ParseCompound(std::u16string_view body) const {
  std::u16string_view rest = body;
  std::optional<double> whole = TakeNumber(rest);
  if (rest.empty() || LowerAscii(rest.front()) != subunitMark_) return std::nullopt;
  rest.remove_prefix(1);
  std::optional<double> sub;
  if (!rest.empty()) {
    sub = TakeNumber(rest);
    if (!sub || !rest.empty()) return std::nullopt;
  }
  if (!whole && !sub) return std::nullopt;
  return whole.value_or(0) * pointsPerUnit_ + sub.value_or(0) * pointsPerSubunit_;
}

std::optional<double> MeasurementUnit::ParseToPoints(std::u16string_view text) const {
  std::u16string_view body = Trim(text);
  double sign = 1;
  if (!body.empty() && (body.front() == u'-' || body.front() == u'+' || body.front() == 0x2212)) {
    if (body.front() != u'+') sign = -1;
    body = Trim(body.substr(1));
  }
  std::optional<double> points;
  if (subunitMark_ != 0) points = ParseCompound(body);
  if (!points) {
    std::u16string_view rest = body;
    std::optional<double> value = TakeNumber(rest);
    if (!value) return std::nullopt;
    rest = Trim(rest);
    bool accepted = rest.empty() && suffixOptional_;
    for (size_t i = 0; !accepted && i < suffixes_.size(); ++i)
      accepted = SuffixMatches(rest, suffixes_[i]);
    if (!accepted) return std::nullopt;
    points = *value * pointsPerUnit_;
  }
  double result = sign * *points;
  if (!std::isfinite(result) || std::fabs(result) > 3.0e38) return std::nullopt;
  return result;
}

std::span<const MeasurementUnit> MeasurementUnits() {
  return kUnits;
}

float MeasurementToPoints(std::u16string_view text, bool* error) {
  for (const MeasurementUnit& unit : kUnits) {
    diag::Printf("%.*s\n", static_cast<int>(unit.Name().size()), unit.Name().data());
    if (std::optional<double> points = unit.ParseToPoints(text)) {
      if (error) *error = false;
      return static_cast<float>(*points);
    }
  }
  if (error) *error = true;
  return 0;
}

}  // namespace tarvelin
