// Preflight: what a newspaper checks on an ad's PDF before it goes to press. Each finding
// names its page and place; failures make the file unfit, notes only tell (the spot
// colours a file uses).
//
//   fonts        every font embedded
//   colours      no RGB or Lab (unless the file is PDF/X-4, which lets the press convert)
//   ink          no square of the page (2 mm a side) above the total ink limit, measured
//                on the separations Ghostscript renders (ink_coverage.h)
//   pictures     none below the minimum effective resolution
//   black text   small black text on the K plate only (no rich, RGB or grey black)
//   boxes        every page with a TrimBox (or ArtBox)
//
// The file is read with qpdf; the page contents are followed operator by operator, so
// positions and sizes are where they land on the page (form XObjects are not entered).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tarvelin::pdf {

struct PreflightLimits {
  double maxInk = 240;     // percent, the sum of all inks
  double inkSquareMm = 2;  // the side of the square the ink is averaged over
  double minPpi = 200;     // effective resolution of pictures
  double smallText = 12;   // points: text below this size must be on one plate
  bool cmykOnly = false;   // RGB and Lab fail even in a PDF/X-4 file
};

struct Finding {
  int32_t page = 0;   // 1-based; 0 for the file as a whole
  std::string place;  // "x 120.5 y 300 pt" from the page's lower left, or empty
  std::string message;
  bool failure = true;
};

struct PreflightResult {
  std::vector<Finding> findings;
  std::string error;  // the file could not be read at all
  bool Failed() const;
};

PreflightResult PreflightPdf(const std::filesystem::path& file, const PreflightLimits& limits);

}  // namespace tarvelin::pdf
