// Small reversible undo records, for edits too frequent or too large to snapshot.
//
// The generic undo mechanism snapshots a persistent implementation's bytes on PreDirty.
// That is wrong for a text model: an import edits a long story thousands of times, and
// no edit may copy the whole story. Such a model applies its raw operation and hands the
// database a record that can reverse it in place (Database::AddUndoRecord). Records are
// replayed in reverse order on undo and in order on redo, interleaved with the snapshots
// and creations of the same step, so each record finds the state it left behind.
#pragma once

namespace tarvelin {

class Database;

class UndoRecord {
 public:
  virtual ~UndoRecord() = default;
  // Reverses the edit. The database records nothing while it replays, and neither undo
  // nor redo may fail: the record must carry all it needs.
  virtual void Undo(Database& db) = 0;
  // Applies the edit again.
  virtual void Redo(Database& db) = 0;
  // Offered the record added right after this one (same step, no other record in between,
  // no command boundary); true when this record now covers both and `later` is dropped.
  // Lets a text model coalesce consecutive typing into one record.
  virtual bool Absorb(UndoRecord& later) {
    (void)later;
    return false;
  }
};

}  // namespace tarvelin
