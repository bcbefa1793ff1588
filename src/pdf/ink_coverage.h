// Total ink coverage as a press measures it: over an area, not at a point. A one-point
// rich black hairline or a photo's darkest pixel does not flood the paper; a square
// millimetres wide of the same ink does.
//
// Ghostscript renders each page to its separations (the tiffsep device: every process and
// spot plate as grey levels, DeviceCMYK values unchanged) at a resolution where one pixel
// is a fifth of a millimetre; the inks of all plates are summed per pixel and the highest
// mean over any square of the given side is the page's peak. Everything on the page
// counts: fills, strokes, text and pictures, spot plates included.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tarvelin::pdf {

struct InkPeak {
  int32_t page = 0;     // 1-based
  double percent = 0;   // the sum of all inks, 400 % for four solid plates
  double x = 0, y = 0;  // the square's centre, points from the page's lower left
};

struct InkCoverage {
  std::vector<InkPeak> pages;  // one per page, in page order
  std::string error;           // Ghostscript missing or failing: nothing was measured
};

InkCoverage MeasureInkCoverage(const std::filesystem::path& pdf, double squareMm = 2);

}  // namespace tarvelin::pdf
