// The fit operations of the fit types (host/application/layout_service.h): frame to content,
// content to frame, centring, proportional fitting and filling, frame to picture height, picture to
// a width. The geometry is worked out by pure functions (tested apart); applying it goes through
// the page-item commands.
#pragma once

#include <optional>

#include "host/application/layout_service.h"
#include "host/documents/document_geometry.h"
#include "host/objects/error_code.h"
#include "host/objects/uid.h"

namespace tarvelin {

class Composer;
class Document;

// Where a picture goes for the fit types that move or scale it (0, 2, 3, 4, 6): from the
// frame's bounds, the picture's bounds and its natural size. Nullopt when the sizes do
// not allow it (a picture or natural size that is not positive, a width that is not).
std::optional<PMRect> FittedPictureBounds(FitType type, const PMRect& frame, const PMRect& picture,
                                          double naturalWidth, double naturalHeight,
                                          double width = 0);

// The height a text frame needs for its text: composed text height plus the top and
// bottom insets. With several columns, the least height at which the text fits them
// (found by halving; within 0.05 pt).
double TextFrameContentHeight(Composer& composer, Document& doc, UID frame);

ErrorCode ApplyFit(Document& doc, Composer& composer, const UIDRef& frame, FitType type,
                   double width);

}  // namespace tarvelin
