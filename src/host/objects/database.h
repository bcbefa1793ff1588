// The object database of a document (or of the session workspace).
//
// Objects are instances of registered classes, named by UIDs that count up from 1 and
// are never reused while the undo history could bring their object back. Creating and
// deleting objects and changing persistent data are recorded into the open undo step,
// which the command processor (Commands()) opens, marks, closes and replays; see
// undo_step.h for the journal and object_record.h for the persistent image.
//
// Changes belong inside a command or command sequence. A change made outside one (for
// example building a new document, or loading) is applied but not recorded; when undo
// history exists it is cleared then, with a diagnostic, because replaying it over an
// unrecorded change would corrupt the document.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/objects/change_notice.h"
#include "host/objects/error_code.h"
#include "host/objects/ids.h"
#include "host/objects/object.h"
#include "host/objects/object_record.h"
#include "host/objects/uid.h"
#include "host/objects/undo_record.h"

namespace tarvelin {

class ClassRegistry;
class CommandProcessor;
class MemoryStream;
class Stream;
class UndoStep;

class Database {
 public:
  explicit Database(std::shared_ptr<const ClassRegistry> registry);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  const ClassRegistry& Registry() const { return *registry_; }
  CommandProcessor& Commands() { return *processor_; }

  // ---- objects
  // Null reference when the class cannot be built or UIDs are exhausted.
  UIDRef CreateObject(ClassID cls);
  ErrorCode DeleteObject(UID uid);
  bool Contains(UID uid) const { return uid < objects_.size() && objects_[uid] != nullptr; }
  std::shared_ptr<Object> Instantiate(UID uid) const;
  template <typename T>
  std::shared_ptr<T> Query(UID uid, InterfaceID iid = T::kIID) const {
    auto object = Instantiate(uid);
    return object ? object->Query<T>(iid) : nullptr;
  }
  size_t ObjectCount() const { return object_count_; }
  UID NextUID() const { return next_uid_; }
  // Ascending UID. The callback must not create or delete objects.
  void ForEachObject(const std::function<void(const Object&)>& fn) const;

  // ---- persistence (object_record.h)
  ObjectRecord CaptureObject(const Object& object) const;
  // One persistent implementation as saving writes it: its size, known before a byte is
  // written, and the writing of exactly those bytes (valid while the object is unchanged).
  struct ImplImage {
    ImplementationID impl;
    size_t size = 0;
    std::function<void(Stream&)> write;
    std::optional<std::vector<uint8_t>> bytes;  // written already: no larger than asked
    // The bytes: those written already, or written now into a buffer of their size.
    std::vector<uint8_t> TakeBytes();
  };
  // Ascending implementation ID, the kept bytes of unknown implementations included. Those
  // of at most `keep` bytes come written; the others are sized, to be written exactly.
  std::vector<ImplImage> ImplImages(const Object& object, size_t keep = 0) const;
  // Inserts a stored object outside undo (loading). The UID must be free; an unknown
  // class gives a placeholder that keeps all bytes; unknown implementations keep theirs.
  // kCorruptData when an implementation's ReadWrite runs out of bytes; the object is
  // not inserted then. kBusy inside a command step.
  ErrorCode LoadObject(const ObjectRecord& record);
  // Raises the next UID to give out (loading); refuses values at or below a UID in use.
  ErrorCode SetNextUID(UID next);
  void WriteImage(Stream& s) const;
  std::vector<uint8_t> Image() const;

  // ---- change recording
  // True while an undo step is open and not being replayed: models that build their own
  // undo records may skip building them otherwise.
  bool IsRecording() const;
  bool IsReplaying() const { return replaying_; }
  // True when a change of `target` now would be kept in the journal: models may skip
  // building records (and the copies they hold) otherwise.
  bool Journals(UID target) const { return IsRecording() && !Fresh(target) && !Unjournalled(); }
  // Records in the open step's journal (0 outside a step), for accounting and tests.
  size_t JournalSize() const;
  // Takes the reversible record of an edit already applied to `target`'s `iid`.
  void AddUndoRecord(UID target, InterfaceID iid, std::unique_ptr<UndoRecord> record);

