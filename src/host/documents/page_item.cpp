#include "host/documents/page_item.h"

#include <unordered_set>

#include "core/stream.h"
#include "host/documents/document.h"
#include "host/documents/spread.h"
#include "host/objects/class_registry.h"
#include "host/objects/database.h"
#include "host/persistence/document_persist.h"

namespace tarvelin {

namespace {

class PageItemImpl final : public IPageItem, public PersistentImpl {
 public:
  UID Parent() const override { return parent_; }
  void SetParent(UID parent) override {
    PreDirty();
    parent_ = parent;
  }
  const std::vector<UID>& Children() const override { return children_; }
  void SetChildren(std::vector<UID> children) override {
    PreDirty();
    children_ = std::move(children);
  }
  const PMRect& Bounds() const override { return bounds_; }
  void SetBounds(const PMRect& bounds) override {
    PreDirty();
    bounds_ = bounds;
  }
  UID AnchorStory() const override { return anchor_; }
  void SetAnchorStory(UID story) override {
    PreDirty();
    anchor_ = story;
  }
  void ReadWrite(Stream& s, ImplementationID) override {
    uint16_t version = 1;
    s.XferInt16(version);
    s.XferInt32(parent_);
    persist::XferUIDs(s, children_);
    persist::XferRect(s, bounds_);
    s.XferInt32(anchor_);
  }

 private:
  UID parent_ = kInvalidUID;
  std::vector<UID> children_;
  PMRect bounds_;
  UID anchor_ = kInvalidUID;
};

class GraphicAttributesImpl final : public IGraphicAttributes, public PersistentImpl {
 public:
  UID FillSwatch() const override { return fill_; }
  void SetFillSwatch(UID swatch) override {
    PreDirty();
    fill_ = swatch;
  }
  UID StrokeSwatch() const override { return stroke_; }
  void SetStrokeSwatch(UID swatch) override {
    PreDirty();
    stroke_ = swatch;
  }
  double StrokeWeight() const override { return weight_; }
  void SetStrokeWeight(double weight) override {
    PreDirty();
    weight_ = weight;
  }
  WrapMode Wrap() const override { return wrap_; }
  const Insets& WrapOffsets() const override { return wrap_offsets_; }
  void SetWrap(WrapMode mode, const Insets& offsets) override {
    PreDirty();
    wrap_ = mode;
    wrap_offsets_ = offsets;
  }
  UID ObjectStyle() const override { return style_; }
  void SetObjectStyle(UID style) override {
    PreDirty();
    style_ = style;
  }
  void ReadWrite(Stream& s, ImplementationID) override {
    uint16_t version = 1;
    s.XferInt16(version);
    s.XferInt32(fill_);
    s.XferInt32(stroke_);
    persist::XferDouble(s, weight_);
    uint8_t wrap = static_cast<uint8_t>(wrap_);
    s.XferByte(wrap);
    wrap_ = wrap <= static_cast<uint8_t>(WrapMode::kNextColumn) ? static_cast<WrapMode>(wrap)
                                                                : WrapMode::kNone;
    persist::XferInsets(s, wrap_offsets_);
    s.XferInt32(style_);
  }

 private:
  UID fill_ = kInvalidUID;
  UID stroke_ = kInvalidUID;
  double weight_ = 0;
  WrapMode wrap_ = WrapMode::kNone;
  Insets wrap_offsets_;
  UID style_ = kInvalidUID;
};

class TextFrameImpl final : public ITextFrame, public PersistentImpl {
 public:
  UID Story() const override { return story_; }
  void SetStory(UID story) override {
    PreDirty();
    story_ = story;
  }
  int32_t Columns() const override { return columns_; }
  double Gutter() const override { return gutter_; }
  void SetColumns(int32_t columns, double gutter) override {
    PreDirty();
    columns_ = columns;
    gutter_ = gutter;
  }
  const Insets& TextInsets() const override { return insets_; }
  void SetTextInsets(const Insets& insets) override {
    PreDirty();
    insets_ = insets;
  }
  UID PreviousFrame() const override { return prev_; }
  UID NextFrame() const override { return next_; }
  void SetThread(UID previous, UID next) override {
    PreDirty();
    prev_ = previous;
    next_ = next;
  }
  void ReadWrite(Stream& s, ImplementationID) override {
    uint16_t version = 1;
    s.XferInt16(version);
    s.XferInt32(story_);
    s.XferInt32(columns_);
    persist::XferDouble(s, gutter_);
    persist::XferInsets(s, insets_);
    s.XferInt32(prev_);
    s.XferInt32(next_);
  }

