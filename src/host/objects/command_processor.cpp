#include "host/objects/command_processor.h"

#include "core/diagnostics.h"
#include "core/utf16.h"
#include "host/objects/command.h"
#include "host/objects/undo_step.h"

namespace tarvelin {

namespace {

// Keeps a command with its own undo in the journal, at the place its Do ended.
class CommandUndoRecord final : public UndoRecord {
 public:
  explicit CommandUndoRecord(std::shared_ptr<Command> cmd) : cmd_(std::move(cmd)) {}
  void Undo(Database&) override { cmd_->Undo(); }
  void Redo(Database&) override { cmd_->Redo(); }

 private:
  std::shared_ptr<Command> cmd_;
};

ChangeSet Inverted(const ChangeSet& done) {
  ChangeSet c = done;
  c.origin = ChangeSet::Origin::kUndo;
  std::swap(c.created, c.deleted);
  return c;
}

}  // namespace

CommandProcessor::CommandProcessor(Database& db) : db_(db) {}

CommandProcessor::~CommandProcessor() = default;

ErrorCode CommandProcessor::ProcessCommand(const std::shared_ptr<Command>& cmd) {
  if (!cmd) return kInvalidArgument;
  if (replaying_ || db_.IsReplaying()) return kBusy;
  bool outermost = frames_.empty();
  if (outermost) {
    db_.OpenStep();
    Opened();
  }
  frames_.push_back({false, {}, {}, db_.Mark()});
  size_t depth = frames_.size();

  ErrorCode err = cmd->Do();

  if (frames_.size() > depth) {
    diag::Printf("CommandProcessor: command \"%s\" left %zu sequence(s) open\n",
                 ToUtf8(cmd->Name()).c_str(), frames_.size() - depth);
    frames_.resize(depth);  // their work rolls back with the command's
    if (err == kSuccess) err = kSequenceMismatch;
  }
  Frame frame = std::move(frames_.back());
  frames_.pop_back();
  if (err != kSuccess) {
    db_.RollbackTo(frame.mark);
    if (outermost) {
      db_.CloseStep({});  // empty now: dropped
      Closed();
    }
    return err;
  }
  db_.Release(frame.mark);
  if (cmd->GetUndoMode() == Command::UndoMode::kOwn) {
    db_.AddUndoRecord(kInvalidUID, kInvalidInterface, std::make_unique<CommandUndoRecord>(cmd));
    if (cmd->ItemList().DataBase() == &db_)
      for (UID uid : cmd->ItemList()) db_.Touch(uid, kInvalidInterface);
  }
  cmd->DoNotify();
  if (outermost) {
    Commit(cmd->Name());
    Closed();
  }
  return kSuccess;
}

SequenceId CommandProcessor::BeginCommandSequence(std::u16string name) {
  if (replaying_ || db_.IsReplaying()) return SequenceId{};
  if (frames_.empty()) {
    db_.OpenStep(keep_history_);
    Opened();
  }
  SequenceId id{next_sequence_++};
  if (next_sequence_ == 0) next_sequence_ = 1;
  // A front end may wrap an action in a nameless sequence; the step then carries the name
  // of the first named sequence inside it.
  if (!frames_.empty() && frames_.front().is_sequence && frames_.front().name.empty())
    frames_.front().name = name;
  frames_.push_back({true, id, std::move(name), db_.Mark()});
  return id;
}

ErrorCode CommandProcessor::CheckInnermost(SequenceId id, const char* operation) const {
  if (!frames_.empty() && frames_.back().is_sequence && frames_.back().id == id) return kSuccess;
  diag::Printf("CommandProcessor::%s: sequence %u is not the innermost open one\n", operation,
               id.Value());
  return kSequenceMismatch;
}

ErrorCode CommandProcessor::EndCommandSequence(SequenceId id) {
  if (ErrorCode e = CheckInnermost(id, "EndCommandSequence")) return e;
  Frame frame = std::move(frames_.back());
  frames_.pop_back();
  db_.Release(frame.mark);
  if (frames_.empty()) {
    Commit(std::move(frame.name));
    Closed();
  }
  return kSuccess;
}

ErrorCode CommandProcessor::AbortCommandSequence(SequenceId id) {
  if (ErrorCode e = CheckInnermost(id, "AbortCommandSequence")) return e;
  Frame frame = std::move(frames_.back());
  frames_.pop_back();
  if (frames_.empty() && !db_.outermost_undoable_) {
    diag::Printf(
        "CommandProcessor: sequence \"%s\" keeps no history and cannot be aborted; its "
        "work stays\n",
        ToUtf8(frame.name).c_str());
    Commit(std::move(frame.name));
    Closed();
    return kFailure;
  }
  db_.RollbackTo(frame.mark);
  if (frames_.empty()) {
    db_.CloseStep({});  // empty now: dropped
    Closed();
  }
  return kSuccess;
}

void CommandProcessor::SetStepHooks(std::function<void()> opened, std::function<void()> closed) {
  opened_ = std::move(opened);
  closed_ = std::move(closed);
}

void CommandProcessor::Opened() {
  if (opened_) opened_();
}

void CommandProcessor::Closed() {
  if (closed_) closed_();
}

size_t CommandProcessor::SequenceDepth() const {
  size_t n = 0;
  for (const Frame& f : frames_) n += f.is_sequence ? 1 : 0;
  return n;
}

void CommandProcessor::Commit(std::u16string name) {
  std::unique_ptr<UndoStep> step = db_.CloseStep(name);
  if (!keep_history_) {
    ChangeSet changes;
    if (step) changes = step->Changes();
    changes.unknown = !db_.outermost_undoable_;
    changes.step_name = std::move(name);
    changes.origin = ChangeSet::Origin::kDo;
    ClearHistory();
    if (!changes.Empty()) db_.Notify(changes);
    return;
  }
  if (!step) return;
  redo_.clear();
  undo_.push_back(std::move(step));
  ChangeSet changes = undo_.back()->Changes();
  changes.origin = ChangeSet::Origin::kDo;
  db_.Notify(changes);
}

ErrorCode CommandProcessor::Undo() {
  if (!frames_.empty() || replaying_ || db_.IsReplaying()) return kBusy;
  if (undo_.empty()) return kNothingToUndo;
  std::unique_ptr<UndoStep> step = std::move(undo_.back());
  undo_.pop_back();
  replaying_ = true;
  db_.ReplayUndo(*step);
  replaying_ = false;
  ChangeSet changes = Inverted(step->Changes());
  redo_.push_back(std::move(step));
  db_.Notify(changes);
  return kSuccess;
}

ErrorCode CommandProcessor::Redo() {
  if (!frames_.empty() || replaying_ || db_.IsReplaying()) return kBusy;
  if (redo_.empty()) return kNothingToRedo;
  std::unique_ptr<UndoStep> step = std::move(redo_.back());
  redo_.pop_back();
  replaying_ = true;
  db_.ReplayRedo(*step);
  replaying_ = false;
  ChangeSet changes = step->Changes();
  changes.origin = ChangeSet::Origin::kRedo;
  undo_.push_back(std::move(step));
  db_.Notify(changes);
  return kSuccess;
}

std::u16string CommandProcessor::UndoName() const {
  return undo_.empty() ? std::u16string() : undo_.back()->Name();
}

std::u16string CommandProcessor::RedoName() const {
  return redo_.empty() ? std::u16string() : redo_.back()->Name();
}

void CommandProcessor::ClearHistory() {
  undo_.clear();
  redo_.clear();
}

// ---------------------------------------------------------------- AbortableSequence

AbortableSequence::AbortableSequence(CommandProcessor& processor, std::u16string name)
    : processor_(processor),
      id_(processor.BeginCommandSequence(std::move(name))),
      open_(id_.IsValid()) {}

AbortableSequence::~AbortableSequence() {
  if (open_) processor_.AbortCommandSequence(id_);
}

ErrorCode AbortableSequence::End() {
  if (!open_) return id_.IsValid() ? kSequenceMismatch : kBusy;
  ErrorCode e = processor_.EndCommandSequence(id_);
  if (e == kSuccess) open_ = false;
  return e;
}

ErrorCode AbortableSequence::Abort() {
  if (!open_) return id_.IsValid() ? kSequenceMismatch : kBusy;
  ErrorCode e = processor_.AbortCommandSequence(id_);
  // A sequence that could not be rolled back has ended all the same.
  if (e == kSuccess || !processor_.InStep()) open_ = false;
  return e;
}

}  // namespace tarvelin
