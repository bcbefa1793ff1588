// A page of a PDF drawn as a content stream, and the resources the pages share.
//
// The page's coordinates are the layout's (points, origin top left, y down): the stream
// starts by flipping the PDF's y axis, and text undoes the flip in its text matrix. Each
// glyph run becomes one text object that places every glyph where the layout put it: the
// first by its text matrix, the next by the font's advance, and by a TJ adjustment where
// that falls more than a device pixel at 2400 dpi from the layout's position.
//
// Inks become operators of the standard's colour spaces: the CMYK values of a swatch are
// written as they are (so 100 % K text lands on the black plate only), a spot swatch is a
// Separation named after the swatch with its CMYK values as the alternate.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "layout/page_canvas.h"
#include "pdf/colour_management.h"
#include "pdf/font_set.h"
#include "pdf/pdf_file.h"

namespace tarvelin::pdf {

// A picture on a page and the resolution it is printed at.
struct PlacedImage {
  int32_t page = 0;  // 1-based
  std::string file;
  double ppi = 0;  // the lower of the horizontal and vertical effective resolution
  bool rgb = false;
};

class PdfResources {
 public:
  PdfResources(PdfFile& file, PdfStandard standard, const OutputProfile* profile);

  PdfFile& file;
  const PdfStandard standard;
  const OutputProfile* const profile;
  FontSet fonts;
  std::vector<PlacedImage> images;
  std::string error;  // the first item that cannot go into the file

  struct Named {
    std::string resource;
    int32_t object = 0;
    int32_t width = 0, height = 0;  // images only
    bool rgb = false;
  };
  const Named* Image(const Picture& picture);
  // The Separation of a spot ink, made on first use.
  const Named& Separation(const Ink& ink);
  // PDF/X-4's ICCBased sRGB and Lab colour spaces.
  const Named& RgbSpace();
  const Named& LabSpace();
  std::vector<std::string> SeparationNames() const;

 private:
  std::unordered_map<std::string, Named> images_;
  std::map<std::string, Named> separations_;
  Named rgb_, lab_;
  int32_t colour_spaces_ = 0;
};

class PdfCanvas final : public PageCanvas {
 public:
  PdfCanvas(PdfResources& resources, int32_t pageNumber, double pageHeight);

  void Save() override;
  void Restore() override;
  void Translate(double dx, double dy) override;
  void Clip(const QRectF& rect) override;
  void FillRect(const QRectF& rect, const Ink& ink) override;
  void StrokeRect(const QRectF& rect, const Ink& ink, double weight) override;
  void Line(QPointF from, QPointF to, const Ink& ink, double weight) override;
  void Glyphs(QPointF origin, const GlyphRunView& run, const Ink& ink, double stretch) override;
  void Image(const QRectF& target, const Picture& picture) override;

  const std::string& Content() const { return content_; }
  // The page's /Resources dictionary.
  std::string ResourceDictionary() const;

 private:
  void SetInk(const Ink& ink, bool stroke);
  void Rect(const QRectF& r);
  void Num(double v, int decimals = 3);

  PdfResources& res_;
  const int32_t page_;
  std::string content_;
  struct State {
    std::string fill, stroke;  // the colour operators in force
    double lineWidth = -1;
  };
  std::vector<State> states_{State{}};
  std::map<std::string, int32_t> fonts_, images_, spaces_;
};

}  // namespace tarvelin::pdf
