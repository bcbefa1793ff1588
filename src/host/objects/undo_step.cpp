#include "host/objects/undo_step.h"

#include <algorithm>
#include <unordered_map>

#include "core/diagnostics.h"
#include "host/objects/database.h"

namespace tarvelin {

size_t UndoStep::SnapshotBytes() const {
  size_t n = 0;
  for (const Record& r : records_) n += r.bytes.size();
  return n;
}

void UndoStep::Reverse(Database& db, Record& r) {
  switch (r.kind) {
    case Kind::kCreated:
      r.parked = db.Detach(r.uid);
      break;
    case Kind::kDeleted:
      db.Attach(std::move(r.parked));
      break;
    case Kind::kSnapshot:
      Swap(db, r);
      break;
    case Kind::kCustom:
      r.custom->Undo(db);
      break;
    case Kind::kTouch:
      break;
  }
}

void UndoStep::Apply(Database& db, Record& r) {
  switch (r.kind) {
    case Kind::kCreated:
      db.Attach(std::move(r.parked));
      break;
    case Kind::kDeleted:
      r.parked = db.Detach(r.uid);
      break;
    case Kind::kSnapshot:
      Swap(db, r);
      break;
    case Kind::kCustom:
      r.custom->Redo(db);
      break;
    case Kind::kTouch:
      break;
  }
}

void UndoStep::Swap(Database& db, Record& r) {
  auto object = db.Instantiate(r.uid);
  if (!object || r.instance >= object->ImplCount()) {
    diag::Printf("UndoStep: snapshot of UID %u has no object to go to\n", r.uid);
    return;
  }
  std::vector<uint8_t> current = db.CaptureImpl(*object, r.instance);
  if (!db.RestoreImpl(*object, r.instance, r.bytes))
    diag::Printf("UndoStep: snapshot of UID %u did not read back whole\n", r.uid);
  r.bytes = std::move(current);
}

void UndoStep::RollbackTo(Database& db, size_t mark) {
  for (size_t i = records_.size(); i > mark; --i) Reverse(db, records_[i - 1]);
  records_.erase(records_.begin() + static_cast<ptrdiff_t>(std::min(mark, records_.size())),
                 records_.end());
}

void UndoStep::Undo(Database& db) {
  for (size_t i = records_.size(); i > 0; --i) Reverse(db, records_[i - 1]);
}

void UndoStep::Redo(Database& db) {
  for (Record& r : records_) Apply(db, r);
}

void UndoStep::Summarise(const Database& db) {
  struct Touched {
    UID uid;
    bool existed_before;
    std::vector<InterfaceID> iids;
  };
  std::vector<Touched> touched;
  std::unordered_map<UID, size_t> index;
  for (const Record& r : records_) {
    if (r.uid == kInvalidUID) continue;
    auto [it, inserted] = index.try_emplace(r.uid, touched.size());
    if (inserted) touched.push_back({r.uid, r.kind != Kind::kCreated, {}});
    Touched& t = touched[it->second];
    if (r.kind == Kind::kSnapshot) {
      if (auto object = db.Instantiate(r.uid))
        for (InterfaceID iid : object->InterfacesOf(r.instance)) t.iids.push_back(iid);
    } else if (r.kind == Kind::kCustom || r.kind == Kind::kTouch) {
      t.iids.push_back(r.iid);
    }
  }
  changes_ = {};
  changes_.step_name = name_;
  for (Touched& t : touched) {
    bool exists = db.Contains(t.uid);
    if (!t.existed_before && exists) {
      changes_.created.push_back(t.uid);
    } else if (t.existed_before && !exists) {
      changes_.deleted.push_back(t.uid);
    } else if (t.existed_before && exists) {
      for (InterfaceID iid : t.iids) changes_.modified.emplace_back(t.uid, iid);
    }
  }
  std::sort(changes_.created.begin(), changes_.created.end());
  std::sort(changes_.deleted.begin(), changes_.deleted.end());
  std::sort(changes_.modified.begin(), changes_.modified.end());
  changes_.modified.erase(std::unique(changes_.modified.begin(), changes_.modified.end()),
                          changes_.modified.end());
}

bool ChangeSet::WasModified(UID uid, InterfaceID iid) const {
  return std::binary_search(modified.begin(), modified.end(), std::make_pair(uid, iid));
}

}  // namespace tarvelin
