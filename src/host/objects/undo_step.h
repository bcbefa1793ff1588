// One undo step: the journal of a command or command sequence, replayable both ways.
//
// While a step is open the database appends a record for every change, in the order the
// changes happen. Undo walks the records backwards, redo forwards; rolling back to a mark
// (a failed command, an aborted sequence) undoes and drops the records after it.
//
//   record      recorded when                          undo / redo
//   ---------   ------------------------------------   ---------------------------------
//   kCreated    an object was created                  detach the object and keep it /
//                                                      attach the same object again
//   kDeleted    an object was deleted (kept here)      attach it again / detach it
//   kSnapshot   first PreDirty of an implementation    swap: capture the current bytes,
//               instance since the last mark            read the kept bytes back, keep
//               (objects created since then need none)  the captured ones for the other
//                                                       direction
//   kCustom     a model added its own UndoRecord       record->Undo / record->Redo
//   kTouch      a command with its own undo ran        nothing (names the items it
//                                                      changed, for change notices)
//
// Why this restores exactly: each record is reversed against the state that followed it.
// A snapshot covers every later change of its instance until the next mark, because the
// snapshot is taken again after each mark (each command, each nested sequence) and after
// each custom record. An object created in the step is detached with its final state, so
// redo brings back exactly that state; that is also why the journal keeps no change of an
// object created since the innermost open mark, and drops them when a command or sequence
// ends for objects created since the mark around it (an import's new frames and stories
// then cost one record each). Records only change their own object, except those of
// commands with their own undo, which end this economy for the rest of the step. The next UID is
// part of the step too (before and after), so UIDs come out the same on redo and new objects after
// an undo never collide with objects the redo stack still holds.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "host/objects/change_notice.h"
#include "host/objects/ids.h"
#include "host/objects/uid.h"
#include "host/objects/undo_record.h"

namespace tarvelin {

class Database;
class Object;

class UndoStep {
 public:
  enum class Kind : uint8_t { kCreated, kDeleted, kSnapshot, kCustom, kTouch };
  struct Record {
    Record(Kind k, UID u) : kind(k), uid(u) {}
    Kind kind;
    UID uid = kInvalidUID;
    uint32_t instance = 0;               // kSnapshot: implementation instance index
    InterfaceID iid;                     // kCustom: the interface it edits
    std::shared_ptr<Object> parked;      // kCreated while undone, kDeleted while done
    std::vector<uint8_t> bytes;          // kSnapshot: the state of the other direction
    std::unique_ptr<UndoRecord> custom;  // kCustom
  };

  explicit UndoStep(UID next_uid_before) : uid_before_(next_uid_before) {}

  const std::u16string& Name() const { return name_; }
  void SetName(std::u16string name) { name_ = std::move(name); }
  bool Empty() const { return records_.empty(); }
  size_t Size() const { return records_.size(); }
  // Bytes kept by snapshots (for memory accounting and tests).
  size_t SnapshotBytes() const;

  std::deque<Record>& Records() { return records_; }
  UID UIDBefore() const { return uid_before_; }
  UID UIDAfter() const { return uid_after_; }
  void SetUIDAfter(UID uid) { uid_after_ = uid; }

  // Reverses and drops the records from `mark` on.
  void RollbackTo(Database& db, size_t mark);
  void Undo(Database& db);
  void Redo(Database& db);

  // Net effect of the step (see change_notice.h); computed once when the step closes,
  // against the database as it is then.
  void Summarise(const Database& db);
  const ChangeSet& Changes() const { return changes_; }

 private:
  void Reverse(Database& db, Record& r);
  void Apply(Database& db, Record& r);
  // Snapshots are the same both ways: keep the current bytes, read the kept ones back.
  static void Swap(Database& db, Record& r);

  std::u16string name_;
  std::deque<Record> records_;  // a long import's journal grows without moving
  ChangeSet changes_;
  UID uid_before_;
  UID uid_after_ = kInvalidUID;
};

}  // namespace tarvelin
