#include "host/text/story_strands.h"

#include <algorithm>
#include <cstring>

namespace tarvelin {

// ---------------------------------------------------------------- GapText

void GapText::MoveGap(size_t pos) {
  if (pos < gap_begin_) {
    size_t n = gap_begin_ - pos;
    std::memmove(&buf_[gap_end_ - n], &buf_[pos], n * sizeof(char16_t));
    gap_begin_ -= n;
    gap_end_ -= n;
  } else if (pos > gap_begin_) {
    size_t n = pos - gap_begin_;
    std::memmove(&buf_[gap_begin_], &buf_[gap_end_], n * sizeof(char16_t));
    gap_begin_ += n;
    gap_end_ += n;
  }
}

// Room left for growth is proportional to what is used, up to a few hundred units: an
// import makes thousands of small stories, each filled once. A large buffer that erases
// leave a quarter empty is given back (the box pass takes the definitions out of the main
// story), down to an eighth to spare: between two reallocations lie edits of at least an
// eighth of the size, so every edit stays amortised constant.
namespace {

constexpr size_t kShrinkAbove = 4096;

bool ShouldShrink(size_t used, size_t capacity) {
  return capacity > kShrinkAbove && used < capacity / 4 * 3;
}

size_t WithRoom(size_t used, size_t most) {
  return used + std::min(most, used / 8 + 8);
}

}  // namespace

void GapText::Reserve(size_t n) {
  if (gap_end_ - gap_begin_ >= n) return;
  Reallocate(std::max(WithRoom(size() + n, 256), buf_.size() + buf_.size() / 2));
}

void GapText::Reallocate(size_t capacity) {
  std::u16string grown(capacity, u'\0');
  size_t after = buf_.size() - gap_end_;
  if (gap_begin_) std::memcpy(grown.data(), buf_.data(), gap_begin_ * sizeof(char16_t));
  if (after)
    std::memcpy(grown.data() + capacity - after, buf_.data() + gap_end_, after * sizeof(char16_t));
  gap_end_ = capacity - after;
  // Swapped, not moved: a string moved from one that fits its inline room would keep this
  // buffer's memory, however large.
  buf_.swap(grown);
}

void GapText::Insert(size_t pos, std::u16string_view text) {
  if (text.empty()) return;
  MoveGap(pos);
  Reserve(text.size());
  std::memcpy(&buf_[gap_begin_], text.data(), text.size() * sizeof(char16_t));
  gap_begin_ += text.size();
}

void GapText::InsertTaking(size_t pos, std::u16string&& text) {
  const size_t n = text.size(), before = pos, after = size() - pos;
  const size_t needed = n + before + after;
  // A text with much more room than that would keep its waste: copied instead.
  if (n < 8 * (before + after) || text.capacity() < needed ||
      text.capacity() > WithRoom(needed, needed) + 256) {
    Insert(pos, text);
    return;
  }
  // This text around the taken one: [before][text][gap][after].
  const std::u16string head = Copy(0, before), tail = Copy(pos, after);
  buf_ = std::move(text);
  buf_.resize(buf_.capacity());  // within the capacity: no new memory
  if (before) {
    std::memmove(&buf_[before], &buf_[0], n * sizeof(char16_t));
    std::memcpy(&buf_[0], head.data(), before * sizeof(char16_t));
  }
  gap_begin_ = before + n;
  gap_end_ = buf_.size() - after;
  if (after) std::memcpy(&buf_[gap_end_], tail.data(), after * sizeof(char16_t));
}

void GapText::Erase(size_t pos, size_t n) {
  if (n == 0) return;
  MoveGap(pos);
  gap_end_ += n;
  if (ShouldShrink(size(), buf_.size())) Reallocate(WithRoom(size(), size()));
}

std::u16string GapText::Take(size_t pos, size_t n) {
  const size_t total = size();
  if (n < total / 8 * 7) {
    std::u16string out = Copy(pos, n);
    Erase(pos, n);
    return out;
  }
  // Nearly all of it: the buffer goes with the text, and what stays is copied out of it.
  std::u16string rest = Copy(0, pos);
  rest += Copy(pos + n, total - pos - n);
  MoveGap(pos + n);  // [before][taken][gap][after]
  std::u16string out;
  out.swap(buf_);
  if (pos) std::memmove(out.data(), out.data() + pos, n * sizeof(char16_t));
  out.resize(n);  // within the capacity: no new memory
  Assign(std::move(rest));
  return out;
}

std::u16string GapText::Copy(size_t pos, size_t n, size_t room) const {
  std::u16string out;
  out.reserve(n + room);
  auto [a, b] = Pieces();
  if (pos < a.size()) {
    size_t take = std::min(n, a.size() - pos);
    out.append(a.substr(pos, take));
    n -= take;
    pos = 0;
  } else {
    pos -= a.size();
  }
  if (n) out.append(b.substr(pos, n));
  return out;
}

std::pair<std::u16string_view, std::u16string_view> GapText::Pieces() const {
  return {std::u16string_view(buf_.data(), gap_begin_),
          std::u16string_view(buf_.data() + gap_end_, buf_.size() - gap_end_)};
}

void GapText::Assign(std::u16string text) {
  buf_.assign(text.begin(), text.end());
  gap_begin_ = gap_end_ = buf_.size();
}

// ---------------------------------------------------------------- RunArray

void RunArray::Seek(size_t pos) const {
  while (gap_begin_ > 0 && before_ > pos) {
    --gap_begin_;
    --gap_end_;
    runs_[gap_end_] = runs_[gap_begin_];
    before_ -= runs_[gap_end_].length;
  }
  while (gap_end_ < runs_.size() && before_ + runs_[gap_end_].length <= pos) {
    runs_[gap_begin_] = runs_[gap_end_];
    before_ += runs_[gap_begin_].length;
    ++gap_begin_;
    ++gap_end_;
  }
}

void RunArray::Reserve(size_t n) {
  if (gap_end_ - gap_begin_ >= n) return;
  Reallocate(std::max(WithRoom(RunCount() + n, 16), runs_.size() + runs_.size() / 2));
}

void RunArray::Reallocate(size_t capacity) const {
  std::vector<Run> grown(capacity);
  size_t after = runs_.size() - gap_end_;
  std::copy(runs_.begin(), runs_.begin() + static_cast<ptrdiff_t>(gap_begin_), grown.begin());
  std::copy(runs_.begin() + static_cast<ptrdiff_t>(gap_end_), runs_.end(),
            grown.end() - static_cast<ptrdiff_t>(after));
  gap_end_ = capacity - after;
  runs_ = std::move(grown);
}

void RunArray::PushBeforeGap(const Run& r) {
  if (r.length == 0) return;
  if (coalesce_ && gap_begin_ > 0 && runs_[gap_begin_ - 1].format == r.format)
    runs_[gap_begin_ - 1].length += r.length;
  else
    runs_[gap_begin_++] = r;
  before_ += r.length;
}

void RunArray::MergeAtGap() {
  if (!coalesce_ || gap_begin_ == 0 || gap_end_ >= runs_.size()) return;
  if (!(runs_[gap_begin_ - 1].format == runs_[gap_end_].format)) return;
  runs_[gap_begin_ - 1].length += runs_[gap_end_].length;
  before_ += runs_[gap_end_].length;
  ++gap_end_;
}

RunSpan RunArray::Find(size_t pos) const {
  Seek(pos);
  if (gap_end_ >= runs_.size()) {
    if (gap_begin_ == 0) return {};
    const Run& last = runs_[gap_begin_ - 1];
    return {before_ - last.length, last.length, last.format};
  }
  const Run& r = runs_[gap_end_];
  return {before_, r.length, r.format};
}

void RunArray::Insert(size_t pos, const std::vector<Run>& runs) {
  size_t added = 0;
  for (const Run& r : runs) added += r.length;
  if (added == 0) return;
  Seek(pos);
  Reserve(runs.size() + 2);
  if (gap_end_ < runs_.size() && pos > before_) {
    Run left{static_cast<uint32_t>(pos - before_), runs_[gap_end_].format};
    runs_[gap_end_].length -= left.length;
    runs_[gap_begin_++] = left;
    before_ += left.length;
  }
  for (const Run& r : runs) PushBeforeGap(r);
  total_ += added;
  MergeAtGap();
}

void RunArray::Erase(size_t pos, size_t n) {
  if (n == 0) return;
  Seek(pos);
  Reserve(1);
  if (gap_end_ < runs_.size() && pos > before_) {
    Run left{static_cast<uint32_t>(pos - before_), runs_[gap_end_].format};
    runs_[gap_end_].length -= left.length;
    runs_[gap_begin_++] = left;
    before_ += left.length;
  }
  size_t remaining = n;
  while (remaining > 0 && gap_end_ < runs_.size()) {
    Run& r = runs_[gap_end_];
    if (r.length <= remaining) {
      remaining -= r.length;
      ++gap_end_;
    } else {
      r.length -= static_cast<uint32_t>(remaining);
      remaining = 0;
    }
  }
  total_ -= n - remaining;
  MergeAtGap();
  if (ShouldShrink(RunCount(), runs_.size())) Reallocate(WithRoom(RunCount(), RunCount()));
}

std::vector<Run> RunArray::Collect(size_t pos, size_t n) const {
  std::vector<Run> out;
  if (n == 0) return out;
  Seek(pos);
  size_t offset = pos - before_;
  for (size_t i = gap_end_; n > 0 && i < runs_.size(); ++i) {
    size_t take = std::min<size_t>(runs_[i].length - offset, n);
    out.push_back({static_cast<uint32_t>(take), runs_[i].format});
    n -= take;
    offset = 0;
  }
  return out;
}

void RunArray::Overwrite(size_t pos, const std::vector<Run>& runs) {
  size_t n = 0;
  for (const Run& r : runs) n += r.length;
  Erase(pos, n);
  Insert(pos, runs);
}

std::vector<Run> RunArray::All() const {
  std::vector<Run> out(runs_.begin(), runs_.begin() + static_cast<ptrdiff_t>(gap_begin_));
  out.insert(out.end(), runs_.begin() + static_cast<ptrdiff_t>(gap_end_), runs_.end());
  return out;
}

void RunArray::Assign(std::vector<Run> runs) {
  runs_.clear();
  total_ = 0;
  for (const Run& r : runs) {
    if (r.length == 0) continue;
    total_ += r.length;
    if (coalesce_ && !runs_.empty() && runs_.back().format == r.format)
      runs_.back().length += r.length;
    else
      runs_.push_back(r);
  }
  gap_begin_ = gap_end_ = runs_.size();
  before_ = total_;
}

// ---------------------------------------------------------------- AnchorArray

void AnchorArray::Seek(size_t pos, size_t text_length) const {
  while (gap_begin_ > 0 && entries_[gap_begin_ - 1].key >= pos) {
    --gap_begin_;
    --gap_end_;
    entries_[gap_end_] = {text_length - entries_[gap_begin_].key, entries_[gap_begin_].uid};
  }
  while (gap_end_ < entries_.size() && text_length - entries_[gap_end_].key < pos) {
    entries_[gap_begin_] = {text_length - entries_[gap_end_].key, entries_[gap_end_].uid};
    ++gap_begin_;
    ++gap_end_;
  }
}

void AnchorArray::Add(size_t pos, UID uid, size_t text_length) {
  Seek(pos, text_length);
  if (gap_end_ == gap_begin_) {
    size_t after = entries_.size() - gap_end_;
    size_t capacity = std::max<size_t>(16, entries_.size() * 2);
    std::vector<Entry> grown(capacity);
    std::copy(entries_.begin(), entries_.begin() + static_cast<ptrdiff_t>(gap_begin_),
              grown.begin());
    std::copy(entries_.begin() + static_cast<ptrdiff_t>(gap_end_), entries_.end(),
              grown.end() - static_cast<ptrdiff_t>(after));
    gap_end_ = capacity - after;
    entries_ = std::move(grown);
  }
  entries_[--gap_end_] = {text_length - pos, uid};
}

UID AnchorArray::At(size_t pos, size_t text_length) const {
  Seek(pos, text_length);
  if (gap_end_ < entries_.size() && text_length - entries_[gap_end_].key == pos)
    return entries_[gap_end_].uid;
  return kInvalidUID;
}

std::vector<Anchor> AnchorArray::In(size_t pos, size_t n, size_t text_length) const {
  std::vector<Anchor> out;
  Seek(pos, text_length);
  for (size_t i = gap_end_; i < entries_.size(); ++i) {
    size_t p = text_length - entries_[i].key;
    if (p >= pos + n) break;
    out.push_back({p, entries_[i].uid});
  }
  return out;
}

std::vector<Anchor> AnchorArray::Remove(size_t pos, size_t n, size_t text_length) {
  std::vector<Anchor> out;
  Seek(pos, text_length);
  while (gap_end_ < entries_.size()) {
    size_t p = text_length - entries_[gap_end_].key;
    if (p >= pos + n) break;
    out.push_back({p, entries_[gap_end_].uid});
    ++gap_end_;
  }
  return out;
}

std::vector<Anchor> AnchorArray::All(size_t text_length) const {
  std::vector<Anchor> out;
  out.reserve(size());
  for (size_t i = 0; i < gap_begin_; ++i) out.push_back({entries_[i].key, entries_[i].uid});
  for (size_t i = gap_end_; i < entries_.size(); ++i)
    out.push_back({text_length - entries_[i].key, entries_[i].uid});
  return out;
}

void AnchorArray::Assign(std::vector<Anchor> anchors, size_t text_length) {
  (void)text_length;
  entries_.clear();
  for (const Anchor& a : anchors) entries_.push_back({a.position, a.uid});
  gap_begin_ = gap_end_ = entries_.size();
}

// ---------------------------------------------------------------- FormatTable

FormatTable::FormatTable() {
  Reset();
}

void FormatTable::Reset() {
  sets_.assign(1, AttributeList());
  index_.clear();  // the empty list (index 0) is not looked up: a plain story allocates nothing
}

uint32_t FormatTable::Intern(const AttributeList& list) {
  if (list.empty()) return 0;
  auto it = index_.find(list);
  if (it != index_.end()) return it->second;
  uint32_t index = static_cast<uint32_t>(sets_.size());
  sets_.push_back(list);
  index_.emplace(list, index);
  return index;
}

}  // namespace tarvelin
