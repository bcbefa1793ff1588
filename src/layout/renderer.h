// Rendering of a composed document, page by page, to PDF (vector text with embedded
// fonts, images at their full resolution) and to PNG.
//
// A page shows what composition computed and nothing else: the page items of its spread
// in layer order, back to front, each frame with its fill, its content (the composed
// lines of its columns with the inline frames inside them, drawn recursively, or its
// picture clipped by the frame) and its stroke, centred on the bounds. Text is drawn from
// the paragraphs' layouts at the positions composition gave the lines; the stand-ins of
// inline frames are never drawn.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "host/objects/error_code.h"

class QPainter;

namespace tarvelin {

class CompositionState;
class Document;
struct PageRef;

struct RenderReport {
  int32_t pages = 0;
  // Pictures that could not be read (drawn as a crossed box), once per file.
  std::vector<std::string> warnings;
  std::vector<std::filesystem::path> files;  // what was written
};

// Paints one page in points, its top-left corner at the painter's origin.
void PaintPage(QPainter& painter, const Document& doc, const CompositionState& state,
               const PageRef& page, RenderReport& report);

inline constexpr double kMinDpi = 1;
inline constexpr double kMaxDpi = 2400;
// A PNG larger than this many pixels on a side is refused.
inline constexpr int kMaxPixelSide = 30000;

// Writes every page into one PDF; the file appears whole or not at all (written beside
// it and renamed). kInvalidArgument for a document without pages, kFailure when the file
// cannot be written; `error` says why.
ErrorCode RenderPdf(const Document& doc, const CompositionState& state,
                    const std::filesystem::path& file, RenderReport& report, std::string* error);

// Writes page-001.png, page-002.png, ... into `folder` (made when missing) at `dpi`.
ErrorCode RenderPng(const Document& doc, const CompositionState& state,
                    const std::filesystem::path& folder, double dpi, RenderReport& report,
                    std::string* error);

}  // namespace tarvelin
