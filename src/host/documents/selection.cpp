#include "host/documents/selection.h"

#include "host/documents/document.h"
#include "host/documents/page_item.h"

namespace tarvelin {

void Selection::SelectItems(UIDList items) {
  db_ = items.DataBase();
  items_ = std::move(items);
  text_.reset();
}

void Selection::SelectText(Database* db, StoryRange range) {
  if (range.end < range.start) std::swap(range.start, range.end);
  db_ = db;
  items_ = UIDList(db);
  text_ = range;
}

void Selection::Clear() {
  items_ = UIDList(db_);
  text_.reset();
}

UIDList Selection::SelectedItems(const ColumnSpans* spans) const {
  if (!text_) return items_;
  UIDList all(db_), holding(db_);
  if (!db_) return all;
  for (UID f : StoryThreadOf(*db_, text_->story)) {
    all.Append(f);
    if (!spans) continue;
    for (const ColumnFrame& c : FrameColumns(*db_, f)) {
      auto span = spans->Span(f, c.column);
      if (!span) continue;
      bool caret = text_->start == text_->end;
      bool holds = caret ? (text_->start >= span->first && text_->start < span->second)
                         : (text_->start < span->second && text_->end > span->first);
      if (holds) {
        holding.Append(f);
        break;
      }
    }
  }
  return holding.empty() ? all : holding;
}

}  // namespace tarvelin