 private:
  UID story_ = kInvalidUID;
  int32_t columns_ = 1;
  double gutter_ = 12;
  Insets insets_;
  UID prev_ = kInvalidUID;
  UID next_ = kInvalidUID;
};

class ImageItemImpl final : public IImageItem, public PersistentImpl {
 public:
  const std::u16string& File() const override { return file_; }
  double NaturalWidth() const override { return width_; }
  double NaturalHeight() const override { return height_; }
  int32_t PixelWidth() const override { return pixel_width_; }
  int32_t PixelHeight() const override { return pixel_height_; }
  const std::u16string& Format() const override { return format_; }
  void SetImage(std::u16string file, double widthPt, double heightPt, int32_t pixelWidth,
                int32_t pixelHeight, std::u16string format) override {
    PreDirty();
    file_ = std::move(file);
    width_ = widthPt;
    height_ = heightPt;
    pixel_width_ = pixelWidth;
    pixel_height_ = pixelHeight;
    format_ = std::move(format);
  }
  void ReadWrite(Stream& s, ImplementationID) override {
    uint16_t version = 1;
    s.XferInt16(version);
    s.XferText(file_);
    persist::XferDouble(s, width_);
    persist::XferDouble(s, height_);
    s.XferInt32(pixel_width_);
    s.XferInt32(pixel_height_);
    s.XferText(format_);
  }

