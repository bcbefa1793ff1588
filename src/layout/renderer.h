// Rendering of a composed document, page by page, onto a canvas: the screen and PNG here,
// the PDF writer of src/pdf through the same walk.
//
// A page shows what composition computed and nothing else: the page items of its spread
// in layer order, back to front, each frame with its fill, its content (the composed
// lines of its columns with the inline frames inside them, drawn recursively, or its
// picture clipped by the frame) and its stroke, centred on the bounds. Text is drawn from
// the paragraphs' layouts at the positions composition gave the lines, or from the glyphs
// a composition that kept no layouts kept instead, so nothing is laid out twice; the
// stand-ins of inline frames are never drawn.
#pragma once

#include <QImage>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/objects/error_code.h"

class QPainter;

namespace tarvelin {

class CompositionState;
class Document;
class PageCanvas;
struct PageRef;

struct RenderReport {
  int32_t pages = 0;
  // Pictures that could not be read (drawn as a crossed box), once per file.
  std::vector<std::string> warnings;
  std::vector<std::filesystem::path> files;  // what was written
};

// Walks pages onto canvases; each picture is read once for all the pages drawn.
class PageDrawer {
 public:
  PageDrawer(const Document& doc, const CompositionState& state, RenderReport& report);
  ~PageDrawer();
  PageDrawer(const PageDrawer&) = delete;
  PageDrawer& operator=(const PageDrawer&) = delete;

  void Draw(const PageRef& page, PageCanvas& canvas);

 private:
  class Walk;
  struct Pictures;
  // The path the picture was read from and its image (null when unreadable).
  const std::pair<std::filesystem::path, QImage>& Load(const std::u16string& file);

  const Document& doc_;
  const CompositionState& state_;
  RenderReport& report_;
  std::unique_ptr<Pictures> pictures_;
  int32_t page_number_ = 0;  // 1-based, of the page being drawn: warnings name it
};

// Paints one page in points, its top-left corner at the painter's origin.
void PaintPage(QPainter& painter, const Document& doc, const CompositionState& state,
               const PageRef& page, RenderReport& report);

inline constexpr double kMinDpi = 1;
inline constexpr double kMaxDpi = 2400;
// A PNG larger than this many pixels on a side is refused.
inline constexpr int kMaxPixelSide = 30000;

// Writes page-001.png, page-002.png, ... into `folder` (made when missing) at `dpi`.
ErrorCode RenderPng(const Document& doc, const CompositionState& state,
                    const std::filesystem::path& folder, double dpi, RenderReport& report,
                    std::string* error);

}  // namespace tarvelin
