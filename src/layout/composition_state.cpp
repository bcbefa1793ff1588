#include "layout/composition_state.h"

#include <algorithm>

namespace tarvelin {

std::pair<int32_t, int32_t> ComposedStory::ColumnRange(size_t column) const {
  const ComposedColumn& c = columns[column];
  if (c.lineCount == 0) return {composedEnd, composedEnd};
  return {lines[c.firstLine].start, lines[c.firstLine + c.lineCount - 1].end};
}

double ComposedStory::TextHeight() const {
  if (lines.empty() || columns.empty()) return 0;
  const ComposedLine& last = lines.back();
  return last.baseline + last.descent - columns.front().frame.bounds.top;
}

std::optional<std::pair<int32_t, int32_t>> CompositionState::Span(UID frame, int32_t column) const {
  auto it = frames_.find(frame);
  if (it == frames_.end() || column < 0) return std::nullopt;
  const ComposedStory* story = Story(it->second.first);
  size_t index = it->second.second + static_cast<size_t>(column);
  if (!story || index >= story->columns.size() || story->columns[index].frame.frame != frame)
    return std::nullopt;
  return story->ColumnRange(index);
}

void CompositionState::Add(std::unique_ptr<ComposedStory> story) {
  UID uid = story->story;
  for (size_t i = 0; i < story->columns.size(); ++i) {
    UID frame = story->columns[i].frame.frame;
    if (i == 0 || story->columns[i - 1].frame.frame != frame) frames_[frame] = {uid, i};
  }
  stories_[uid] = std::move(story);
  IndexInlines(uid, 0);
}

void CompositionState::IndexInlines(UID uid, size_t from) {
  const ComposedStory* story = Story(uid);
  if (!story) return;
  for (size_t i = from; i < story->inlines.size(); ++i) inlines_[story->inlines[i].item] = {uid, i};
}

void CompositionState::Clear() {
  stories_.clear();
  frames_.clear();
  inlines_.clear();
}

const ComposedStory* CompositionState::Story(UID story) const {
  auto it = stories_.find(story);
  return it == stories_.end() ? nullptr : it->second.get();
}

const ComposedStory* CompositionState::StoryInFrame(UID frame, size_t* firstColumn) const {
  auto it = frames_.find(frame);
  if (it == frames_.end()) return nullptr;
  if (firstColumn) *firstColumn = it->second.second;
  return Story(it->second.first);
}

const PlacedInline* CompositionState::InlinePlacement(UID item) const {
  auto it = inlines_.find(item);
  if (it == inlines_.end()) return nullptr;
  const ComposedStory* story = Story(it->second.first);
  if (!story || it->second.second >= story->inlines.size()) return nullptr;
  return &story->inlines[it->second.second];
}

}  // namespace tarvelin
