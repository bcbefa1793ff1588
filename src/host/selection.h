// The selection of one document: either page items (a layout selection) or a range of
// one story (a text selection, whose items are the frames that show the story). Not
// persistent and not undone: selecting is not a change of the document.
#pragma once

#include <cstdint>
#include <optional>

#include "host/uid.h"

namespace tarvelin {

struct TextRange {
  UID story = kInvalidUID;
  int32_t start = 0;
  int32_t end = 0;  // exclusive; start == end is a caret
  friend bool operator==(const TextRange&, const TextRange&) = default;
};

class Selection {
 public:
  // Replaces the selection by these page items (an empty list clears it).
  void SelectItems(UIDList items);
  // Replaces the selection by a text range; the range is kept as given (start <= end).
  void SelectText(Database* db, TextRange range);
  void Clear();

  bool IsEmpty() const { return items_.empty() && !text_; }
  const UIDList& LayoutItems() const { return items_; }
  const std::optional<TextRange>& Text() const { return text_; }
  Database* DataBase() const { return db_; }

  // The items the selection stands for: the page items of a layout selection, or the
  // text frames of the selected story (in thread order, each once).
  UIDList SelectedItems() const;

 private:
  UIDList items_;
  std::optional<TextRange> text_;
  Database* db_ = nullptr;
};

}  // namespace tarvelin
