#include "engine/box_tag_scanner.h"

#include <algorithm>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvelin {

namespace {

constexpr std::u16string_view kBeginTags[] = {u"<boxgroup", u"<innerbox", u"<boxpicture",
                                              u"<boxtext"};
constexpr std::u16string_view kEndTags[] = {u"/boxgroup>", u"/innerbox>", u"/boxpicture>",
                                            u"/boxtext>", u"/>"};
// A begin is counted when its '<' is the oldest unit of a full window.
constexpr int64_t kBeginDelay = ZevBoxTagScanner::kWindowSize - 1;
constexpr int64_t kBlock = 64 * 1024;
// Units kept on each side of a block: a begin tag and the look back from its count need
// 14 units after a '<', an end tag 12 units up to its '>'.
constexpr int64_t kMargin = 16;

// '<' is 0x3C and '>' 0x3E: no other unit gives 0x3E when bit 1 is set.
inline bool IsAngle(char16_t c) {
  return (c | 2) == u'>';
}

}  // namespace

ZevBoxTagScanner::ZevBoxTagScanner(const StoryText& story)
    : story_(story), length_(std::max<int64_t>(story.Length(), 0)) {}

void ZevBoxTagScanner::Load(int64_t from) {
  bufferStart_ = std::max<int64_t>(from - kMargin, 0);
  bufferEnd_ = std::min(length_, from + kBlock + kMargin);
  buffer_.resize(static_cast<size_t>(bufferEnd_ - bufferStart_));
  story_.Read(bufferStart_, bufferEnd_ - bufferStart_, buffer_.data());
  searchEnd_ = bufferEnd_ == length_ ? length_ : bufferEnd_ - kMargin;
}

int64_t ZevBoxTagScanner::FindAngle(int64_t from, int64_t stop) const {
  const char16_t* base = buffer_.data() - bufferStart_;
  int64_t i = from;
#if defined(__SSE2__)
  const __m128i bit = _mm_set1_epi16(2);
  const __m128i angle = _mm_set1_epi16(u'>');
  for (; i + 32 <= stop; i += 32) {
    const auto* p = reinterpret_cast<const __m128i*>(base + i);
    __m128i a = _mm_cmpeq_epi16(_mm_or_si128(_mm_loadu_si128(p), bit), angle);
    __m128i b = _mm_cmpeq_epi16(_mm_or_si128(_mm_loadu_si128(p + 1), bit), angle);
    __m128i c = _mm_cmpeq_epi16(_mm_or_si128(_mm_loadu_si128(p + 2), bit), angle);
    __m128i d = _mm_cmpeq_epi16(_mm_or_si128(_mm_loadu_si128(p + 3), bit), angle);
    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) == 0) continue;
    break;  // the scalar loop below finds which unit
  }
#endif
  for (; i < stop; ++i) {
    if (IsAngle(base[i])) return i;
  }
  return stop;
}

bool ZevBoxTagScanner::BeginTagAt(int64_t p) const {
  for (std::u16string_view tag : kBeginTags) {
    if (p + static_cast<int64_t>(tag.size()) > length_) continue;
    bool same = true;
    for (size_t k = 0; k < tag.size() && same; ++k)
      same = Unit(p + static_cast<int64_t>(k)) == tag[k];
    if (same) return true;
  }
  return false;
}

bool ZevBoxTagScanner::EndTagAt(int64_t q) const {
  for (std::u16string_view tag : kEndTags) {
    const auto size = static_cast<int64_t>(tag.size());
    if (q + 1 < size) continue;  // the window does not hold the whole tag yet
    bool same = true;
    for (int64_t k = 0; k < size && same; ++k)
      same = Unit(q - size + 1 + k) == tag[static_cast<size_t>(k)];
    if (same) return true;  // the tags differ in their next-to-last unit: one match at most
  }
  return false;
}

int64_t ZevBoxTagScanner::NearestOpenAngle(int64_t from, int64_t downTo) const {
  for (int64_t i = from; i >= downTo; --i) {
    if (Unit(i) == u'<') return i;
  }
  return -1;
}

bool ZevBoxTagScanner::Step(int64_t i, const PendingBegin* begin, bool end) {
  if (begin) {
    if (depth_ == 0) {
      endIndex_ = -1;
      startIndex_ = begin->startIndex;
      anchored_ = true;
    }
    beginSeen_ = true;
    ++depth_;
  }
  if (end) {
    if (depth_ == 1) endIndex_ = i;
    --depth_;
  }
  if (!beginSeen_ || depth_ != 0) return false;
  beginSeen_ = false;
  completion_ = BoxTagCompletion{i, startIndex_, endIndex_, anchored_};
  anchored_ = false;
  return true;
}

bool ZevBoxTagScanner::Advance(int64_t limit) {
  limit = std::min(limit, length_);
  while (true) {
    int64_t next = limit;  // the next '<' or '>' below limit, or limit
    bool found = false;
    if (search_ < limit) {
      if (search_ < bufferStart_ || search_ >= searchEnd_) Load(search_);
      const int64_t stop = std::min(searchEnd_, limit);
      next = FindAngle(search_, stop);
      found = next < stop;
      if (!found) search_ = stop;
    }
    // Begins counted before `next` come first, in order.
    while (pendingCount_ > 0 && pending_[pendingHead_].index < next) {
      PendingBegin begin = pending_[pendingHead_];
      pendingHead_ = (pendingHead_ + 1) % static_cast<int>(pending_.size());
      --pendingCount_;
      if (Step(begin.index, &begin, false)) {
        fed_ = begin.index + 1;
        return true;
      }
    }
    if (!found) {
      if (search_ >= limit) {
        fed_ = std::max(fed_, limit);
        return false;
      }
      continue;  // next block
    }
    search_ = next + 1;
    if (Unit(next) == u'<') {
      const int64_t counted = next + kBeginDelay;
      if (counted < length_ && BeginTagAt(next)) {
        // The window looks back from where it counts the begin; the tag's own '<' bounds it.
        const int slot = (pendingHead_ + pendingCount_) % static_cast<int>(pending_.size());
        pending_[slot] = PendingBegin{counted, NearestOpenAngle(counted, next)};
        ++pendingCount_;
      }
      continue;
    }
    if (!EndTagAt(next)) continue;
    PendingBegin begin{};
    const bool beginHere = pendingCount_ > 0 && pending_[pendingHead_].index == next;
    if (beginHere) {
      begin = pending_[pendingHead_];
      pendingHead_ = (pendingHead_ + 1) % static_cast<int>(pending_.size());
      --pendingCount_;
    }
    if (Step(next, beginHere ? &begin : nullptr, true)) {
      fed_ = next + 1;
      return true;
    }
  }
}

}  // namespace tarvelin
