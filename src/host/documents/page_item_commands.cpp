#include "host/documents/page_item_commands.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/diagnostics.h"
#include "core/utf16.h"
#include "host/documents/document.h"
#include "host/documents/document_commands.h"
#include "host/documents/document_story.h"
#include "host/documents/object_style.h"
#include "host/documents/spread.h"

namespace tarvelin {

namespace {

// Inline frames nest at most this deep (a frame in a frame's story in a frame's story...).
constexpr int kMaxNesting = 64;
// Coordinates beyond this are refused: no page is that large, and it keeps arithmetic sane.
constexpr double kMaxCoordinate = 1e6;

bool SaneRect(const PMRect& r) {
  return r.IsValid() && r.Width() > 0 && r.Height() > 0 && std::fabs(r.left) <= kMaxCoordinate &&
         std::fabs(r.top) <= kMaxCoordinate && std::fabs(r.right) <= kMaxCoordinate &&
         std::fabs(r.bottom) <= kMaxCoordinate;
}

bool NonNegative(const Insets& in) {
  return in.IsValid() && in.left >= 0 && in.top >= 0 && in.right >= 0 && in.bottom >= 0 &&
         in.left <= kMaxCoordinate && in.top <= kMaxCoordinate && in.right <= kMaxCoordinate &&
         in.bottom <= kMaxCoordinate;
}

bool OwnedBy(const Document& doc, const UIDRef& ref) {
  return !ref.IsNull() && ref.DataBase() == &doc.DataBase() &&
         doc.DataBase().Contains(ref.GetUID());
}

bool AllFrames(const Document& doc, const UIDList& items) {
  if (items.empty() || items.DataBase() != &doc.DataBase()) return false;
  for (UID uid : items)
    if (!doc.DataBase().Query<IGraphicAttributes>(uid)) return false;
  return true;
}

// A swatch reference: none, or an object of this document.
bool SwatchOk(const Document& doc, UID swatch) {
  return swatch == kInvalidUID || doc.DataBase().Contains(swatch);
}

std::shared_ptr<IStoryList> StoryListOf(Database& db) {
  UID root = DocumentRootOf(db);
  return root == kInvalidUID ? nullptr : db.Query<IStoryList>(root);
}

// Takes the item out of its spread layer or frame.
void DetachFromParent(Database& db, IPageItem& item, UID uid) {
  UID parent = item.Parent();
  if (parent == kInvalidUID) return;
  if (auto layer = db.Query<ISpreadLayer>(parent)) {
    layer->RemoveItem(uid);
  } else if (auto holder = db.Query<IPageItem>(parent)) {
    std::vector<UID> children = holder->Children();
    std::erase(children, uid);
    holder->SetChildren(std::move(children));
  }
  item.SetParent(kInvalidUID);
}

ErrorCode DeleteItemTree(Database& db, UID uid, int depth);

// Deletes a story with the inline items anchored in it.
void DeleteStory(Database& db, UID story, int depth) {
  if (depth > kMaxNesting) {
    diag::Printf("DeleteStory: inline nesting deeper than %d at story %u\n", kMaxNesting, story);
    return;
  }
  for (UID anchored : story::AnchoredItems(db, story)) DeleteItemTree(db, anchored, depth + 1);
  if (auto list = StoryListOf(db)) list->Remove(story);
  db.DeleteObject(story);
}

// Takes a text frame out of its thread; deletes the story when this was its last frame.
void Unthread(Database& db, UID uid, int depth) {
  auto text = db.Query<ITextFrame>(uid);
  if (!text || text->Story() == kInvalidUID) return;
  UID story = text->Story(), prev = text->PreviousFrame(), next = text->NextFrame();
  if (auto p = db.Query<ITextFrame>(prev)) p->SetThread(p->PreviousFrame(), next);
  if (auto n = db.Query<ITextFrame>(next)) n->SetThread(prev, n->NextFrame());
  text->SetThread(kInvalidUID, kInvalidUID);
  text->SetStory(kInvalidUID);
  if (prev == kInvalidUID) {
    if (next == kInvalidUID)
      DeleteStory(db, story, depth);
    else if (auto list = StoryListOf(db))
      list->SetFirstFrame(story, next);
  }
}

ErrorCode DeleteItemTree(Database& db, UID uid, int depth) {
  auto item = db.Query<IPageItem>(uid);
  if (!item) return db.Contains(uid) ? db.DeleteObject(uid) : kNotFound;
  DetachFromParent(db, *item, uid);
  for (UID child : std::vector<UID>(item->Children())) DeleteItemTree(db, child, depth);
  Unthread(db, uid, depth);
  return db.DeleteObject(uid);
}

// Deletes a frame's picture, if any.
void RemovePicture(Database& db, IPageItem& frame) {
  for (UID child : std::vector<UID>(frame.Children()))
    if (db.Query<IImageItem>(child)) DeleteItemTree(db, child, 0);
}

// Gives a frame without a story a new one.
ErrorCode AttachNewStory(Database& db, UID frame) {
  auto text = db.Query<ITextFrame>(frame);
  auto list = StoryListOf(db);
  if (!text || !list) return kFailure;
  UID story = story::NewStory(db);
  if (story == kInvalidUID) return kFailure;
  text->SetStory(story);
  list->Add(story, frame);
  return kSuccess;
}

// Applies `fn` to the interface T of every item, inside one command.
template <typename T, typename Fn>
ErrorCode ForEachItem(Document& doc, std::u16string name, const UIDList& items, Fn fn) {
  Database& db = doc.DataBase();
  return ProcessFunctionCommand(db, std::move(name), items, [&db, &items, fn]() -> ErrorCode {
    for (UID uid : items) {
      auto i = db.Query<T>(uid);
      if (!i) return kInvalidArgument;
      fn(*i, uid);
    }
    return kSuccess;
  });
}

// `story` and the stories whose frames hold its frames, up to the top: for loop and depth
// checks. False when they nest deeper than kMaxNesting.
bool OuterStories(const Document& doc, UID story, std::vector<UID>& chain) {
  chain.clear();
  int depth = 0;
  for (UID s = story; s != kInvalidUID && depth <= kMaxNesting; ++depth) {
    chain.push_back(s);
    UID outer = kInvalidUID;
    for (UID f : StoryThread(doc, s))
      if (auto item = doc.DataBase().Query<IPageItem>(f);
          item && item->AnchorStory() != kInvalidUID)
        outer = item->AnchorStory();
    s = outer;
  }
  return depth <= kMaxNesting;
}

// Whether `frame` is a frame of one of the stories' threads. A thread holds only frames
// that show its story, so only that story's thread needs a walk.
bool ShowsOneOf(const Document& doc, const std::vector<UID>& stories, UID frame) {
  auto text = doc.DataBase().Query<ITextFrame>(frame);
  if (!text || std::find(stories.begin(), stories.end(), text->Story()) == stories.end())
    return false;
  const std::vector<UID> thread = StoryThread(doc, text->Story());
  return std::find(thread.begin(), thread.end(), frame) != thread.end();
}

// False when `frame` shows `story` or one of its outer stories, or they nest too deep.
bool AnchorAllowed(const Document& doc, UID story, UID frame) {
  std::vector<UID> chain;
  return OuterStories(doc, story, chain) && !ShowsOneOf(doc, chain, frame);
}

// ThreadFrames with the nesting check left to `allowed(story, to)`.
template <typename Allowed>
ErrorCode Thread(Document& doc, const UIDRef& from, const UIDRef& to, Allowed allowed) {
  if (!OwnedBy(doc, from) || !OwnedBy(doc, to) || from == to) return kInvalidArgument;
  Database& db = doc.DataBase();
  auto from_text = db.Query<ITextFrame>(from.GetUID());
  auto to_text = db.Query<ITextFrame>(to.GetUID());
  auto to_item = db.Query<IPageItem>(to.GetUID());
  if (!from_text || !to_text || !to_item || from_text->Story() == kInvalidUID)
    return kInvalidArgument;
  if (to_text->PreviousFrame() != kInvalidUID || to_text->NextFrame() != kInvalidUID)
    return kInvalidArgument;
  if (to_item->AnchorStory() != kInvalidUID || ImageOf(db, to.GetUID()) != kInvalidUID)
    return kInvalidArgument;
  UID story = from_text->Story();
  UID old_story = to_text->Story();
  if (old_story == story) return kInvalidArgument;
  if (old_story != kInvalidUID && story::TotalLength(db, old_story) > 1) return kInvalidArgument;
  // The story must not come to show itself: `to` may not hold an anchor of its chain.
  if (!allowed(story, to.GetUID())) return kInvalidArgument;
  return ProcessFunctionCommand(db, u"Thread Frames", UIDList(from), [&]() -> ErrorCode {
    if (old_story != kInvalidUID) {
      to_text->SetStory(kInvalidUID);
      DeleteStory(db, old_story, 0);
    }
    UID next = from_text->NextFrame();
    if (auto n = db.Query<ITextFrame>(next)) n->SetThread(to.GetUID(), n->NextFrame());
    to_text->SetThread(from.GetUID(), next);
    to_text->SetStory(story);
    from_text->SetThread(from_text->PreviousFrame(), to.GetUID());
    return kSuccess;
  });
}

}  // namespace

ErrorCode CreateRectangleFrame(Document& doc, const UIDRef& spreadLayer, const PMRect& bounds,
                               UIDRef* out) {
  if (!OwnedBy(doc, spreadLayer) || !doc.DataBase().Query<ISpreadLayer>(spreadLayer.GetUID()) ||
      !SaneRect(bounds))
    return kInvalidArgument;
  Database& db = doc.DataBase();
  UID made = kInvalidUID;
  ErrorCode e = ProcessFunctionCommand(db, u"New Frame", UIDList(spreadLayer), [&]() -> ErrorCode {
    UIDRef ref = db.CreateObject(kGraphicFrameClass);
    auto item = ref ? db.Query<IPageItem>(ref.GetUID()) : nullptr;
    auto layer = db.Query<ISpreadLayer>(spreadLayer.GetUID());
    if (!item || !layer) return kFailure;
    item->SetBounds(bounds);
    item->SetParent(spreadLayer.GetUID());
    layer->AddItem(ref.GetUID());
    made = ref.GetUID();
    return kSuccess;
  });
  if (e == kSuccess && out) *out = {&db, made};
  return e;
}

ErrorCode CreateTextFrame(Document& doc, const UIDRef& spreadLayer, const PMRect& bounds,
                          int32_t columns, double gutter, UIDRef* out) {
  if (columns < 1 || columns > ITextFrame::kMaxColumns || !std::isfinite(gutter) || gutter < 0 ||
      gutter > kMaxCoordinate)
    return kInvalidArgument;
  Database& db = doc.DataBase();
  SequenceId seq = db.Commands().BeginCommandSequence(u"New Text Frame");
  UIDRef frame;
  ErrorCode e = CreateRectangleFrame(doc, spreadLayer, bounds, &frame);
  if (e == kSuccess)
    e = ProcessFunctionCommand(db, u"New Text Frame", UIDList(frame), [&]() -> ErrorCode {
      auto text = db.Query<ITextFrame>(frame.GetUID());
      if (!text) return kFailure;
      text->SetColumns(columns, gutter);
      return AttachNewStory(db, frame.GetUID());
    });
  if (e != kSuccess) {
    db.Commands().AbortCommandSequence(seq);
    return e;
  }
  db.Commands().EndCommandSequence(seq);
  if (out) *out = frame;
  return kSuccess;
}

ErrorCode SetBounds(Document& doc, const UIDRef& item, const PMRect& bounds) {
  if (!OwnedBy(doc, item) || !SaneRect(bounds)) return kInvalidArgument;
  return ForEachItem<IPageItem>(doc, u"Resize", UIDList(item),
                                [&](IPageItem& i, UID) { i.SetBounds(bounds); });
}

ErrorCode SetImageBounds(Document& doc, const UIDRef& frame, const PMRect& bounds) {
  if (!OwnedBy(doc, frame) || !SaneRect(bounds)) return kInvalidArgument;
  UID image = ImageOf(doc.DataBase(), frame.GetUID());
  if (image == kInvalidUID) return kInvalidArgument;
  return ForEachItem<IPageItem>(doc, u"Resize Picture", UIDList(UIDRef(&doc.DataBase(), image)),
                                [&](IPageItem& i, UID) { i.SetBounds(bounds); });
}

ErrorCode SetFillSwatch(Document& doc, const UIDList& frames, UID swatch) {
  if (!AllFrames(doc, frames) || !SwatchOk(doc, swatch)) return kInvalidArgument;
  return ForEachItem<IGraphicAttributes>(
      doc, u"Fill", frames, [&](IGraphicAttributes& g, UID) { g.SetFillSwatch(swatch); });
}

ErrorCode SetStrokeSwatch(Document& doc, const UIDList& frames, UID swatch) {
  if (!AllFrames(doc, frames) || !SwatchOk(doc, swatch)) return kInvalidArgument;
  return ForEachItem<IGraphicAttributes>(
      doc, u"Stroke", frames, [&](IGraphicAttributes& g, UID) { g.SetStrokeSwatch(swatch); });
}

ErrorCode SetStrokeWeight(Document& doc, const UIDList& frames, double weight) {
  if (!AllFrames(doc, frames) || !std::isfinite(weight) || weight < 0 || weight > 1000)
    return kInvalidArgument;
  return ForEachItem<IGraphicAttributes>(
      doc, u"Stroke Weight", frames,
      [&](IGraphicAttributes& g, UID) { g.SetStrokeWeight(weight); });
}

ErrorCode SetTextInsets(Document& doc, const UIDList& frames, const Insets& insets) {
  if (!AllFrames(doc, frames) || !NonNegative(insets)) return kInvalidArgument;
  return ForEachItem<ITextFrame>(doc, u"Text Insets", frames,
                                 [&](ITextFrame& t, UID) { t.SetTextInsets(insets); });
}

ErrorCode SetTextWrap(Document& doc, const UIDList& frames, WrapMode mode, const Insets& offsets) {
  if (!AllFrames(doc, frames) || !offsets.IsValid() || static_cast<uint8_t>(mode) > 4)
    return kInvalidArgument;
  return ForEachItem<IGraphicAttributes>(doc, u"Text Wrap", frames,
                                         [&](IGraphicAttributes& g, UID) {
                                           if (g.Wrap() != mode || g.WrapOffsets() != offsets)
                                             g.SetWrap(mode, offsets);
                                         });
}

ErrorCode SetColumns(Document& doc, const UIDList& frames, int32_t columns, double gutter) {
  if (!AllFrames(doc, frames) || columns < 1 || columns > ITextFrame::kMaxColumns ||
      !std::isfinite(gutter) || gutter < 0 || gutter > kMaxCoordinate)
    return kInvalidArgument;
  return ForEachItem<ITextFrame>(doc, u"Columns", frames,
                                 [&](ITextFrame& t, UID) { t.SetColumns(columns, gutter); });
}

ErrorCode ApplyObjectStyle(Document& doc, const UIDList& frames, UID style_uid) {
  auto style = doc.DataBase().Query<IObjectStyle>(style_uid);
  if (!style || !AllFrames(doc, frames)) return kInvalidArgument;
  ObjectStyleAttributes a = style->Attributes();
  Database& db = doc.DataBase();
  return ForEachItem<IGraphicAttributes>(
      doc, u"Apply Object Style", frames, [&](IGraphicAttributes& g, UID uid) {
        if (a.fill) g.SetFillSwatch(db.Contains(*a.fill) ? *a.fill : kInvalidUID);
        if (a.stroke) g.SetStrokeSwatch(db.Contains(*a.stroke) ? *a.stroke : kInvalidUID);
        if (a.strokeWeight) g.SetStrokeWeight(*a.strokeWeight);
        if (a.wrapMode) g.SetWrap(*a.wrapMode, a.wrapOffsets);
        if (a.insets)
          if (auto t = db.Query<ITextFrame>(uid)) t->SetTextInsets(*a.insets);
        g.SetObjectStyle(style_uid);
      });
}

ErrorCode ThreadFrames(Document& doc, const UIDRef& from, const UIDRef& to) {
  return Thread(doc, from, to,
                [&](UID story, UID frame) { return AnchorAllowed(doc, story, frame); });
}

ThreadAppender::ThreadAppender(Document& doc, UID story)
    : doc_(doc), story_(story), nestingOk_(OuterStories(doc, story, chain_)) {}

ErrorCode ThreadAppender::Append(const UIDRef& after, const UIDRef& frame) {
  auto text = doc_.DataBase().Query<ITextFrame>(frame.GetUID());
  if (!text) return kInvalidArgument;
  // An empty story of the frame's own goes; the chain changes if it was one of it.
  const bool story_in_chain =
      std::find(chain_.begin(), chain_.end(), text->Story()) != chain_.end();
  ErrorCode e = Thread(doc_, after, frame, [&](UID story, UID to) {
    if (story != story_) return AnchorAllowed(doc_, story, to);
    return nestingOk_ && !ShowsOneOf(doc_, chain_, to);
  });
  if (e == kSuccess && story_in_chain) nestingOk_ = OuterStories(doc_, story_, chain_);
  return e;
}

ErrorCode ConvertToTextFrame(Document& doc, const UIDRef& frame) {
  if (!OwnedBy(doc, frame) || !doc.DataBase().Query<ITextFrame>(frame.GetUID()))
    return kInvalidArgument;
  Database& db = doc.DataBase();
  if (KindOf(db, frame.GetUID()) == FrameKind::kText) return kSuccess;
  return ProcessFunctionCommand(db, u"Convert to Text Frame", UIDList(frame), [&]() -> ErrorCode {
    auto item = db.Query<IPageItem>(frame.GetUID());
    if (!item) return kFailure;
    RemovePicture(db, *item);
    return AttachNewStory(db, frame.GetUID());
  });
}

ErrorCode PlaceImage(Document& doc, const UIDRef& frame, const std::string& file,
                     const ImageInfo& info) {
  if (!OwnedBy(doc, frame) || !doc.DataBase().Query<ITextFrame>(frame.GetUID()))
    return kInvalidArgument;
  if (!info.ok || !std::isfinite(info.widthPt) || !std::isfinite(info.heightPt) ||
      info.widthPt <= 0 || info.heightPt <= 0 || info.widthPt > kMaxCoordinate ||
      info.heightPt > kMaxCoordinate || file.empty())
    return kInvalidArgument;
  Database& db = doc.DataBase();
  return ProcessFunctionCommand(db, u"Place", UIDList(frame), [&]() -> ErrorCode {
    auto item = db.Query<IPageItem>(frame.GetUID());
    if (!item) return kFailure;
    Unthread(db, frame.GetUID(), 0);
    RemovePicture(db, *item);
    UIDRef image = db.CreateObject(kImageItemClass);
    auto image_item = image ? db.Query<IPageItem>(image.GetUID()) : nullptr;
    auto image_data = image ? db.Query<IImageItem>(image.GetUID()) : nullptr;
    if (!image_item || !image_data) return kFailure;
    const PMRect& b = item->Bounds();
    image_item->SetBounds({b.left, b.top, b.left + info.widthPt, b.top + info.heightPt});
    image_item->SetParent(frame.GetUID());
    image_data->SetImage(FromUtf8(file), info.widthPt, info.heightPt, info.pixelWidth,
                         info.pixelHeight, FromUtf8(info.format));
    std::vector<UID> children = item->Children();
    children.push_back(image.GetUID());
    item->SetChildren(std::move(children));
    return kSuccess;
  });
}

ErrorCode PlaceImageFile(Document& doc, const UIDRef& frame, const std::string& file,
                         const ImageProbe& probe, std::string* message) {
  auto say = [&](std::string text) {
    if (message) *message = std::move(text);
  };
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    say(file + ": no such file");
    return kNotFound;
  }
  ImageInfo info = probe.Probe(file);
  if (!info.ok) {
    say(file + ": not an image that can be placed" +
        (info.error.empty() ? "" : " (" + info.error + ")"));
    return kInvalidArgument;
  }
  if (!std::isfinite(info.widthPt) || !std::isfinite(info.heightPt) || info.widthPt <= 0 ||
      info.heightPt <= 0) {
    say(file + ": the image has no size");
    return kInvalidArgument;
  }
  if (info.widthPt > kMaxCoordinate || info.heightPt > kMaxCoordinate) {
    say(file + ": the image is too large to place (" +
        std::to_string(static_cast<long long>(info.widthPt)) + " x " +
        std::to_string(static_cast<long long>(info.heightPt)) + " pt)");
    return kInvalidArgument;
  }
  ErrorCode e = PlaceImage(doc, frame, file, info);
  if (e != kSuccess)
    say(file + ": the image could not be placed in the frame (" + ErrorCodeName(e) + ")");
  return e;
}

