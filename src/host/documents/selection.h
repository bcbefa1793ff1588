// The selection of one document: either page items (a layout selection) or a range of
// one story (a text selection, whose items are the frames that show the story). Not
// persistent and not undone: selecting is not a change of the document.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "host/objects/uid.h"

namespace tarvelin {

class ColumnSpans;
class Database;

struct StoryRange {
  UID story = kInvalidUID;
  int32_t start = 0;
  int32_t end = 0;  // exclusive; start == end is a caret
  friend bool operator==(const StoryRange&, const StoryRange&) = default;
};

// Observers hear of a change once per burst of changes: at once when nothing holds the
// notices, else when the last hold ends. The document holds them while a command or a
// command sequence runs and the action manager while an action runs, so an import that
// selects every frame it makes sends one notice at its end, and none when the selection
// ends as it began.
class Selection {
 public:
  using Observer = std::function<void(const Selection&)>;
  using ObserverId = uint64_t;

  // Replaces the selection by these page items (an empty list clears it).
  void SelectItems(UIDList items);
  // Replaces the selection by a text range; the range is kept as given (start <= end).
  void SelectText(Database* db, StoryRange range);
  void Clear();

  bool IsEmpty() const { return items_.empty() && !text_; }
  const UIDList& LayoutItems() const { return items_; }
  const std::optional<StoryRange>& Text() const { return text_; }
  Database* DataBase() const { return db_; }

  // The items the selection stands for: the page items of a layout selection, or the
  // text frames that hold the selected range, in thread order. Without composed spans
  // (or when none of them holds the range) every frame of the story counts.
  UIDList SelectedItems(const ColumnSpans* spans = nullptr) const;

  ObserverId AddObserver(Observer observer);
  void RemoveObserver(ObserverId id);
  void HoldNotices();
  void ReleaseNotices();

 private:
  struct State {
    UIDList items;
    std::optional<StoryRange> text;
  };
  template <typename Apply>
  void Change(Apply&& apply);
  void Changed(const State& before);

  UIDList items_;
  std::optional<StoryRange> text_;
  Database* db_ = nullptr;
  int holds_ = 0;
  std::optional<State> held_from_;  // the selection when the outermost hold began
  std::vector<std::pair<ObserverId, Observer>> observers_;
  ObserverId next_observer_ = 1;
};

// Holds a selection's notices for its scope.
class SelectionNoticeHold {
 public:
  explicit SelectionNoticeHold(Selection& selection) : selection_(selection) {
    selection_.HoldNotices();
  }
  ~SelectionNoticeHold() { selection_.ReleaseNotices(); }
  SelectionNoticeHold(const SelectionNoticeHold&) = delete;
  SelectionNoticeHold& operator=(const SelectionNoticeHold&) = delete;

 private:
  Selection& selection_;
};

}  // namespace tarvelin
