// Every change of page items, as commands. Each function builds one command, processes
// it at once through the document's command processor and returns its error code; a
// failing command leaves the document as it was. Inside a command sequence they join the
// sequence, so a whole import undoes in one step.
//
// Lists of items: the command applies to every item; an item that is not a frame (for
// the frame attributes) fails the whole command with kInvalidArgument.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/application/image_probe.h"
#include "host/documents/document_geometry.h"
#include "host/documents/page_item.h"
#include "host/objects/error_code.h"
#include "host/objects/uid.h"

namespace tarvelin {

class Document;

// A rectangular frame with no content on `spreadLayer`, in front of its items.
ErrorCode CreateRectangleFrame(Document& doc, const UIDRef& spreadLayer, const PMRect& bounds,
                               UIDRef* out = nullptr);
// A text frame with a new, empty story (listed in the document), n columns.
ErrorCode CreateTextFrame(Document& doc, const UIDRef& spreadLayer, const PMRect& bounds,
                          int32_t columns, double gutter, UIDRef* out = nullptr);

// Moves and resizes an item. An image item inside is not moved; use SetImageBounds.
ErrorCode SetBounds(Document& doc, const UIDRef& item, const PMRect& bounds);
// The picture's bounds (position and, through its natural size, its scale).
ErrorCode SetImageBounds(Document& doc, const UIDRef& frame, const PMRect& bounds);

ErrorCode SetFillSwatch(Document& doc, const UIDList& frames, UID swatch);
ErrorCode SetStrokeSwatch(Document& doc, const UIDList& frames, UID swatch);
ErrorCode SetStrokeWeight(Document& doc, const UIDList& frames, double weight);
ErrorCode SetTextInsets(Document& doc, const UIDList& frames, const Insets& insets);
ErrorCode SetTextWrap(Document& doc, const UIDList& frames, WrapMode mode, const Insets& offsets);
// 1..64 columns; the frame need not hold text yet (the setting waits for it).
ErrorCode SetColumns(Document& doc, const UIDList& frames, int32_t columns, double gutter);
// Sets the style's defined attributes on each frame and records the style.
ErrorCode ApplyObjectStyle(Document& doc, const UIDList& frames, UID style);

// Links `to` after `from` in from's thread: `to` shows the rest of from's story. `to` must
// be a free frame that is not threaded; an empty story of its own is deleted, a story with
// text refuses (kInvalidArgument).
ErrorCode ThreadFrames(Document& doc, const UIDRef& from, const UIDRef& to);

// ThreadFrames for many frames threaded into one story (pages added while it grows), with
// exactly its results. ThreadFrames walks the threads of the story and of the stories it
// is anchored in for every frame; a frame it threads is never inline, so those walks give
// the same answer each time, and the appender makes them once. Between appends nothing
// else may anchor, unanchor or thread frames.
class ThreadAppender {
 public:
  ThreadAppender(Document& doc, UID story);
  // ThreadFrames(after, frame); `after` shows the story.
  ErrorCode Append(const UIDRef& after, const UIDRef& frame);

 private:
  Document& doc_;
  UID story_;
  std::vector<UID> chain_;  // the story, then each story its frames are anchored in
  bool nestingOk_;
};

// Makes an empty or picture frame a text frame with a new story (a picture is removed).
// A text frame stays as it is.
ErrorCode ConvertToTextFrame(Document& doc, const UIDRef& frame);

// Replaces the frame's content by the image: a text frame's story (if the frame is its
// only frame) and any picture are deleted. The image item lies at the frame's top-left at
// 100 %. `info` comes from ImageProbe; an image that could not be read, or whose size is
// not positive and finite, is refused with kInvalidArgument.
ErrorCode PlaceImage(Document& doc, const UIDRef& frame, const std::string& file,
                     const ImageInfo& info);

// Probes the file through the platform's image service and places it. On failure the
// frame is unchanged and `message` (when given) says why in English: the file is missing,
// is not an image the platform reads, or is too large to place.
ErrorCode PlaceImageFile(Document& doc, const UIDRef& frame, const std::string& file,
                         const ImageProbe& probe, std::string* message = nullptr);

// Inserts U+FFFC at `index` of `story` anchoring `frame` there, and detaches the frame
// from its spread layer. The frame must be a free frame that is not threaded and is not
// the story's own frame (kInvalidArgument).
ErrorCode ChangeToInline(Document& doc, const UIDRef& story, int32_t index, const UIDRef& frame);

// Deletes page items with everything they hold: pictures, a story whose last frame goes,
// and the inline frames anchored in that story. An inline item is deleted by deleting its
// anchor character. Threads close over a deleted frame.
ErrorCode DeletePageItems(Document& doc, const UIDList& items);

// The inline-object deleter the story calls when text holding an anchor is deleted (it
// runs inside the story's command). Registered by RegisterDocumentClasses.
ErrorCode DeleteInlineObject(Database& db, UID item);

}  // namespace tarvelin
