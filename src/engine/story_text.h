// Read access to a story's text for the passes that walk it. A story is UTF-16 code
// units; an index is a code-unit index (surrogate halves are separate units, so every
// index names exactly one unit). The host's stories implement this over their own
// buffer; tests and the command line use StringStoryText over a plain string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvelin {

class StoryText {
 public:
  virtual ~StoryText() = default;
  // Total length in code units (a host story's includes its end-of-story character).
  virtual int64_t Length() const = 0;
  // 0 <= index < Length().
  virtual char16_t CharAt(int64_t index) const = 0;
  // Copies [start, start + count) to out; the range lies inside the text. Scanners read
  // in blocks through this, so a story kept in pieces should override it; the default
  // goes through CharAt.
  virtual void Read(int64_t start, int64_t count, char16_t* out) const;

  // [start, end) clipped to the text; empty when the range is empty or outside it.
  std::u16string Substring(int64_t start, int64_t end) const;
};

// A story over a string the caller keeps alive.
class StringStoryText final : public StoryText {
 public:
  explicit StringStoryText(std::u16string_view text) : text_(text) {}
  int64_t Length() const override { return static_cast<int64_t>(text_.size()); }
  char16_t CharAt(int64_t index) const override { return text_[static_cast<size_t>(index)]; }
  void Read(int64_t start, int64_t count, char16_t* out) const override;

 private:
  std::u16string_view text_;
};

}  // namespace tarvelin
