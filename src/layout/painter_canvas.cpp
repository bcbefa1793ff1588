#include <QGlyphRun>
#include <QPainter>
#include <QPen>

#include "layout/composer_style.h"
#include "layout/page_canvas.h"

namespace tarvelin {

void PainterCanvas::Save() {
  p_.save();
}

void PainterCanvas::Restore() {
  p_.restore();
}

void PainterCanvas::Translate(double dx, double dy) {
  p_.translate(dx, dy);
}

void PainterCanvas::Clip(const QRectF& rect) {
  p_.setClipRect(rect, p_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

void PainterCanvas::FillRect(const QRectF& rect, const Ink& ink) {
  p_.fillRect(rect, ColourOf(ink.colour));
}

void PainterCanvas::StrokeRect(const QRectF& rect, const Ink& ink, double weight) {
  QPen pen(ColourOf(ink.colour), weight);
  pen.setJoinStyle(Qt::MiterJoin);
  p_.save();
  p_.setPen(pen);
  p_.setBrush(Qt::NoBrush);
  p_.drawRect(rect);
  p_.restore();
}

void PainterCanvas::Line(QPointF from, QPointF to, const Ink& ink, double weight) {
  QPen pen(ColourOf(ink.colour), weight);
  pen.setCapStyle(Qt::FlatCap);
  p_.save();
  p_.setPen(pen);
  p_.drawLine(from, to);
  p_.restore();
}

void PainterCanvas::Glyphs(QPointF origin, const GlyphRunView& run, const Ink& ink, double) {
  QList<quint32> ids(static_cast<qsizetype>(run.count));
  QList<QPointF> positions(static_cast<qsizetype>(run.count));
  for (size_t i = 0; i < run.count; ++i) {
    ids[static_cast<qsizetype>(i)] = run.ids[i];
    positions[static_cast<qsizetype>(i)] = QPointF(run.x + run.steps[i] / 64.0, run.baseline);
  }
  QGlyphRun glyphs;
  glyphs.setRawFont(run.font);
  glyphs.setGlyphIndexes(ids);
  glyphs.setPositions(positions);
  glyphs.setUnderline(run.decorations & kUnderline);
  glyphs.setStrikeOut(run.decorations & kStrikeOut);
  glyphs.setOverline(run.decorations & kOverline);
  // The font engine behind the run applies the stretch itself.
  p_.setPen(ColourOf(ink.colour));
  p_.drawGlyphRun(origin, glyphs);
}

void PainterCanvas::Image(const QRectF& target, const Picture& picture) {
  if (picture.image) p_.drawImage(target, *picture.image);
}

}  // namespace tarvelin
