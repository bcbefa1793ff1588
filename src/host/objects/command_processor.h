// Command processing: commands, command sequences, undo and redo of one database.
//
// A command processed outside any sequence is one undo step, named after the command.
// BeginCommandSequence opens a step that every command (and every direct change) until
// the matching EndCommandSequence joins; the step takes the sequence's name. Sequences
// nest: an inner sequence merges into the outer one, which alone names the step. An
// abort rolls back everything since its sequence began, at once, and leaves nothing on
// the undo stack; aborting an inner sequence keeps the outer one's earlier work.
//
// Sequences are ended or aborted by the ID Begin gave, innermost first; anything else is
// refused with kSequenceMismatch and changes nothing. AbortableSequence is the scope
// guard that aborts unless ended. A step that changed nothing is not put on the undo
// stack. A new step clears the redo stack when it is committed. Observers are told once
// per committed, undone or redone step (change_notice.h).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/objects/database.h"
#include "host/objects/error_code.h"
#include "host/objects/ids.h"

namespace tarvelin {

class Command;
class UndoStep;

using SequenceId = TypedId<struct SequenceIdTag>;

class CommandProcessor {
 public:
  explicit CommandProcessor(Database& db);
  ~CommandProcessor();
  CommandProcessor(const CommandProcessor&) = delete;
  CommandProcessor& operator=(const CommandProcessor&) = delete;

  // 0 on success. A failing command leaves the database as it was; inside a sequence the
  // sequence goes on (the caller decides whether to abort it). A command that leaves a
  // sequence of its own open fails with kSequenceMismatch. kBusy during undo or redo.
  ErrorCode ProcessCommand(const std::shared_ptr<Command>& cmd);

  // An invalid ID (kBusy) during undo or redo.
  SequenceId BeginCommandSequence(std::u16string name);
  ErrorCode EndCommandSequence(SequenceId id);
  ErrorCode AbortCommandSequence(SequenceId id);
  size_t SequenceDepth() const;
  // True while a command runs or a sequence is open.
  bool InStep() const { return !frames_.empty(); }

  // kBusy while a step is open; kNothingToUndo / kNothingToRedo when the stack is empty.
  ErrorCode Undo();
  ErrorCode Redo();
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // Empty when there is nothing to undo / redo.
  std::u16string UndoName() const;
  std::u16string RedoName() const;
  size_t UndoCount() const { return undo_.size(); }
  // The step Undo would reverse (its journal, for accounting); null when none.
  const UndoStep* LastStep() const { return undo_.empty() ? nullptr : undo_.back().get(); }
  size_t RedoCount() const { return redo_.size(); }
  void ClearHistory();
  // A batch run that never undoes keeps no history: steps are not kept once committed,
  // and an outermost sequence journals only what its commands and inner sequences need
  // to roll back (each until it ends), so an import costs no memory for its undo. Such a
  // sequence cannot be aborted: AbortCommandSequence keeps its work and says kFailure.
  // Observers are told of its end with ChangeSet::unknown.
  void KeepHistory(bool keep) { keep_history_ = keep; }

  // Told when a step opens (the first command or sequence outside any other) and when it
  // has closed (committed, aborted or failed); the document holds its selection notices
  // in between. Empty functions: no hooks.
  void SetStepHooks(std::function<void()> opened, std::function<void()> closed);

 private:
  struct Frame {
    bool is_sequence;
    SequenceId id;
    std::u16string name;
    Database::StepMark mark;
  };

  ErrorCode CheckInnermost(SequenceId id, const char* operation) const;
  void Commit(std::u16string name);
  void Opened();
  void Closed();

  Database& db_;
  std::vector<Frame> frames_;
  std::vector<std::unique_ptr<UndoStep>> undo_;
  std::vector<std::unique_ptr<UndoStep>> redo_;
  uint32_t next_sequence_ = 1;
  bool replaying_ = false;
  bool keep_history_ = true;
  std::function<void()> opened_;
  std::function<void()> closed_;
};

// Begins a sequence and aborts it when the scope ends, unless End was called.
class AbortableSequence {
 public:
  AbortableSequence(CommandProcessor& processor, std::u16string name);
  ~AbortableSequence();
  AbortableSequence(const AbortableSequence&) = delete;
  AbortableSequence& operator=(const AbortableSequence&) = delete;

  bool IsOpen() const { return open_; }
  SequenceId Id() const { return id_; }
  ErrorCode End();
  ErrorCode Abort();

 private:
  CommandProcessor& processor_;
  SequenceId id_;
  bool open_;
};

}  // namespace tarvelin
