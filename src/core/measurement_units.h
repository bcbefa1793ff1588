// Measurements written as text, converted to points (1/72 inch).
//
// The units are tried in a fixed order; the first one that accepts the whole text gives
// the value. Points come first, so a bare number is points.
//
//   unit         accepted forms (suffix case-insensitive, blanks around allowed)
//   Points       12  12pt  12 pt  12points
//   Picas        2p  1p6  p6  2pica  1.5p          (picas, then points)
//   Inches       1in  1inch  1i  1"
//   Millimeters  2mm
//   Centimeters  2cm
//   Ciceros      2c  1c6  c6  2cicero           (ciceros, then Didot points)
//   Agates       10ag  10agate
//   Pixels       10px
//   Q            8q
//   Ha           8h  8ha
//
// A value may carry a sign ('-', '+', U+2212) and a decimal part ('.' or ',').
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace tarvelin {

class MeasurementUnit {
 public:
  constexpr MeasurementUnit(std::string_view name, double pointsPerUnit,
                            std::span<const std::string_view> suffixes, char16_t subunitMark,
                            double pointsPerSubunit, bool suffixOptional)
      : name_(name),
        pointsPerUnit_(pointsPerUnit),
        suffixes_(suffixes),
        subunitMark_(subunitMark),
        pointsPerSubunit_(pointsPerSubunit),
        suffixOptional_(suffixOptional) {}

  std::string_view Name() const { return name_; }
  double PointsPerUnit() const { return pointsPerUnit_; }
  // The short form a value is shown with ("pt", "mm"): the same in every language.
  std::string_view Abbreviation() const { return suffixes_.empty() ? name_ : suffixes_.front(); }
  // The value in points when this unit accepts the whole text; nullopt otherwise.
  std::optional<double> ParseToPoints(std::u16string_view text) const;

 private:
  std::optional<double> ParseCompound(std::u16string_view body) const;

  std::string_view name_;
  double pointsPerUnit_;
  std::span<const std::string_view> suffixes_;  // lower case ASCII
  // For units written "<whole><mark><subunits>" (picas, ciceros): the mark, else 0.
  char16_t subunitMark_;
  double pointsPerSubunit_;
  bool suffixOptional_;
};

// The units in the order they are tried.
std::span<const MeasurementUnit> MeasurementUnits();

// The text in points. Text that no unit accepts gives 0 and sets *error (when given);
// *error is cleared on success. Each unit's name goes to the diagnostics channel while
// it is tried.
float MeasurementToPoints(std::u16string_view text, bool* error = nullptr);

}  // namespace tarvelin
