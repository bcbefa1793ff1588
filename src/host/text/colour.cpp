#include "host/text/colour.h"

#include <algorithm>

namespace tarvelin {

ColourSpace ColourSpaceOfModel(int32_t model) {
  switch (model) {
    case 0:
      return ColourSpace::kLab;
    case 2:
      return ColourSpace::kRgb;
    default:
      return ColourSpace::kCmyk;
  }
}

size_t ComponentCount(ColourSpace space) {
  return space == ColourSpace::kCmyk ? 4 : 3;
}

const char* ColourSpaceName(ColourSpace space) {
  switch (space) {
    case ColourSpace::kRgb:
      return "RGB";
    case ColourSpace::kLab:
      return "LAB";
    case ColourSpace::kCmyk:
      break;
  }
  return "CMYK";
}

Colour Colour::Make(ColourSpace space, std::span<const float> components, bool process) {
  Colour c;
  c.space = space;
  c.process = process;
  size_t n = std::min(components.size(), ComponentCount(space));
  for (size_t i = 0; i < n; ++i) c.components[i] = components[i] == 0.0f ? 0.0f : components[i];
  return c;
}

bool Colour::Matches(ColourSpace s, std::span<const float> c) const {
  if (s != space) return false;
  size_t n = ComponentCount(space);
  if (c.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (components[i] != c[i]) return false;
  return true;
}

}  // namespace tarvelin
