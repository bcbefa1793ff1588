#include "host/objects/database.h"

#include <algorithm>
#include <limits>

#include "core/diagnostics.h"
#include "core/stream.h"
#include "host/objects/class_registry.h"
#include "host/objects/command_processor.h"
#include "host/objects/undo_step.h"

namespace tarvelin {

namespace {

constexpr uint32_t kCreatedKey = 0xFFFFFFFFu;  // covered_ key of "created in this epoch"

uint64_t CoverKey(UID uid, uint32_t instance) {
  return (uint64_t{uid} << 32) | instance;
}

}  // namespace

Database::Database(std::shared_ptr<const ClassRegistry> registry)
    : registry_(std::move(registry)),
      processor_(std::make_unique<CommandProcessor>(*this)),
      objects_(1) {}

Database::~Database() {
  // Steps hold objects whose implementations may reach back into the database while they
  // are destroyed; drop the history while the database is still whole.
  processor_.reset();
  step_.reset();
}

// ---------------------------------------------------------------- objects

UIDRef Database::CreateObject(ClassID cls) {
  auto layout = registry_->Layout(cls);
  if (!layout) return UIDRef::Null();
  if (next_uid_ == std::numeric_limits<UID>::max()) {
    diag::Write("Database::CreateObject: no UID left\n");
    return UIDRef::Null();
  }
  auto object = ClassRegistry::Instantiate(std::move(layout));
  if (!object) return UIDRef::Null();
  object->db_ = this;
  object->uid_ = next_uid_++;
  UID uid = object->uid_;
  Attach(std::move(object));
  if (IsRecording() && !Unjournalled()) {
    step_->Records().push_back({UndoStep::Kind::kCreated, uid});
    // Needed only once changes are journalled in full (see Fresh).
    if (opaque_from_ != kNoRecord) covered_[CoverKey(uid, kCreatedKey)] = epoch_;
  } else if (!replaying_) {
    NoteUnrecordedChange("object created");
  }
  return {this, uid};
}

ErrorCode Database::DeleteObject(UID uid) {
  if (!Contains(uid)) return kNotFound;
  auto object = Detach(uid);
  if (IsRecording() && !Unjournalled()) {
    UndoStep::Record r{UndoStep::Kind::kDeleted, uid};
    r.parked = std::move(object);
    step_->Records().push_back(std::move(r));
  } else if (!replaying_) {
    NoteUnrecordedChange("object deleted");
  }
  return kSuccess;
}

std::shared_ptr<Object> Database::Instantiate(UID uid) const {
  return Contains(uid) ? objects_[uid] : nullptr;
}

void Database::ForEachObject(const std::function<void(const Object&)>& fn) const {
  for (const auto& object : objects_)
    if (object) fn(*object);
}

std::shared_ptr<Object> Database::Detach(UID uid) {
  if (!Contains(uid)) return nullptr;
  std::shared_ptr<Object> object = std::move(objects_[uid]);
  object->attached_ = false;
  --object_count_;
  return object;
}

void Database::Attach(std::shared_ptr<Object> object) {
  if (!object) return;
  UID uid = object->uid_;
  if (uid >= objects_.size()) objects_.resize(std::max<size_t>(uid + 1, objects_.size() * 2));
  if (objects_[uid]) {
    diag::Printf("Database: UID %u attached twice\n", uid);
    return;
  }
  object->attached_ = true;
  objects_[uid] = std::move(object);
  ++object_count_;
}

// ---------------------------------------------------------------- persistence

std::vector<uint8_t> Database::CaptureImpl(Object& object, uint32_t instance) const {
  PersistentImpl* p = object.impls_[instance]->AsPersistent();
  if (!p) return {};
  ImplementationID id = object.layout_->impls[instance];
  if (capturing_) {
    // A ReadWrite that captures something else: give it a stream of its own.
    auto s = MemoryStream::Write();
    p->ReadWrite(*s, id);
    return s->TakeBytes();
  }
  if (!scratch_) scratch_ = MemoryStream::Write();
  capturing_ = true;
  scratch_->Seek(0, SeekFrom::kStart);
  p->ReadWrite(*scratch_, id);
  size_t n = static_cast<size_t>(scratch_->Tell());
  auto bytes = scratch_->Bytes().first(n);
  capturing_ = false;
  return {bytes.begin(), bytes.end()};
}

bool Database::RestoreImpl(Object& object, uint32_t instance, std::span<const uint8_t> bytes) {
  PersistentImpl* p = object.impls_[instance]->AsPersistent();
  if (!p) return false;
  auto s = MemoryStream::ReadView(bytes);
  p->ReadWrite(*s, object.layout_->impls[instance]);
  return s->Good();
}

std::vector<Database::ImplImage> Database::ImplImages(const Object& object, size_t keep) const {
  std::vector<ImplImage> images;
  Object& o = const_cast<Object&>(object);  // ReadWrite serves both directions
  for (uint32_t i = 0; i < o.impls_.size(); ++i) {
    PersistentImpl* p = o.impls_[i]->AsPersistent();
    if (!p) continue;
    const ImplementationID id = o.layout_->impls[i];
    CountingStream counted(keep);
    p->ReadWrite(counted, id);
    images.push_back(
        {id, counted.Count(), [p, id](Stream& s) { p->ReadWrite(s, id); }, counted.TakeKept()});
  }
  for (const auto& f : o.foreign_) {
    const std::vector<uint8_t>* bytes = &f.bytes;
    images.push_back({f.impl, bytes->size(),
                      [bytes](Stream& s) { s.WriteBytes(bytes->data(), bytes->size()); },
                      std::nullopt});
  }
  if (!o.foreign_.empty())
    std::sort(images.begin(), images.end(),
              [](const auto& a, const auto& b) { return a.impl < b.impl; });
  return images;
}

std::vector<uint8_t> Database::ImplImage::TakeBytes() {
  if (bytes) return std::move(*bytes);
  auto s = MemoryStream::Write(size);
  write(*s);
  return s->TakeBytes();
}

// Implementations up to this size are written once, straight into their record.
constexpr size_t kKeptImage = 64 * 1024;

// A larger implementation is sized exactly before it is written: the largest story of a
// document takes no more memory than its bytes, and nothing stays behind in the buffer.
ObjectRecord Database::CaptureObject(const Object& object) const {
  ObjectRecord r;
  r.cls = object.Class();
  r.uid = object.uid_;
  for (ImplImage& image : ImplImages(object, kKeptImage))
    r.impls.push_back({image.impl, image.TakeBytes()});
  return r;
}

ErrorCode Database::LoadObject(const ObjectRecord& record) {
  if (step_) return kBusy;
  if (record.uid == kInvalidUID || record.uid == std::numeric_limits<UID>::max())
    return kInvalidArgument;
  if (Contains(record.uid)) return kAlreadyExists;
  for (size_t i = 1; i < record.impls.size(); ++i)
    if (!(record.impls[i - 1].impl < record.impls[i].impl)) return kCorruptData;

  auto layout = registry_->Layout(record.cls);
  if (!layout) {
    // The class's plug-in is absent: keep the object and every byte of it.
    auto placeholder = std::make_shared<ClassLayout>();
    placeholder->id = record.cls;
    layout = std::move(placeholder);
  }
  auto object = ClassRegistry::Instantiate(std::move(layout));
  if (!object) return kFailure;
  object->db_ = this;
  object->uid_ = record.uid;
  for (const auto& impl : record.impls) {
    size_t i = object->FindImpl(impl.impl);
    if (i < object->ImplCount() && object->impls_[i]->AsPersistent()) {
      if (!RestoreImpl(*object, static_cast<uint32_t>(i), impl.bytes)) {
        diag::Printf("Database::LoadObject: implementation 0x%X of UID %u is truncated\n",
                     impl.impl.Value(), record.uid);
        return kCorruptData;
      }
    } else {
      object->foreign_.push_back({impl.impl, impl.bytes});
    }
  }
  Attach(std::move(object));
  next_uid_ = std::max(next_uid_, record.uid + 1);
  NoteUnrecordedChange("object loaded");
  return kSuccess;
}

ErrorCode Database::SetNextUID(UID next) {
  if (step_) return kBusy;
  if (next == kInvalidUID) return kInvalidArgument;
  for (size_t uid = next; uid < objects_.size(); ++uid)
    if (objects_[uid]) return kInvalidArgument;
  next_uid_ = std::max(next_uid_, next);
  return kSuccess;
}

void Database::WriteImage(Stream& s) const {
  uint32_t next = next_uid_;
  uint32_t count = static_cast<uint32_t>(object_count_);
  s.XferInt32(next);
  s.XferInt32(count);
  ForEachObject([&](const Object& o) { WriteObjectRecord(s, CaptureObject(o)); });
}

std::vector<uint8_t> Database::Image() const {
  auto s = MemoryStream::Write();
  WriteImage(*s);
  return s->TakeBytes();
}

// ---------------------------------------------------------------- change recording

bool Database::IsRecording() const {
  return step_ != nullptr && !replaying_;
}

size_t Database::JournalSize() const {
  return step_ ? step_->Size() : 0;
}

void Database::PreDirty(Object& object, uint32_t instance) {
  if (replaying_) return;
  if (!step_) {
    NoteUnrecordedChange("persistent data changed");
    return;
  }
  UID uid = object.uid_;
  if (Fresh(uid) || Unjournalled()) return;
  if (auto it = covered_.find(CoverKey(uid, kCreatedKey));
      it != covered_.end() && it->second == epoch_)
    return;  // the creation record brings the object back whole
  auto [it, inserted] = covered_.try_emplace(CoverKey(uid, instance), epoch_);
  if (!inserted) {
    if (it->second == epoch_) return;
    it->second = epoch_;
  }
  UndoStep::Record r{UndoStep::Kind::kSnapshot, uid};
  r.instance = instance;
  r.bytes = CaptureImpl(object, instance);
  step_->Records().push_back(std::move(r));
}

void Database::AddUndoRecord(UID target, InterfaceID iid, std::unique_ptr<UndoRecord> record) {
  if (!record || replaying_) return;
  if (!step_) {
    NoteUnrecordedChange("edit");
    return;
  }
  if (Fresh(target) || Unjournalled()) return;
  auto& records = step_->Records();
  if (!records.empty() && records.size() - 1 >= merge_floor_) {
    UndoStep::Record& last = records.back();
    if (last.kind == UndoStep::Kind::kCustom && last.uid == target && last.iid == iid &&
        last.custom->Absorb(*record))
      return;
  }
  if (target == kInvalidUID && opaque_from_ == kNoRecord) opaque_from_ = records.size();
  UndoStep::Record r{UndoStep::Kind::kCustom, target};
  r.iid = iid;
  r.custom = std::move(record);
  records.push_back(std::move(r));
  // The record expects to be undone against the state right after it: snapshot anew
  // anything changed from here on.
  ++epoch_;
}

void Database::Touch(UID target, InterfaceID iid) {
  if (!IsRecording() || Fresh(target) || Unjournalled()) return;
  UndoStep::Record r{UndoStep::Kind::kTouch, target};
  r.iid = iid;
  step_->Records().push_back(std::move(r));
}

void Database::NoteUnrecordedChange(const char* what) {
  if (replaying_ || !processor_) return;
  if (processor_->CanUndo() || processor_->CanRedo()) {
    processor_->ClearHistory();
    diag::Printf("Database: %s outside a command; undo history cleared\n", what);
  }
}

// ---------------------------------------------------------------- steps

void Database::OpenStep(bool outermost_undoable) {
  step_ = std::make_unique<UndoStep>(next_uid_);
  outermost_undoable_ = outermost_undoable;
  ForgetCovered();
  ++epoch_;
  merge_floor_ = 0;
  marks_.clear();
  opaque_from_ = kNoRecord;
}

UID Database::FreshFrom(size_t depth) const {
  return depth == 0 ? step_->UIDBefore() : marks_[depth - 1];
}

bool Database::Fresh(UID uid) const {
  return step_ && opaque_from_ == kNoRecord && uid != kInvalidUID &&
         uid >= FreshFrom(marks_.size());
}

void Database::ForgetCovered() {
  // clear() walks every bucket; a table grown large is cheaper to drop.
  if (covered_.bucket_count() > 4096)
    covered_ = {};
  else
    covered_.clear();
}

Database::StepMark Database::Mark() {
  // Every entry names an earlier epoch from here on: the table need not grow with the step.
  ForgetCovered();
  ++epoch_;
  merge_floor_ = step_->Size();
  marks_.push_back(next_uid_);
  return {step_->Size(), next_uid_, marks_.size() - 1};
}

void Database::RollbackTo(const StepMark& mark) {
  replaying_ = true;
  step_->RollbackTo(*this, mark.records);
  replaying_ = false;
  next_uid_ = mark.next_uid;
  marks_.resize(std::min(marks_.size(), mark.depth));
  if (opaque_from_ != kNoRecord && opaque_from_ >= mark.records) opaque_from_ = kNoRecord;
  // Snapshots taken after the mark are gone; nothing may count as covered by them.
  ++epoch_;
  merge_floor_ = step_->Size();
}

void Database::Release(const StepMark& mark) {
  marks_.resize(std::min(marks_.size(), mark.depth));
  if (Unjournalled()) {
    // Ended into a frame that is never rolled back: the journal of this work has no use.
    auto& records = step_->Records();
    if (mark.records < records.size())
      records.erase(records.begin() + static_cast<ptrdiff_t>(mark.records), records.end());
    opaque_from_ = kNoRecord;
    merge_floor_ = records.size();
    ++epoch_;
    return;
  }
  // Records from the first opaque one on must stay: it may rely on the states they give.
  const UID fresh = FreshFrom(marks_.size());
  auto& records = step_->Records();
  const size_t end = std::min(records.size(), opaque_from_);
  if (mark.records >= end) return;
  auto first = records.begin() + static_cast<ptrdiff_t>(mark.records);
  auto last = records.begin() + static_cast<ptrdiff_t>(end);
  auto kept = std::remove_if(first, last, [fresh](const UndoStep::Record& r) {
    return r.kind != UndoStep::Kind::kCreated && r.kind != UndoStep::Kind::kDeleted &&
           r.uid != kInvalidUID && r.uid >= fresh;
  });
  if (kept == last) return;
  const size_t removed = static_cast<size_t>(last - kept);
  records.erase(kept, last);
  if (opaque_from_ != kNoRecord) opaque_from_ -= removed;
  merge_floor_ = std::min(merge_floor_, records.size());
}

std::unique_ptr<UndoStep> Database::CloseStep(std::u16string name) {
  std::unique_ptr<UndoStep> step = std::move(step_);
  step->SetName(std::move(name));
  step->SetUIDAfter(next_uid_);
  ForgetCovered();
  if (step->Empty()) return nullptr;
  step->Summarise(*this);
  return step;
}

void Database::ReplayUndo(UndoStep& step) {
  replaying_ = true;
  step.Undo(*this);
  replaying_ = false;
  next_uid_ = step.UIDBefore();
}

void Database::ReplayRedo(UndoStep& step) {
  replaying_ = true;
  step.Redo(*this);
  replaying_ = false;
  next_uid_ = step.UIDAfter();
}

// ---------------------------------------------------------------- observers

ObserverId Database::AddObserver(ChangeObserver observer) {
  ObserverId id = next_observer_++;
  observers_.emplace_back(id, std::move(observer));
  return id;
}

void Database::RemoveObserver(ObserverId id) {
  std::erase_if(observers_, [id](const auto& o) { return o.first == id; });
}

void Database::Notify(const ChangeSet& changes) {
  // Observers may add or remove observers, or run commands, while being told.
  auto observers = observers_;
  for (const auto& [id, fn] : observers)
    if (fn) fn(changes);
}

}  // namespace tarvelin
