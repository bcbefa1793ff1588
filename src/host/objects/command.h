// Commands: every change of a document is one.
//
// A command's Do applies the change and returns 0 or an error code; a failing Do is
// rolled back by the processor, so the database is left as it was. Undo comes in two
// kinds:
//
//   kSnapshot (default)  nothing to write: persistent data calls PreDirty before it
//                        changes and created or deleted objects are journalled, and the
//                        processor replays that journal (undo_step.h).
//   kOwn                 the command also keeps what it needs and reverses it in Undo and
//                        re-applies it in Redo, after (undo) or before (redo) the journal
//                        of its Do is replayed. Its item list names what it changed, for
//                        change notices. Undo and Redo may not fail.
//
// Commands are plain objects (std::make_shared<MyCommand>(...)) or, as class-table
// implementations of ICommand, part of a registered class that also carries the
// command's data interfaces; CreateCommand makes one of those.
#pragma once

#include <memory>
#include <string>

#include "host/objects/error_code.h"
#include "host/objects/ids.h"
#include "host/objects/interface.h"
#include "host/objects/uid.h"

namespace tarvelin {

class ClassRegistry;

class Command : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x1001};
  enum class UndoMode { kSnapshot, kOwn };

  ~Command() override = default;

  virtual ErrorCode Do() = 0;
  // Runs after a successful Do, inside the step: tell the item's own observers.
  virtual void DoNotify() {}
  virtual void Undo() {}
  virtual void Redo() {}
  // The name shown for the undo step when the command stands by itself.
  virtual std::u16string Name() const { return name_; }

  UndoMode GetUndoMode() const { return undo_mode_; }
  const UIDList& ItemList() const { return items_; }
  void SetItemList(UIDList items) { items_ = std::move(items); }

 protected:
  explicit Command(std::u16string name = {}, UndoMode mode = UndoMode::kSnapshot)
      : name_(std::move(name)), undo_mode_(mode) {}
  void SetName(std::u16string name) { name_ = std::move(name); }

 private:
  std::u16string name_;
  UndoMode undo_mode_;
  UIDList items_;
};

// The ICommand of a new free object of class `cls`; it keeps the whole object (and so
// the command's data interfaces) alive. Null when the class cannot be built or has no
// ICommand.
std::shared_ptr<Command> CreateCommand(const ClassRegistry& registry, ClassID cls);

}  // namespace tarvelin
