// The box-definition pass over one story, SearchAndCreateFrames: find every complete
// top-level box definition (ZevBoxTagScanner), check and parse it into a BoxDefinition,
// and, once the whole story has been read, hand the records in story order to the frame
// creation, which replaces each definition by an inline frame. A record with inner boxes
// gets a pass of its own over the new frame's story.
//
// Index bookkeeping: records are collected before any frame is made, so they carry
// indices of the unchanged story. Record k (from 0) stores
//   storyStart = start + k + 1,   storyEnd = end + k + 2
// (start: its '<', end: its last unit). Creation replaces each definition by one anchor
// unit, so record k is handed over with m = the summed lengths of the records before it
// and finds its current first index at storyStart - m - 1.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/progress.h"
#include "engine/story_text.h"
#include "framefile/box_definition.h"

namespace tarvelin {

// A frame as the pass names it: its UID in the database that holds it. UID 0 is the
// null reference.
struct FrameRef {
  const void* database = nullptr;
  uint32_t uid = 0;
  bool IsNull() const { return uid == 0; }
  bool operator==(const FrameRef&) const = default;
};

// Where the frames come from. The pass only decides which records become frames and in
// what order; everything that touches a document goes through here.
class IFrameCreator {
 public:
  virtual ~IFrameCreator() = default;
  // Whether frames can be made in the story of `parent` (its story, the story's edit
  // commands, a selection). Writes its own diagnostic when not.
  virtual bool CanCreateIn(FrameRef parent) = 0;
  // Replaces the definition of `record` by an inline frame in the story of `parent`; k is
  // the record's index in its pass, m the summed lengths of the records before it. Stores
  // the new frame in the record and returns it, or the null reference when the run must
  // stop.
  virtual FrameRef CreateInlineFrame(BoxDefinition& record, FrameRef parent, int k, int64_t m,
                                     int nestingLevel) = 0;
  // The story of a frame made by CreateInlineFrame, for the pass over its inner boxes;
  // null (after its diagnostic) when the frame has no story.
  virtual std::unique_ptr<StoryText> StoryOf(FrameRef frame) = 0;
};

// What one pass needs from the run that drives it. The run owns the continue flag, which
// an alert may clear while frames are being created.
struct StageTimes;

struct BoxPassRun {
  IFrameCreator& creator;
  const bool& continueRun;
  StageTimes* times = nullptr;  // the top-level pass adds its search and creation seconds
};

struct CollectedRecord {
  BoxDefinition record;
  int64_t startIndex;  // the definition's '<'
  int64_t endIndex;    // its last unit
};

// A definition the pass leaves as text.
struct RejectedDefinition {
  enum class Reason {
    kUnbalanced,      // the check found begin and end tags that do not balance
    kEndBeforeBegin,  // an end tag was counted before this begin (a stray end, or a
                      // self-closing tag shorter than the scanner's window)
    kOutOfRange,      // its recorded indices do not fit a record's 32-bit fields
  };
  int64_t start;  // its '<' (for kEndBeforeBegin the '<' of the begin tag counted)
  int64_t end;    // one past its last unit (for kEndBeforeBegin: one past the unit read)
  Reason reason;
};

const char* ReasonName(RejectedDefinition::Reason reason);

struct BoxCollection {
  // Valid records in story order, with their recorded indices.
  std::deque<CollectedRecord> records;  // the pass takes each from the front as it goes
  std::vector<RejectedDefinition> rejected;
  // The record whose parse failed; collection stopped there and the pass creates nothing.
  std::optional<CollectedRecord> invalid;
  // Scanner state after the last unit read: a positive depth with an open top-level
  // definition means that definition never closed.
  int endDepth = 0;
  std::optional<int64_t> unclosedStart;

  bool Stopped() const { return invalid.has_value(); }
};

// The collection phase: reads the whole story (or up to an invalid record), checks and
// parses each complete top-level definition. `rangeBar`, when given, follows the reading.
BoxCollection CollectBoxDefinitions(const StoryText& story, ProgressBar* rangeBar = nullptr);

// The whole pass. `taskBar` is given at the top level only (nesting level 0); it shows
// the phases and its creation bar can cancel the remaining records.
void SearchAndCreateFrames(const StoryText& story, FrameRef frame, Progress* taskBar,
                           int nestingLevel, const BoxPassRun& run);

}  // namespace tarvelin
