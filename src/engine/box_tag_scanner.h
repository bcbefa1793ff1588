// The box-tag scanner: finds complete top-level box definitions in story text, such as
// <boxtext ...>...</boxtext>, <boxpicture .../> or <boxgroup ...><innerbox .../></boxgroup>.
//
// The rules it answers to are those of a 14-unit window sliding over the text, fed one
// code unit at a time, index i:
//
//   begin tags  "<boxgroup" "<innerbox" "<boxpicture" "<boxtext"  compared with the start of
//               a full window, so a begin is counted at i = p + 13 where p is its '<' (never
//               when p + 13 is past the text). At depth 0 it opens a top-level definition:
//               the end index is reset and the start index is the nearest '<' at or before
//               i. Every begin raises the depth.
//   end tags    "/boxgroup>" "/innerbox>" "/boxpicture>" "/boxtext>" "/>"  compared with the
//               end of the window, so an end is counted at its '>'. Every end lowers the
//               depth (which may become negative); going from 1 to 0 sets the end index to i.
//   complete    after a unit whose begin and end (begin first) left the depth at 0 with a
//               begin counted since the last completion.
//
// So a self-closing definition whose "/>" is less than 13 units after its '<' has its end
// counted before its begin; such a completion is not anchored (no begin opened at depth
// 0 since the last one) and its indices are stale: callers must not collect it.
//
// Only '<' and '>' can change the state, so the scanner reads the text in blocks and
// looks only there; the results are those of the window fed at every unit.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/story_text.h"

namespace tarvelin {

struct BoxTagCompletion {
  // The index of the unit whose feed completed the definition.
  int64_t index = -1;
  // The '<' that opened the top-level definition and the last unit of its closing tag;
  // -1 when never set. Meaningful only when anchored.
  int64_t startIndex = -1;
  int64_t endIndex = -1;
  // A begin at depth 0 opened this definition, so the indices belong to it.
  bool anchored = false;
};

class ZevBoxTagScanner {
 public:
  static constexpr int kWindowSize = 14;

  explicit ZevBoxTagScanner(const StoryText& story);
  ZevBoxTagScanner(const ZevBoxTagScanner&) = delete;
  ZevBoxTagScanner& operator=(const ZevBoxTagScanner&) = delete;

  // Feeds the units from Position() up to `limit` (exclusive, clipped to the text). Stops
  // right after a unit that completes a definition and returns true; Completion() then
  // describes it. Returns false when `limit` was reached without a completion.
  bool Advance(int64_t limit);

  // Every unit before this index has been fed.
  int64_t Position() const { return fed_; }
  const BoxTagCompletion& Completion() const { return completion_; }

  int Depth() const { return depth_; }
  int64_t StartIndex() const { return startIndex_; }
  int64_t EndIndex() const { return endIndex_; }
  // A top-level definition was opened and has not completed yet.
  bool TopLevelOpen() const { return anchored_; }

 private:
  struct PendingBegin {
    int64_t index;       // where the window counts it: '<' + 13
    int64_t startIndex;  // the nearest '<' at or before that index
  };

  void Load(int64_t from);
  int64_t FindAngle(int64_t from, int64_t stop) const;
  bool BeginTagAt(int64_t p) const;
  bool EndTagAt(int64_t q) const;
  int64_t NearestOpenAngle(int64_t from, int64_t downTo) const;
  // Applies what the window sees at index i; true when that completes a definition.
  bool Step(int64_t i, const PendingBegin* begin, bool end);
  char16_t Unit(int64_t index) const { return buffer_[static_cast<size_t>(index - bufferStart_)]; }

  const StoryText& story_;
  int64_t length_;

  // Block buffer: units [bufferStart_, bufferEnd_); '<' and '>' are looked for below
  // searchEnd_, which keeps enough units on both sides for the tag comparisons.
  std::vector<char16_t> buffer_;
  int64_t bufferStart_ = 0;
  int64_t bufferEnd_ = 0;
  int64_t searchEnd_ = 0;

  int64_t search_ = 0;  // next index to look at for '<' or '>'
  int64_t fed_ = 0;

  // Begins found but not yet counted. Two matching begin tags are at least 8 units apart,
  // so at most two of them lie within one window.
  std::array<PendingBegin, 4> pending_{};
  int pendingHead_ = 0;
  int pendingCount_ = 0;

  int depth_ = 0;
  bool beginSeen_ = false;
  bool anchored_ = false;
  int64_t startIndex_ = -1;
  int64_t endIndex_ = -1;
  BoxTagCompletion completion_;
};

}  // namespace tarvelin
