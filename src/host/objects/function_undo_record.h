// An undo record made of two functions: for edits of lists that grow by thousands in one
// command sequence (the story list, the items of a spread layer, the swatch list) and
// must not snapshot the whole list per change.
// Each function re-applies a raw edit; neither may fail or record.
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "host/objects/database.h"
#include "host/objects/undo_record.h"

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

// Records an edit already applied to `impl`, the `iid` implementation of its object. The
// functions get the implementation as it is when undo or redo replays, found again by the
// owner's UID (loading or a snapshot may have replaced the instance). Nothing is recorded
// for an implementation that is not part of an object yet.
template <typename Impl, typename UndoFn, typename RedoFn>
void RecordImplEdit(const Impl& impl, InterfaceID iid, UndoFn undo, RedoFn redo) {
  Object* owner = impl.Owner();
  if (!owner) return;
  UID uid = owner->GetUID();
  auto apply = [uid, iid](auto fn) {
    return [uid, iid, fn](Database& db) {
      if (auto target = db.Query<Impl>(uid, iid)) fn(*target);
    };
  };
  RecordEdit(owner->DataBase(), uid, iid, apply(std::move(undo)), apply(std::move(redo)));
}

}  // namespace tarvelin
