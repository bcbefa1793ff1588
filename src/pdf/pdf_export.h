// A composed document written as one PDF: the screen PDF (RGB, as the screen shows the
// page), PDF/X-1a:2001 (CMYK, grey and spot colours only, PDF 1.3, no transparency) or
// PDF/X-4 (PDF 1.6 with XMP metadata; RGB and Lab kept in calibrated spaces).
//
// A press file carries what its standard requires: the output intent with the output
// profile embedded and its characterisation named, TrimBox and BleedBox on every page
// (the page itself: documents have no bleed), the document ID, /Trapped /False and the
// standard's version keys. A file that cannot meet its standard (a font that cannot be
// embedded) is not written.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "host/objects/error_code.h"
#include "layout/renderer.h"
#include "pdf/colour_management.h"
#include "pdf/pdf_canvas.h"

namespace tarvelin {
class CompositionState;
class Document;
}  // namespace tarvelin

namespace tarvelin::pdf {

struct PdfOptions {
  PdfStandard standard = PdfStandard::kScreen;
  // Required for PDF/X; unused for the screen.
  const OutputProfile* profile = nullptr;
  std::time_t created = 0;  // 0: now
};

struct PdfReport {
  std::vector<PlacedImage> images;  // every placement, in page order
  std::vector<std::string> fonts;   // the embedded fonts' names
  std::vector<std::string> spots;   // the Separations written
};

// kInvalidArgument for a document without pages or PDF/X without a profile, kFailure when
// an item cannot be written or the file cannot; `error` says why, naming item and page.
ErrorCode WritePdf(const Document& doc, const CompositionState& state,
                   const std::filesystem::path& file, const PdfOptions& options,
                   RenderReport& report, std::string* error, PdfReport* details = nullptr);

}  // namespace tarvelin::pdf
