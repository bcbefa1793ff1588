// Colour specifications of box definitions: the "fc" (fill) and "bc" (border) values.
//
// Value grammar, the first ':'-separated item deciding:
//
//   0 | 1 | 2 | 3                      a row of the default colour table (no colon)
//   SWATCHNAME:<name>                  a swatch by name; the name may hold further colons
//   LAB|CMYK|RGB:PROCESS|SPOT:a,b,c[,d] components as decimal numbers
//   anything else with a colon         colour space 0 (not set)
//
// Space words are compared exactly (case-sensitive).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvelin {

// The numbers of ColourSpec::colourSpace, as box definitions and the JSON give them; the
// host's ColourSpace (host/text/colour.h) is what a frame gets.
enum ColourSpecSpace : int32_t {
  kColourSpaceNotSet = 0,
  kColourSpaceSwatch = 1,
  kColourSpaceLab = 2,
  kColourSpaceCmyk = 3,
  kColourSpaceRgb = 4,
};

struct ColourSpec {
  std::u16string swatchName;
  // For CMYK: cyan, magenta, yellow, black, each 0..1.
  std::array<float, 4> components{};
  int32_t colourSpace = kColourSpaceNotSet;
  // 1 process colour, 0 spot colour.
  int32_t processFlag = 0;

  bool operator==(const ColourSpec&) const = default;
};

// The four built-in colours addressed as "0" to "3"; built once, never changed.
const std::array<ColourSpec, 4>& DefaultColourTable();

// Decodes one "fc" or "bc" value into the colour specification; fields the value does not mention
// keep what they held. Missing parts of a value that names a space are reported to the import log
// and the diagnostics channel; the space is set all the same.
void ParseColour(ColourSpec& colourSpec, std::u16string_view value);

}  // namespace tarvelin
