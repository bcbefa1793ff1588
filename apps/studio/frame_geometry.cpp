#include "frame_geometry.h"

#include <QTextLine>
#include <algorithm>

#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "layout/composition_state.h"

namespace tarvelin::studio {

namespace {

constexpr int kMaxDepth = 70;  // as deep as the renderer draws

struct Offset {
  double dx = 0, dy = 0;
};

PMRect Moved(const PMRect& r, Offset o) {
  return {r.left + o.dx, r.top + o.dy, r.right + o.dx, r.bottom + o.dy};
}

// The shift from an item's own coordinates to spread coordinates.
std::optional<Offset> OffsetOf(const Document& doc, const CompositionState& state, UID item,
                               int depth) {
  if (depth > kMaxDepth) return std::nullopt;
  const Database& db = doc.DataBase();
  auto pi = db.Query<IPageItem>(item);
  if (!pi) return std::nullopt;
  const PlacedInline* placed = state.InlinePlacement(item);
  if (!placed) {
    if (pi->AnchorStory() != kInvalidUID) return std::nullopt;
    // A frame inside a group or a picture inside its frame shares its parent's shift.
    if (pi->Parent() != kInvalidUID && db.Query<IPageItem>(pi->Parent()))
      return OffsetOf(doc, state, pi->Parent(), depth + 1);
    return Offset{};
  }
  const ComposedStory* story = state.Story(pi->AnchorStory());
  if (!story || placed->column < 0 || static_cast<size_t>(placed->column) >= story->columns.size())
    return std::nullopt;
  auto host = OffsetOf(doc, state, story->columns[static_cast<size_t>(placed->column)].frame.frame,
                       depth + 1);
  if (!host) return std::nullopt;
  const PMRect& own = pi->Bounds();
  return Offset{host->dx + placed->rect.left - own.left, host->dy + placed->rect.top - own.top};
}

class HitWalk {
 public:
  HitWalk(const Document& doc, const CompositionState& state, double x, double y)
      : db_(doc.DataBase()), state_(state), x_(x), y_(y) {}

  // The innermost hit inside `item` (drawn shifted by `o`), or kInvalidUID.
  UID Item(UID item, Offset o, int depth) {
    if (depth > kMaxDepth) return kInvalidUID;
    auto pi = db_.Query<IPageItem>(item);
    if (!pi) return kInvalidUID;
    const PMRect bounds = Moved(pi->Bounds(), o);
    // Inline frames are drawn over their text and children over their group: they come
    // first, front-most last in the lists.
    if (KindOf(db_, item) == FrameKind::kText) {
      size_t first = 0;
      if (const ComposedStory* story = state_.StoryInFrame(item, &first)) {
        size_t end = first;
        while (end < story->columns.size() && story->columns[end].frame.frame == item) ++end;
        for (auto it = story->inlines.rbegin(); it != story->inlines.rend(); ++it) {
          if (it->column < static_cast<int32_t>(first) || it->column >= static_cast<int32_t>(end))
            continue;
          auto inner = db_.Query<IPageItem>(it->item);
          if (!inner) continue;
          Offset io{o.dx + it->rect.left - inner->Bounds().left,
                    o.dy + it->rect.top - inner->Bounds().top};
          if (UID hit = Item(it->item, io, depth + 1); hit != kInvalidUID) return hit;
        }
      }
    }
    const UID image = ImageOf(db_, item);
    const auto& children = pi->Children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      if (*it == image) continue;
      if (UID hit = Item(*it, o, depth + 1); hit != kInvalidUID) return hit;
    }
    return bounds.Contains(x_, y_) ? item : kInvalidUID;
  }

 private:
  const Database& db_;
  const CompositionState& state_;
  double x_, y_;
};

// The frames of the page's spread, front-most first, in visible layers.
template <typename Fn>
UID ForEachFrontToBack(const Document& doc, const PageRef& page, Fn&& fn) {
  const Database& db = doc.DataBase();
  auto spread = db.Query<ISpread>(page.spread);
  if (!spread) return kInvalidUID;
  const auto& layers = spread->SpreadLayers();
  for (auto l = layers.rbegin(); l != layers.rend(); ++l) {
    auto layer = db.Query<ISpreadLayer>(*l);
    if (!layer) continue;
    auto docLayer = db.Query<ILayer>(layer->Layer());
    if (docLayer && !docLayer->Visible()) continue;
    const auto& items = layer->Items();
    for (auto it = items.rbegin(); it != items.rend(); ++it)
      if (UID hit = fn(*it); hit != kInvalidUID) return hit;
  }
  return kInvalidUID;
}

const ComposedLine* LineAt(const ComposedStory& story, const ComposedColumn& column, double y) {
  if (column.lineCount == 0) return nullptr;
  const ComposedLine* last = nullptr;
  for (int32_t li = column.firstLine; li < column.firstLine + column.lineCount; ++li) {
    last = &story.lines[static_cast<size_t>(li)];
    if (y <= last->baseline + last->descent) return last;
  }
  return last;
}

}  // namespace