 private:
  std::u16string file_;
  double width_ = 0, height_ = 0;
  int32_t pixel_width_ = 0, pixel_height_ = 0;
  std::u16string format_;
};

}  // namespace

void RegisterPageItemImpls(ClassRegistry& registry) {
  registry.RegisterImplementation<PageItemImpl>(kPageItemImpl, "PageItemImpl");
  registry.RegisterImplementation<GraphicAttributesImpl>(kGraphicAttributesImpl,
                                                         "GraphicAttributesImpl");
  registry.RegisterImplementation<TextFrameImpl>(kTextFrameImpl, "TextFrameImpl");
  registry.RegisterImplementation<ImageItemImpl>(kImageItemImpl, "ImageItemImpl");
}

const char* WrapModeName(WrapMode mode) {
  switch (mode) {
    case WrapMode::kNone:
      return "none";
    case WrapMode::kBoundingBox:
      return "boundingBox";
    case WrapMode::kContour:
      return "contour";
    case WrapMode::kJumpObject:
      return "jumpObject";
    case WrapMode::kNextColumn:
      return "nextColumn";
  }
  return "none";
}

const char* FrameKindName(FrameKind kind) {
  switch (kind) {
    case FrameKind::kText:
      return "text";
    case FrameKind::kPicture:
      return "picture";
    case FrameKind::kEmpty:
      return "empty";
  }
  return "empty";
}

UID ImageOf(const Database& db, UID frame) {
  auto item = db.Query<IPageItem>(frame);
  if (!item) return kInvalidUID;
  for (UID child : item->Children())
    if (db.Query<IImageItem>(child)) return child;
  return kInvalidUID;
}

FrameKind KindOf(const Database& db, UID frame) {
  auto text = db.Query<ITextFrame>(frame);
  if (!text) return FrameKind::kEmpty;
  if (text->Story() != kInvalidUID) return FrameKind::kText;
  return ImageOf(db, frame) != kInvalidUID ? FrameKind::kPicture : FrameKind::kEmpty;
}

std::pair<double, double> ImageScale(const Database& db, UID image) {
  auto item = db.Query<IPageItem>(image);
  auto data = db.Query<IImageItem>(image);
  if (!item || !data) return {1, 1};
  double sx = data->NaturalWidth() > 0 ? item->Bounds().Width() / data->NaturalWidth() : 1;
  double sy = data->NaturalHeight() > 0 ? item->Bounds().Height() / data->NaturalHeight() : 1;
  return {sx, sy};
}

std::vector<ColumnFrame> FrameColumns(const Database& db, UID frame) {
  std::vector<ColumnFrame> columns;
  auto item = db.Query<IPageItem>(frame);
  auto text = db.Query<ITextFrame>(frame);
  if (!item || !text) return columns;
  PMRect area = Deflate(item->Bounds(), text->TextInsets());
  int32_t n = std::max<int32_t>(1, text->Columns());
  double gutter = text->Gutter();
  double width = (area.Width() - (n - 1) * gutter) / n;
  if (width < 0) width = 0;
  for (int32_t i = 0; i < n; ++i) {
    double left = area.left + i * (width + gutter);
    columns.push_back({frame, i, {left, area.top, left + width, std::max(area.top, area.bottom)}});
  }
  return columns;
}

std::vector<UID> StoryThread(const Document& doc, UID story) {
  return StoryThreadOf(doc.DataBase(), story);
}

std::vector<UID> StoryThreadOf(const Database& db, UID story) {
  std::vector<UID> frames;
  UID root = DocumentRootOf(db);
  auto list = root == kInvalidUID ? nullptr : db.Query<IStoryList>(root);
  if (!list) return frames;
  size_t i = list->Find(story);
  if (i == IStoryList::npos) return frames;
  std::unordered_set<UID> seen;  // a damaged file could hold a cycle
  for (UID f = list->Entries()[i].firstFrame; f != kInvalidUID && seen.insert(f).second;) {
    auto text = db.Query<ITextFrame>(f);
    if (!text || text->Story() != story) break;
    frames.push_back(f);
    f = text->NextFrame();
  }
  return frames;
}

std::vector<ColumnFrame> StoryFrameList(const Document& doc, UID story) {
  std::vector<ColumnFrame> list;
  for (UID f : StoryThread(doc, story)) {
    auto columns = FrameColumns(doc.DataBase(), f);
    list.insert(list.end(), columns.begin(), columns.end());
  }
  if (const ColumnSpans* spans = doc.GetColumnSpans())
    for (auto& c : list)
      if (auto span = spans->Span(c.frame, c.column)) c.start = span->first, c.end = span->second;
  return list;
}

int32_t ColumnHoldingIndex(const std::vector<ColumnFrame>& list, int32_t index) {
  if (list.empty()) return -1;
  int32_t before = -1;
  for (size_t i = 0; i < list.size(); ++i) {
    const auto& c = list[i];
    if (c.start < 0) continue;
    if (index >= c.start && index < c.end) return static_cast<int32_t>(i);
    if (c.start <= index) before = static_cast<int32_t>(i);
  }
  return before >= 0 ? before : 0;
}

UID SpreadOf(const Document& doc, UID item) {
  UIDRef layer = SpreadLayerOf(doc, item);
  auto data = layer ? doc.DataBase().Query<ISpreadLayer>(layer.GetUID()) : nullptr;
  return data ? data->Spread() : kInvalidUID;
}

UIDRef SpreadLayerOf(const Document& doc, UID item_uid) {
  Database& db = doc.DataBase();
  for (int depth = 0; depth < 70; ++depth) {  // inline nesting is bounded
    auto item = db.Query<IPageItem>(item_uid);
    if (!item) return UIDRef::Null();
    if (db.Query<ISpreadLayer>(item->Parent())) return {&db, item->Parent()};
    if (item->Parent() != kInvalidUID) {
      item_uid = item->Parent();  // an image item: its frame
      continue;
    }
    if (item->AnchorStory() == kInvalidUID) return UIDRef::Null();
    auto frames = StoryThread(doc, item->AnchorStory());
    if (frames.empty()) return UIDRef::Null();
    item_uid = frames.front();
  }
  return UIDRef::Null();
}

}  // namespace tarvelin
