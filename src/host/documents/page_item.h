// Page items: rectangular graphic frames (empty, text or picture) and image items.
//
// A frame is an object of kGraphicFrameClass. Its content is one of:
//   empty    no story and no child
//   text     a story (ITextFrame::Story); the frame shows it in Columns() columns
//   picture  one child, an image item (kImageItemClass) with its own bounds
// A free frame's parent is a spread layer; an inline frame has no parent and names the
// story whose U+FFFC anchor holds it (IPageItem::AnchorStory); an image item's parent is
// its frame.
//
// Geometry (points, spread coordinates, document_geometry.h):
//   bounds        the frame's outer rectangle; the stroke is centred on it
//   insets        text insets: the text area is bounds deflated by them
//   columns       n >= 1 columns of equal width w = (text width - (n - 1) * gutter) / n;
//                 column i spans x = text.left + i * (w + gutter) .. + w, the text
//                 area's full height
//   wrap          how other frames' text flows round this item: mode, and offsets that
//                 widen the item's bounds for that purpose
//   image bounds  where the picture lies; scale = image width / natural width (and
//                 height likewise); the frame clips it
//
// Persistent records:
//
//   IPageItem (kPageItemImpl)     IGraphicAttributes (kGraphicAttributesImpl)
//   --------------------------    ------------------------------------------
//   uint16 version (1)            uint16 version (1)
//   uint32 parent UID             uint32 fill swatch UID (0: none)
//   UIDs   children               uint32 stroke swatch UID (0: none)
//   PMRect bounds                 double stroke weight
//   uint32 anchor story UID       uint8  wrap mode
//                                 Insets wrap offsets
//                                 uint32 applied object style UID (0: none)
//
//   ITextFrame (kTextFrameImpl)   IImageItem (kImageItemImpl)
//   --------------------------    ------------------------------------------
//   uint16 version (1)            uint16 version (1)
//   uint32 story UID (0: none)    text   file path (as given when placed)
//   int32  columns                double natural width, height (points)
//   double gutter                 int32  pixel width, height
//   Insets text insets            text   format ("png", "jpeg", ...)
//   uint32 previous frame UID
//   uint32 next frame UID
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/documents/document_geometry.h"
#include "host/objects/interface.h"
#include "host/objects/uid.h"

namespace tarvelin {

class Database;
class Document;

class IPageItem : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0210};
  virtual UID Parent() const = 0;
  virtual void SetParent(UID parent) = 0;
  virtual const std::vector<UID>& Children() const = 0;
  virtual void SetChildren(std::vector<UID> children) = 0;
  virtual const PMRect& Bounds() const = 0;
  virtual void SetBounds(const PMRect& bounds) = 0;
  // The story whose anchor character holds this item; kInvalidUID when not inline.
  virtual UID AnchorStory() const = 0;
  virtual void SetAnchorStory(UID story) = 0;
};

// How text of other frames flows round an item. The numbers are stored.
enum class WrapMode : uint8_t {
  kNone = 0,
  kBoundingBox = 1,  // round the bounds plus offsets
  kContour = 2,      // round the picture's outline (treated as the bounds here)
  kJumpObject = 3,   // the lines beside the item are skipped
  kNextColumn = 4,   // text goes on in the next column
};
const char* WrapModeName(WrapMode mode);

class IGraphicAttributes : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0211};
  virtual UID FillSwatch() const = 0;
  virtual void SetFillSwatch(UID swatch) = 0;
  virtual UID StrokeSwatch() const = 0;
  virtual void SetStrokeSwatch(UID swatch) = 0;
  virtual double StrokeWeight() const = 0;
  virtual void SetStrokeWeight(double weight) = 0;
  virtual WrapMode Wrap() const = 0;
  virtual const Insets& WrapOffsets() const = 0;
  virtual void SetWrap(WrapMode mode, const Insets& offsets) = 0;
  virtual UID ObjectStyle() const = 0;
  virtual void SetObjectStyle(UID style) = 0;
};

class ITextFrame : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0212};
  static constexpr int32_t kMaxColumns = 64;
  virtual UID Story() const = 0;
  virtual void SetStory(UID story) = 0;
  virtual int32_t Columns() const = 0;
  virtual double Gutter() const = 0;
  virtual void SetColumns(int32_t columns, double gutter) = 0;
  virtual const Insets& TextInsets() const = 0;
  virtual void SetTextInsets(const Insets& insets) = 0;
  virtual UID PreviousFrame() const = 0;
  virtual UID NextFrame() const = 0;
  virtual void SetThread(UID previous, UID next) = 0;
};

class IImageItem : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0213};
  virtual const std::u16string& File() const = 0;
  virtual double NaturalWidth() const = 0;
  virtual double NaturalHeight() const = 0;
  virtual int32_t PixelWidth() const = 0;
  virtual int32_t PixelHeight() const = 0;
  virtual const std::u16string& Format() const = 0;
  virtual void SetImage(std::u16string file, double widthPt, double heightPt, int32_t pixelWidth,
                        int32_t pixelHeight, std::u16string format) = 0;
};

enum class FrameKind { kEmpty, kText, kPicture };
const char* FrameKindName(FrameKind kind);

// What a frame holds; kEmpty for anything that is not a frame.
FrameKind KindOf(const Database& db, UID frame);
// The frame's image item, or kInvalidUID.
UID ImageOf(const Database& db, UID frame);
// Horizontal and vertical scale of an image item (1 when its natural size is 0).
std::pair<double, double> ImageScale(const Database& db, UID image);

// One column of a text frame.
struct ColumnFrame {
  UID frame = kInvalidUID;
  int32_t column = 0;
  PMRect bounds;       // the column's text area
  int32_t start = -1;  // the text it holds, when composition has said so
  int32_t end = -1;
};

// The columns of one frame, left to right.
std::vector<ColumnFrame> FrameColumns(const Database& db, UID frame);

// The story's frame list: every column of every frame of its thread, in thread order,
// with the composed ranges when the document has composition services. Empty when the
// story is not listed or has no frame.
std::vector<ColumnFrame> StoryFrameList(const Document& doc, UID story);

// The index into `list` of the column that holds text index `index`: the composed column
// whose range contains it, else the last composed column that starts at or before it,
// else column 0. -1 when the list is empty.
int32_t ColumnHoldingIndex(const std::vector<ColumnFrame>& list, int32_t index);

// The frames of a story's thread, head first (each frame once).
std::vector<UID> StoryThread(const Document& doc, UID story);
std::vector<UID> StoryThreadOf(const Database& db, UID story);

// The spread a page item lies on: its spread layer's spread; for an inline item the
// spread of the frame that shows its anchor story; for an image item its frame's.
// kInvalidUID when none (a frame not yet placed).
UID SpreadOf(const Document& doc, UID item);

// The spread layer an item belongs to, found the same way (an inline item's is that of
// the frame showing its anchor story): where frames made for it go. Null when none.
UIDRef SpreadLayerOf(const Document& doc, UID item);

}  // namespace tarvelin
