#include "engine/story_text.h"

#include <algorithm>

namespace tarvelin {

void StoryText::Read(int64_t start, int64_t count, char16_t* out) const {
  for (int64_t i = 0; i < count; ++i) out[i] = CharAt(start + i);
}

std::u16string StoryText::Substring(int64_t start, int64_t end) const {
  start = std::max<int64_t>(start, 0);
  end = std::min(end, Length());
  if (start >= end) return {};
  std::u16string text(static_cast<size_t>(end - start), u'\0');
  Read(start, end - start, text.data());
  return text;
}

void StringStoryText::Read(int64_t start, int64_t count, char16_t* out) const {
  std::copy_n(text_.data() + start, count, out);
}

}  // namespace tarvelin
