// Where things stand on a composed page, for the view: the frame under a point (inline
// frames inside text and frames inside groups included), the bounds of any frame in
// spread coordinates, and the story index under a point of a text frame and back.
//
// An inline frame's bounds give only its size; its place is where composition put it in
// its line, in the coordinates of the frame that shows its anchor, which may itself be
// inline. Every lookup here walks the same chain the renderer draws.
#pragma once

#include <QRectF>
#include <optional>

#include "host/documents/document_geometry.h"
#include "host/documents/spread.h"
#include "host/objects/uid.h"

namespace tarvelin {
class CompositionState;
class Document;
}  // namespace tarvelin

namespace tarvelin::studio {

// The item's outer rectangle in spread coordinates; nullopt for an item that is not
// placed (an inline frame whose anchor was not composed).
std::optional<PMRect> PlacedBounds(const Document& doc, const CompositionState& state, UID item);

// The front-most, innermost page item at (x, y) of the page, in spread coordinates;
// kInvalidUID when there is none.
UID ItemAt(const Document& doc, const CompositionState& state, const PageRef& page, double x,
           double y);

// The text frame (or the text frame holding the inline frame) under the point whose
// story is composed, and the story index nearest to the point.
struct TextHit {
  UID frame = kInvalidUID;
  UID story = kInvalidUID;
  int32_t index = 0;
};
std::optional<TextHit> TextAt(const Document& doc, const CompositionState& state,
                              const PageRef& page, double x, double y);

// The caret line before story index `index`, in spread coordinates; nullopt when the
// index is not in a composed column.
std::optional<QRectF> CaretRect(const Document& doc, const CompositionState& state, UID story,
                                int32_t index);

}  // namespace tarvelin::studio