std::optional<PMRect> PlacedBounds(const Document& doc, const CompositionState& state, UID item) {
  auto pi = doc.DataBase().Query<IPageItem>(item);
  auto offset = pi ? OffsetOf(doc, state, item, 0) : std::nullopt;
  if (!offset) return std::nullopt;
  return Moved(pi->Bounds(), *offset);
}

UID ItemAt(const Document& doc, const CompositionState& state, const PageRef& page, double x,
           double y) {
  if (!page.page.bounds.Contains(x, y)) return kInvalidUID;
  HitWalk walk(doc, state, x, y);
  return ForEachFrontToBack(doc, page, [&](UID item) { return walk.Item(item, {}, 0); });
}

std::optional<TextHit> TextAt(const Document& doc, const CompositionState& state,
                              const PageRef& page, double x, double y) {
  const Database& db = doc.DataBase();
  // The innermost text frame at the point: from the item hit, out through its anchors.
  UID frame = ItemAt(doc, state, page, x, y);
  for (int depth = 0; frame != kInvalidUID && depth < kMaxDepth; ++depth) {
    size_t first = 0;
    if (KindOf(db, frame) == FrameKind::kText && state.StoryInFrame(frame, &first)) break;
    auto pi = db.Query<IPageItem>(frame);
    if (!pi) return std::nullopt;
    if (pi->AnchorStory() != kInvalidUID) {
      const PlacedInline* placed = state.InlinePlacement(frame);
      const ComposedStory* story = state.Story(pi->AnchorStory());
      if (!placed || !story) return std::nullopt;
      frame = story->columns[static_cast<size_t>(placed->column)].frame.frame;
    } else {
      frame = pi->Parent();
    }
  }
  size_t first = 0;
  const ComposedStory* story = frame == kInvalidUID ? nullptr : state.StoryInFrame(frame, &first);
  auto offset = story ? OffsetOf(doc, state, frame, 0) : std::nullopt;
  if (!offset) return std::nullopt;
  const double fx = x - offset->dx, fy = y - offset->dy;
  // The column nearest to the point horizontally.
  const ComposedColumn* best = nullptr;
  double bestDistance = 0;
  for (size_t c = first; c < story->columns.size() && story->columns[c].frame.frame == frame; ++c) {
    const PMRect& b = story->columns[c].frame.bounds;
    const double d = fx < b.left ? b.left - fx : (fx > b.right ? fx - b.right : 0);
    if (!best || d < bestDistance) {
      best = &story->columns[c];
      bestDistance = d;
    }
  }
  TextHit hit{frame, story->story, 0};
  const ComposedLine* line = best ? LineAt(*story, *best, fy) : nullptr;
  if (!line) {
    hit.index = best ? story->ColumnRange(static_cast<size_t>(best - story->columns.data())).first
                     : story->composedEnd;
    return hit;
  }
  const ComposedParagraph& para = story->paragraphs[static_cast<size_t>(line->paragraph)];
  QTextLine ql = para.layout->lineAt(line->layoutLine);
  int cursor = ql.xToCursor(fx, QTextLine::CursorBetweenCharacters);
  hit.index = std::clamp(para.start + cursor, line->start, std::max(line->start, line->end - 1));
  if (line->end == para.start + para.length) hit.index = std::min(hit.index, line->end);
  return hit;
}

std::optional<QRectF> CaretRect(const Document& doc, const CompositionState& state, UID story,
                                int32_t index) {
  const ComposedStory* composed = state.Story(story);
  if (!composed || composed->lines.empty()) return std::nullopt;
  auto line = std::partition_point(composed->lines.begin(), composed->lines.end(),
                                   [index](const ComposedLine& l) { return l.end <= index; });
  if (line == composed->lines.end()) {
    if (index > composed->composedEnd) return std::nullopt;
    line = composed->lines.end() - 1;
  }
  if (line->column < 0 || static_cast<size_t>(line->column) >= composed->columns.size())
    return std::nullopt;
  auto offset =
      OffsetOf(doc, state, composed->columns[static_cast<size_t>(line->column)].frame.frame, 0);
  if (!offset) return std::nullopt;
  const ComposedParagraph& para = composed->paragraphs[static_cast<size_t>(line->paragraph)];
  QTextLine ql = para.layout->lineAt(line->layoutLine);
  const double x = ql.cursorToX(std::clamp(index - para.start, 0, para.length));
  return QRectF(x + offset->dx, line->baseline - line->ascent + offset->dy, 0,
                line->ascent + line->descent);
}

}  // namespace tarvelin::studio
