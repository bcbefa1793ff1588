// Composition in steps, for a front end that shows pages before the whole document is
// composed: the stories and columns one page shows first, the rest a slice at a time.
// Every story is composed exactly as a whole-document composition would compose it (the
// steps stop only between paragraphs, and each story depends only on its own frames), so
// a finished job leaves the same state.
#pragma once

#include <chrono>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/documents/page_item.h"
#include "host/documents/spread.h"
#include "host/objects/uid.h"
#include "layout/composer.h"
#include "layout/composition_state.h"

namespace tarvelin {

class Document;

// The columns of a thread's frames, in thread order.
std::vector<ColumnFrame> ThreadColumns(const Document& doc, const std::vector<UID>& thread);

class CompositionJob {
 public:
  // Fills `state`, which must be empty and outlive the job.
  CompositionJob(Document& doc, CompositionState& state);

  // Composes what the page's spread shows: its frames' stories through their columns
  // there, and the stories of the inline frames those columns hold.
  void ComposePage(const PageRef& page);
  // Composes the rest in story order until `deadline`; true when everything is composed.
  bool Step(std::chrono::steady_clock::time_point deadline);
  bool Done() const { return next_ >= stories_.size(); }

 private:
  struct Open {
    ComposedStory* story = nullptr;
    PlaceCursor cursor;
  };
  Open* Begin(UID story);  // null when the story is composed already or has no frame
  void Advance(UID story, Open& open, size_t throughColumn);
  void ComposeFrame(UID frame, int depth);

  Document& doc_;
  CompositionState& state_;
  Composer composer_;
  std::vector<UID> stories_;  // the listed stories with a frame, in list order
  std::unordered_set<UID> listed_;
  size_t next_ = 0;  // the first of stories_ that Step has not finished
  std::unordered_map<UID, Open> open_;
};

}  // namespace tarvelin
