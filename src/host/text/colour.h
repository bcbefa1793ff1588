// The host's one colour type: what a swatch, a box definition's fill or border, a
// tagged-text colour definition and an ink of the renderer all carry to every output
// (the screen, PNG, the PDF writer, IDML, JSON).
//
// A colour has one of the host colour spaces, numbered as documents store them (RGB 5,
// CMYK 6, LAB 7), components (CMYK uses four, the others three; unused components are 0)
// and is a process or a spot colour. Components are compared exactly. CMYK and RGB
// components are fractions 0..1, Lab is L* 0..100 with a* and b* (D50).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tarvelin {

enum class ColourSpace : uint8_t { kRgb = 5, kCmyk = 6, kLab = 7 };

// Colour models as callers number them: 0 LAB, 1 CMYK, 2 RGB; anything else is CMYK.
ColourSpace ColourSpaceOfModel(int32_t model);
size_t ComponentCount(ColourSpace space);
// "RGB", "CMYK" or "LAB": the name every output (JSON, IDML, the panels) gives the space.
const char* ColourSpaceName(ColourSpace space);

struct Colour {
  ColourSpace space = ColourSpace::kCmyk;
  std::array<float, 4> components{};
  bool process = true;

  // Unused components set to 0.
  static Colour Make(ColourSpace space, std::span<const float> components, bool process = true);
  bool Matches(ColourSpace s, std::span<const float> c) const;
  friend bool operator==(const Colour&, const Colour&) = default;
};

}  // namespace tarvelin
