// Composition and fitting as the host sees them: a platform service implemented with Qt
// in src/layout (QtLayoutService), so that the engine and the host's own logic can compose
// stories and fit frames without Qt.
//
// Composition places every story that has frames into its column frames with real font
// metrics and records, apart from the document model, which text each column holds and
// where each inline frame stands in its line. Composing a document registers the result
// as the document's ColumnSpans, so StoryFrameList and ColumnHoldingIndex answer "the
// text frame that holds index i" from it. The service must outlive the documents it has
// composed, or Release them first.
//
// Fit types, as the fitting dispatcher numbers them:
//
//   type  operation                                      acts on
//   0     content to frame: the picture takes the        the frame's picture
//         frame's bounds (its proportions may change)
//   1     frame to content: a text frame's height        the frame
//         becomes its composed text plus insets (width
//         kept); a picture frame takes its picture's
//         bounds
//   2     centre content: the picture is centred in      the frame's picture
//         the frame at its size
//   3     content proportionally: the picture is         the frame's picture
//         scaled to fit inside the frame, centred
//   4     fill proportionally: the picture is scaled     the frame's picture
//         to cover the frame, centred (parts are cut)
//   5     frame to picture height: the frame's height    the frame
//         becomes its picture's, width unchanged
//   6     picture to width: the picture is scaled to     the frame's picture,
//         `width` keeping its proportions, then type 1    then the frame
//
// Every change is made through page-item commands, so it joins the caller's command
// sequence and undoes with it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "host/documents/page_item.h"
#include "host/objects/error_code.h"
#include "host/objects/uid.h"

namespace tarvelin {

class Document;

enum class FitType : int32_t {
  kContentToFrame = 0,
  kFrameToContent = 1,
  kCentreContent = 2,
  kContentProportionally = 3,
  kFillProportionally = 4,
  kFrameToPictureHeight = 5,
  kPictureToWidth = 6,
};

struct ComposeOptions {
  // A story (usually the document's main story) for which pages with threaded frames are
  // added, copies of its last frame on pages of the document's setup, until it fits;
  // kInvalidUID adds nothing. Adding stops when a new frame takes no text (an item too
  // large for any frame) or at kMaxAddedPages.
  UID growStory = kInvalidUID;
  static constexpr int32_t kMaxAddedPages = 5000;
  // False for a run that only draws the pages: composition keeps no layout data for the
  // paragraphs it has placed, and drawing lays each out again (the same lines, the same
  // glyphs). Hit-testing and carets need them kept.
  bool keepLayouts = true;
  // True for a run that draws nothing: only growStory is composed (the pages it needs do
  // not depend on how the other stories are laid out).
  bool growStoryOnly = false;
};

struct StoryFit {
  bool composed = false;    // the story has frames and was composed
  bool overset = false;     // text remains after the last column
  int32_t composedEnd = 0;  // index after the last unit placed in a column
};

// The width of every column when they are all as wide (within a millionth of a point).
std::optional<double> UniformColumnWidth(const std::vector<ColumnFrame>& columns);
// The width of the column ColumnHoldingIndex finds for `index`; nullopt without columns.
std::optional<double> WidthOfColumnHolding(const std::vector<ColumnFrame>& columns, int32_t index);

class LayoutService {
 public:
  virtual ~LayoutService() = default;

  // Composes every story of the document that has frames and registers the result as
  // the document's column spans. kInvalidArgument for a document whose stories cannot be
  // read; pages added for growStory are made by commands.
  virtual ErrorCode Compose(Document& doc, const ComposeOptions& options = {}) = 0;
  // What the last Compose found for a story.
  virtual StoryFit StoryState(const Document& doc, UID story) const = 0;
  // Applies a fit type to one frame. kInvalidArgument for a frame that is not a frame,
  // kNotFound when the type needs a picture (0, 2 to 6) and the frame has none, or needs
  // text or a picture (1) and has neither.
  virtual ErrorCode Fit(Document& doc, const UIDRef& frame, FitType type, double width = 0) = 0;
  // The width of the column that holds `index` of the story once it is composed (the
  // column ColumnHoldingIndex finds in StoryFrameList after Compose); nullopt when the
  // story has no frames. When its columns are all as wide, without composing. This one
  // composes the whole document otherwise (and registers it); a service may compose less
  // for the same answer.
  virtual std::optional<double> ColumnWidthAt(Document& doc, UID story, int32_t index);
  // Forgets the composition of a document and unregisters it from the document.
  virtual void Release(Document& doc) = 0;
};

}  // namespace tarvelin