  // ---- change notices (change_notice.h)
  ObserverId AddObserver(ChangeObserver observer);
  void RemoveObserver(ObserverId id);

 private:
  friend class CommandProcessor;
  friend class PersistentImpl;
  friend class UndoStep;

  struct StepMark {
    size_t records = 0;
    UID next_uid = kInvalidUID;
    size_t depth = 0;  // marks open below this one
  };

  // Step control, used by the command processor. A step whose outermost frame cannot be
  // rolled back (a sequence of a run that keeps no history) journals only what its inner
  // commands and sequences need until they end.
  void OpenStep(bool outermost_undoable = true);
  bool HasOpenStep() const { return step_ != nullptr; }
  // A rollback point; later changes are journalled afresh after it. Marks nest: each is
  // either rolled back to or released, innermost first.
  StepMark Mark();
  void RollbackTo(const StepMark& mark);
  // The work since `mark` stays. Its records of objects created since the enclosing mark
  // are dropped: rolling back that far, or undoing the step, detaches those objects whole.
  void Release(const StepMark& mark);
  // Closes the open step under `name`; null when it recorded nothing.
  std::unique_ptr<UndoStep> CloseStep(std::u16string name);
  void ReplayUndo(UndoStep& step);
  void ReplayRedo(UndoStep& step);
  void Notify(const ChangeSet& changes);

  // Used by the journal.
  void PreDirty(Object& object, uint32_t instance);
  std::shared_ptr<Object> Detach(UID uid);
  void Attach(std::shared_ptr<Object> object);
  std::vector<uint8_t> CaptureImpl(Object& object, uint32_t instance) const;
  bool RestoreImpl(Object& object, uint32_t instance, std::span<const uint8_t> bytes);
  void NoteUnrecordedChange(const char* what);
  void ForgetCovered();
  // True when `uid` was created since the innermost open mark and nothing in the step
  // replays opaquely: its changes need no journal, its creation record brings it back.
  bool Fresh(UID uid) const;
  // True while only a frame that cannot be rolled back is open: nothing need be journalled.
  bool Unjournalled() const { return !outermost_undoable_ && marks_.size() <= 1; }
  UID FreshFrom(size_t depth) const;
  // Names an object the open step changed by means the journal cannot see (a command
  // with its own undo), for the change notice only.
  void Touch(UID target, InterfaceID iid);

  std::shared_ptr<const ClassRegistry> registry_;
  std::unique_ptr<CommandProcessor> processor_;
  std::vector<std::shared_ptr<Object>> objects_;  // indexed by UID; null where none
  size_t object_count_ = 0;
  UID next_uid_ = 1;

  std::unique_ptr<UndoStep> step_;
  // Snapshot bookkeeping of the open step: key (UID << 32 | instance) -> epoch in which
  // the instance was snapshotted (instance kCreatedKey: object created in that epoch).
  std::unordered_map<uint64_t, uint64_t> covered_;
  uint64_t epoch_ = 0;
  size_t merge_floor_ = 0;  // custom records below this index may not absorb new ones
  // The next UID at each open mark, outermost first.
  std::vector<UID> marks_;
  static constexpr size_t kNoRecord = static_cast<size_t>(-1);
  // Index of the step's first record of a command with its own undo. Such a record may
  // touch any object, so from there on every change is journalled in full.
  size_t opaque_from_ = kNoRecord;
  bool outermost_undoable_ = true;
  bool replaying_ = false;

  mutable std::unique_ptr<MemoryStream> scratch_;  // reused for snapshots
  mutable bool capturing_ = false;

  std::vector<std::pair<ObserverId, ChangeObserver>> observers_;
  ObserverId next_observer_ = 1;
};

// Queries an interface through a reference; null for a null reference or a failed query.
template <typename T>
std::shared_ptr<T> QueryInterface(const UIDRef& ref, InterfaceID iid = T::kIID) {
  if (ref.IsNull()) return nullptr;
  return ref.DataBase()->Query<T>(ref.GetUID(), iid);
}

}  // namespace tarvelin

// Commands() is used wherever a database is: make it usable with this header alone.
// (command_processor.h needs Database complete, so it comes after the class.)
#include "host/objects/command_processor.h"  // IWYU pragma: export
