#include "layout/composition_job.h"

#include <algorithm>

#include "host/documents/document.h"

namespace tarvelin {

namespace {

constexpr int kMaxNesting = 32;         // inline frames inside inline frames, as drawn
constexpr size_t kColumnsPerSlice = 4;  // how far Step places a story between clock checks

}  // namespace

std::vector<ColumnFrame> ThreadColumns(const Document& doc, const std::vector<UID>& thread) {
  std::vector<ColumnFrame> columns;
  for (UID frame : thread) {
    auto c = FrameColumns(doc.DataBase(), frame);
    columns.insert(columns.end(), c.begin(), c.end());
  }
  return columns;
}

CompositionJob::CompositionJob(Document& doc, CompositionState& state)
    : doc_(doc), state_(state), composer_(doc) {
  if (auto list = doc.Stories()) {
    for (const StoryEntry& e : list->Entries()) {
      if (e.firstFrame == kInvalidUID) continue;
      stories_.push_back(e.story);
      listed_.insert(e.story);
    }
  }
}

CompositionJob::Open* CompositionJob::Begin(UID uid) {
  if (auto it = open_.find(uid); it != open_.end()) return &it->second;
  if (state_.Story(uid) || !listed_.count(uid)) return nullptr;
  Composer::Prepared prepared = composer_.BeginPrepare(uid);
  if (!prepared.story) {
    listed_.erase(uid);  // not a story: nothing to compose, ever
    return nullptr;
  }
  Open open;
  open.story = prepared.story.get();
  open.cursor = composer_.BeginPlace(*prepared.story, ThreadColumns(doc_, StoryThread(doc_, uid)));
  open.cursor.prepare = std::move(prepared.cursor);
  state_.Add(std::move(prepared.story));
  return &open_.emplace(uid, std::move(open)).first->second;
}

void CompositionJob::Advance(UID uid, Open& open, size_t throughColumn) {
  const size_t placed = open.story->inlines.size();
  const bool done = composer_.ContinuePlace(*open.story, open.cursor, throughColumn);
  state_.IndexInlines(uid, placed);
  if (done) open_.erase(uid);
}

void CompositionJob::ComposeFrame(UID frame, int depth) {
  if (depth > kMaxNesting) return;
  auto text = doc_.DataBase().Query<ITextFrame>(frame);
  if (!text || text->Story() == kInvalidUID) return;
  const UID uid = text->Story();
  Open* open = Begin(uid);
  size_t first = 0;
  const ComposedStory* story = state_.StoryInFrame(frame, &first);
  if (!story) return;
  size_t last = first;
  while (last + 1 < story->columns.size() && story->columns[last + 1].frame.frame == frame) ++last;
  if (open) Advance(uid, *open, last);
  // Placed inline frames are in story order, so their columns ascend.
  auto from =
      std::partition_point(story->inlines.begin(), story->inlines.end(),
                           [&](const PlacedInline& p) { return p.column < int32_t(first); });
  std::vector<UID> inner;
  for (auto it = from; it != story->inlines.end() && it->column <= int32_t(last); ++it)
    inner.push_back(it->item);
  for (UID item : inner) ComposeFrame(item, depth + 1);
}

void CompositionJob::ComposePage(const PageRef& page) {
  const Database& db = doc_.DataBase();
  auto spread = db.Query<ISpread>(page.spread);
  if (!spread) return;
  for (UID sl : spread->SpreadLayers())
    if (auto layer = db.Query<ISpreadLayer>(sl))
      for (UID item : layer->Items()) ComposeFrame(item, 0);
}

bool CompositionJob::Step(std::chrono::steady_clock::time_point deadline) {
  while (next_ < stories_.size()) {
    const UID uid = stories_[next_];
    Open* open = Begin(uid);
    if (!open) {
      ++next_;
      continue;
    }
    Advance(uid, *open, open->cursor.column + kColumnsPerSlice);
    if (std::chrono::steady_clock::now() >= deadline) break;
  }
  return Done();
}

}  // namespace tarvelin