ErrorCode ChangeToInline(Document& doc, const UIDRef& story, int32_t index, const UIDRef& frame) {
  if (!OwnedBy(doc, story) || !OwnedBy(doc, frame)) return kInvalidArgument;
  Database& db = doc.DataBase();
  int32_t length = story::TotalLength(db, story.GetUID());
  auto item = db.Query<IPageItem>(frame.GetUID());
  auto text = db.Query<ITextFrame>(frame.GetUID());
  if (length < 1 || index < 0 || index >= length || !item || !text) return kInvalidArgument;
  if (item->AnchorStory() != kInvalidUID || text->PreviousFrame() != kInvalidUID ||
      text->NextFrame() != kInvalidUID || text->Story() == story.GetUID())
    return kInvalidArgument;
  if (item->Parent() != kInvalidUID && !db.Query<ISpreadLayer>(item->Parent()))
    return kInvalidArgument;
  if (!AnchorAllowed(doc, story.GetUID(), frame.GetUID())) return kInvalidArgument;
  return ProcessFunctionCommand(db, u"Change to Inline", UIDList(frame), [&]() -> ErrorCode {
    if (ErrorCode e = story::InsertAnchor(db, story.GetUID(), index, frame.GetUID()); e != kSuccess)
      return e;
    DetachFromParent(db, *item, frame.GetUID());
    item->SetAnchorStory(story.GetUID());
    return kSuccess;
  });
}

ErrorCode DeletePageItems(Document& doc, const UIDList& items) {
  if (items.empty() || items.DataBase() != &doc.DataBase()) return kInvalidArgument;
  Database& db = doc.DataBase();
  for (UID uid : items)
    if (!db.Query<IPageItem>(uid)) return kInvalidArgument;
  return ProcessFunctionCommand(db, u"Delete", items, [&]() -> ErrorCode {
    for (UID uid : items) {
      auto item = db.Query<IPageItem>(uid);
      if (!item) continue;  // went with an earlier item of the list
      if (UID anchor = item->AnchorStory(); anchor != kInvalidUID) {
        int32_t at = story::AnchorIndex(db, anchor, uid);
        if (at >= 0) {
          // The story removes its anchor and calls the deleter for the item.
          if (ErrorCode e = story::DeleteText(db, anchor, at, 1); e != kSuccess) return e;
          if (!db.Contains(uid)) continue;
        }
      }
      if (ErrorCode e = DeleteItemTree(db, uid, 0); e != kSuccess) return e;
    }
    return kSuccess;
  });
}

ErrorCode DeleteInlineObject(Database& db, UID item) {
  return DeleteItemTree(db, item, 0);
}

}  // namespace tarvelin
