// The surface a page is drawn on. The renderer walks a page once and says what to draw
// in page points (origin top left, y down); each output (the screen and PNG through
// QPainter, the PDF writer) implements the few operations a page needs, so every output
// shows the same composition, glyph for glyph, with the swatches' own inks.
#pragma once

#include <QImage>
#include <QPointF>
#include <QRawFont>
#include <QRectF>
#include <filesystem>

#include "layout/composition_state.h"

class QPainter;

namespace tarvelin {

// A placed picture: the file it was read from (a writer may copy its data unchanged) and
// the decoded image.
struct Picture {
  std::filesystem::path file;
  const QImage* image = nullptr;
};

// Glyphs in one font on one baseline: glyph i stands at (x + steps[i] / 64, baseline) from
// the origin the canvas is given.
struct GlyphRunView {
  const QRawFont& font;
  const uint16_t* ids = nullptr;
  double x = 0;
  const uint16_t* steps = nullptr;
  size_t count = 0;
  double baseline = 0;
  uint8_t decorations = 0;  // kUnderline | kStrikeOut | kOverline
};

class PageCanvas {
 public:
  virtual ~PageCanvas() = default;
  // Save and Restore bracket changes of the transformation and the clip.
  virtual void Save() = 0;
  virtual void Restore() = 0;
  virtual void Translate(double dx, double dy) = 0;
  // Intersects the clip with the rectangle.
  virtual void Clip(const QRectF& rect) = 0;
  virtual void FillRect(const QRectF& rect, const Ink& ink) = 0;
  // Mitred corners, the pen centred on the rectangle's edges.
  virtual void StrokeRect(const QRectF& rect, const Ink& ink, double weight) = 0;
  // Flat ends.
  virtual void Line(QPointF from, QPointF to, const Ink& ink, double weight) = 0;
  // The glyphs at their positions moved by `origin`, in the run's font, horizontally
  // stretched by `stretch` around each glyph's origin, with the run's decorations.
  virtual void Glyphs(QPointF origin, const GlyphRunView& run, const Ink& ink, double stretch) = 0;
  virtual void Image(const QRectF& target, const Picture& picture) = 0;
};

// Draws through a QPainter in the colours the screen shows.
class PainterCanvas final : public PageCanvas {
 public:
  explicit PainterCanvas(QPainter& painter) : p_(painter) {}
  void Save() override;
  void Restore() override;
  void Translate(double dx, double dy) override;
  void Clip(const QRectF& rect) override;
  void FillRect(const QRectF& rect, const Ink& ink) override;
  void StrokeRect(const QRectF& rect, const Ink& ink, double weight) override;
  void Line(QPointF from, QPointF to, const Ink& ink, double weight) override;
  void Glyphs(QPointF origin, const GlyphRunView& run, const Ink& ink, double stretch) override;
  void Image(const QRectF& target, const Picture& picture) override;

 private:
  QPainter& p_;
};

}  // namespace tarvelin
