#include "host/documents/selection.h"

#include <algorithm>

#include "host/documents/document.h"
#include "host/documents/page_item.h"

namespace tarvelin {

template <typename Apply>
void Selection::Change(Apply&& apply) {
  // Held or unobserved (the engine's many selections during an import): nothing to
  // compare, so nothing is copied.
  if (holds_ > 0 || observers_.empty()) {
    apply();
    return;
  }
  const State before{items_, text_};
  apply();
  Changed(before);
}

void Selection::SelectItems(UIDList items) {
  Change([&] {
    db_ = items.DataBase();
    items_ = std::move(items);
    text_.reset();
  });
}

void Selection::SelectText(Database* db, StoryRange range) {
  if (range.end < range.start) std::swap(range.start, range.end);
  Change([&] {
    db_ = db;
    items_ = UIDList(db);
    text_ = range;
  });
}

void Selection::Clear() {
  Change([&] {
    items_ = UIDList(db_);
    text_.reset();
  });
}

Selection::ObserverId Selection::AddObserver(Observer observer) {
  observers_.emplace_back(next_observer_, std::move(observer));
  return next_observer_++;
}

void Selection::RemoveObserver(ObserverId id) {
  std::erase_if(observers_, [id](const auto& o) { return o.first == id; });
}

void Selection::HoldNotices() {
  if (holds_++ == 0) held_from_ = State{items_, text_};
}

void Selection::ReleaseNotices() {
  if (holds_ == 0 || --holds_ > 0) return;
  State before = std::move(*held_from_);
  held_from_.reset();
  Changed(before);
}

void Selection::Changed(const State& before) {
  if (holds_ > 0) return;
  // Compared by UIDs: an empty list keeps the database it was made with.
  if (before.text == text_ &&
      std::equal(before.items.begin(), before.items.end(), items_.begin(), items_.end()))
    return;
  // A copy: an observer may add or remove observers.
  auto observers = observers_;
  for (const auto& [id, observer] : observers) observer(*this);
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
