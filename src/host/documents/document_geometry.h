// Geometry of the layout side: rectangles and inset quadruples, in points.
//
// Coordinates are spread coordinates: the origin is the top-left corner of the spread's
// first page, x grows to the right and y downwards; the pages of a spread stand side by
// side without a gap. A page item's bounds are its outer rectangle in these coordinates
// (an inline item's bounds give its size; composition places it).
#pragma once

#include <array>
#include <cmath>

namespace tarvelin {

struct PMRect {
  double left = 0, top = 0, right = 0, bottom = 0;

  double Width() const { return right - left; }
  double Height() const { return bottom - top; }
  // Finite and not inverted (an empty rectangle is allowed).
  bool IsValid() const {
    return std::isfinite(left) && std::isfinite(top) && std::isfinite(right) &&
           std::isfinite(bottom) && right >= left && bottom >= top;
  }
  bool Contains(double x, double y) const {
    return x >= left && x <= right && y >= top && y <= bottom;
  }
  friend bool operator==(const PMRect&, const PMRect&) = default;
};

// Left, top, right, bottom: text insets, margins, wrap offsets.
struct Insets {
  double left = 0, top = 0, right = 0, bottom = 0;

  bool IsValid() const {
    return std::isfinite(left) && std::isfinite(top) && std::isfinite(right) &&
           std::isfinite(bottom);
  }
  std::array<double, 4> ToArray() const { return {left, top, right, bottom}; }
  friend bool operator==(const Insets&, const Insets&) = default;
};

// `r` shrunk by `in` on each side; may come out inverted when the insets are too large.
inline PMRect Deflate(const PMRect& r, const Insets& in) {
  return {r.left + in.left, r.top + in.top, r.right - in.right, r.bottom - in.bottom};
}

}  // namespace tarvelin
