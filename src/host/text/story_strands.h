// The storage of a story: text, run strands, inline anchors and interned override lists.
//
// Each structure keeps a gap at its last edit (a cursor). Edits and lookups move the gap
// to where they act, so a pass that works forward through a story (an import, the box
// pass) costs time linear in the story overall, and a pass of undos going backward does
// too. Nothing here copies a whole story for an edit.
//
//   GapText      UTF-16 units with a gap
//   RunArray     (length, Format) runs with a gap; `before_` is the length of the runs in
//                front of the gap, so a position is found by walking from the cursor.
//                A coalescing array merges equal neighbours (character strand); a
//                non-coalescing one keeps one run per paragraph (paragraph strand).
//   AnchorArray  (position -> UID) ascending. Entries in front of the gap hold their
//                position, entries behind it their distance from the end of the text,
//                so an edit at the gap shifts every later anchor without touching it.
//   FormatTable  distinct override lists; index 0 is the empty list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/objects/uid.h"
#include "host/text/text_attributes.h"

namespace tarvelin {

class GapText {
 public:
  size_t size() const { return buf_.size() - (gap_end_ - gap_begin_); }
  char16_t At(size_t i) const { return i < gap_begin_ ? buf_[i] : buf_[i + gap_end_ - gap_begin_]; }
  void Insert(size_t pos, std::u16string_view text);
  // As Insert; a text much longer than this one, with room for it, becomes the buffer
  // itself: a whole story moved into an empty one is neither copied nor given fresh memory.
  void InsertTaking(size_t pos, std::u16string&& text);
  void Erase(size_t pos, size_t n);
  // Erases the range and returns it; a range of nearly all the text takes the buffer along,
  // so that deleting a whole story neither copies its text nor asks for memory.
  std::u16string Take(size_t pos, size_t n);
  // `room`: capacity to spare in the copy, so that InsertTaking can keep it.
  std::u16string Copy(size_t pos, size_t n, size_t room = 0) const;
  // The text as at most two contiguous pieces, in order.
  std::pair<std::u16string_view, std::u16string_view> Pieces() const;
  void Assign(std::u16string text);
  // Room for at least `n` more units without moving the text again.
  void Reserve(size_t n);

 private:
  void MoveGap(size_t pos);
  void Reallocate(size_t capacity);  // capacity >= size()

  std::u16string buf_;  // its size is the capacity: the gap lies inside
  size_t gap_begin_ = 0;
  size_t gap_end_ = 0;
};

// What a run carries: a style (kInvalidUID = the root style of the strand's kind) and an
// index into the story's FormatTable.
struct Format {
  UID style = kInvalidUID;
  uint32_t overrides = 0;
  friend bool operator==(const Format&, const Format&) = default;
};

struct Run {
  uint32_t length = 0;
  Format format;
  friend bool operator==(const Run&, const Run&) = default;
};

struct RunSpan {
  size_t start = 0;
  size_t length = 0;
  Format format;
};

class RunArray {
 public:
  explicit RunArray(bool coalesce) : coalesce_(coalesce) {}

  size_t Total() const { return total_; }
  size_t RunCount() const { return runs_.size() - (gap_end_ - gap_begin_); }
  // The run holding pos (pos < Total()).
  RunSpan Find(size_t pos) const;
  // The last run's format, without moving the cursor (the array must not be empty).
  Format Last() const {
    return gap_end_ < runs_.size() ? runs_.back().format : runs_[gap_begin_ - 1].format;
  }
  // Inserts runs at pos; a run holding pos is split around them.
  void Insert(size_t pos, const std::vector<Run>& runs);
  void Erase(size_t pos, size_t n);
  // The runs of [pos, pos + n), clipped to the range.
  std::vector<Run> Collect(size_t pos, size_t n) const;
  // Replaces [pos, pos + sum of lengths) with the runs.
  void Overwrite(size_t pos, const std::vector<Run>& runs);
  // Every run in order.
  std::vector<Run> All() const;
  void Assign(std::vector<Run> runs);

 private:
  void Seek(size_t pos) const;
  void Reserve(size_t n);
  void Reallocate(size_t capacity) const;  // capacity >= RunCount()
  void PushBeforeGap(const Run& r);
  void MergeAtGap();

  bool coalesce_;
  mutable std::vector<Run> runs_;
  mutable size_t gap_begin_ = 0;
  mutable size_t gap_end_ = 0;
  mutable size_t before_ = 0;  // total length of runs_[0, gap_begin_)
  size_t total_ = 0;
};

struct Anchor {
  size_t position = 0;
  UID uid = kInvalidUID;
  friend bool operator==(const Anchor&, const Anchor&) = default;
};

class AnchorArray {
 public:
  size_t size() const { return entries_.size() - (gap_end_ - gap_begin_); }
  // `text_length` is always the story's current length.
  void Add(size_t pos, UID uid, size_t text_length);
  UID At(size_t pos, size_t text_length) const;
  std::vector<Anchor> In(size_t pos, size_t n, size_t text_length) const;
  // Removes and returns the anchors of [pos, pos + n); call before the text shrinks.
  std::vector<Anchor> Remove(size_t pos, size_t n, size_t text_length);
  // Moves the cursor to pos; call before text is inserted there.
  void PrepareInsert(size_t pos, size_t text_length) { Seek(pos, text_length); }
  std::vector<Anchor> All(size_t text_length) const;
  void Assign(std::vector<Anchor> anchors, size_t text_length);

 private:
  struct Entry {
    size_t key;  // position in front of the gap, distance from the end behind it
    UID uid;
  };
  void Seek(size_t pos, size_t text_length) const;

  mutable std::vector<Entry> entries_;
  mutable size_t gap_begin_ = 0;
  mutable size_t gap_end_ = 0;
};

class FormatTable {
 public:
  FormatTable();
  uint32_t Intern(const AttributeList& list);
  const AttributeList& Get(uint32_t index) const {
    return index < sets_.size() ? sets_[index] : sets_[0];
  }
  size_t size() const { return sets_.size(); }
  void Reset();

 private:
  std::vector<AttributeList> sets_;
  std::unordered_map<AttributeList, uint32_t, AttributeListHash> index_;
};

}  // namespace tarvelin
