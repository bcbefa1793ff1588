// The selection of one document: either page items (a layout selection) or a range of
// one story (a text selection, whose items are the frames that show the story). Not
// persistent and not undone: selecting is not a change of the document.
#pragma once

#include <cstdint>
#include <optional>

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

class Selection {
 public:
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

 private:
  UIDList items_;
  std::optional<StoryRange> text_;
  Database* db_ = nullptr;
};

}  // namespace tarvelin
