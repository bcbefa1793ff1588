// An undo record made of two functions: for list edits of the layout side (the story
// list, the items of a spread layer) that must not snapshot a whole list per change.
// Each function re-applies a raw edit; neither may fail or record.
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "host/database.h"
#include "host/undo_record.h"

namespace tarvelin {

class FunctionUndoRecord final : public UndoRecord {
 public:
  using Fn = std::function<void(Database&)>;
  FunctionUndoRecord(Fn undo, Fn redo) : undo_(std::move(undo)), redo_(std::move(redo)) {}
  void Undo(Database& db) override { undo_(db); }
  void Redo(Database& db) override { redo_(db); }

 private:
  Fn undo_;
  Fn redo_;
};

// Records an edit already applied to `target`'s `iid`. Outside a command the database
// drops the record (and clears an undo history the edit would invalidate); while undo or
// redo replays, nothing is recorded.
inline void RecordEdit(Database* db, UID target, InterfaceID iid, FunctionUndoRecord::Fn undo,
                       FunctionUndoRecord::Fn redo) {
  if (!db || db->IsReplaying()) return;
  db->AddUndoRecord(target, iid,
                    std::make_unique<FunctionUndoRecord>(std::move(undo), std::move(redo)));
}

}  // namespace tarvelin
