#include "host/objects/uid.h"

#include <algorithm>

namespace tarvelin {

UIDList::UIDList(const UIDRef& ref) {
  if (ref.IsNull()) return;
  db_ = ref.DataBase();
  uids_.push_back(ref.GetUID());
}

bool UIDList::Append(UID uid) {
  if (uid == kInvalidUID) return false;
  uids_.push_back(uid);
  return true;
}

bool UIDList::Append(const UIDRef& ref) {
  if (ref.IsNull()) return false;
  if (db_ == nullptr) db_ = ref.DataBase();
  if (ref.DataBase() != db_) return false;
  uids_.push_back(ref.GetUID());
  return true;
}

bool UIDList::Contains(UID uid) const {
  return std::find(uids_.begin(), uids_.end(), uid) != uids_.end();
}

bool UIDList::Remove(UID uid) {
  auto it = std::find(uids_.begin(), uids_.end(), uid);
  if (it == uids_.end()) return false;
  uids_.erase(it);
  return true;
}

}  // namespace tarvelin
