// Object identities inside a database: UID, UIDRef (database + UID) and UIDList.
//
// A UID names one object of one database for the object's whole life, across undo and
// redo and across saving and loading; UIDs are never reused while a step that could bring
// the object back is on the undo stack. kInvalidUID (0) is "no object", and a UIDRef with
// no database or an invalid UID is the null reference.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvelin {

class Database;

using UID = uint32_t;
inline constexpr UID kInvalidUID = 0;

class UIDRef {
 public:
  constexpr UIDRef() = default;
  constexpr UIDRef(Database* db, UID uid) : db_(db), uid_(uid) {}

  Database* DataBase() const { return db_; }
  UID GetUID() const { return uid_; }
  bool IsNull() const { return db_ == nullptr || uid_ == kInvalidUID; }
  explicit operator bool() const { return !IsNull(); }
  friend bool operator==(const UIDRef&, const UIDRef&) = default;

  static constexpr UIDRef Null() { return {}; }

 private:
  Database* db_ = nullptr;
  UID uid_ = kInvalidUID;
};

// An ordered list of objects of one database (the item list of a command, a selection).
class UIDList {
 public:
  UIDList() = default;
  explicit UIDList(Database* db) : db_(db) {}
  // A one-element list; a null reference gives an empty list without a database.
  explicit UIDList(const UIDRef& ref);

  Database* DataBase() const { return db_; }
  size_t size() const { return uids_.size(); }
  bool empty() const { return uids_.empty(); }
  UID operator[](size_t i) const { return uids_[i]; }
  UIDRef GetRef(size_t i) const { return {db_, uids_[i]}; }
  std::vector<UID>::const_iterator begin() const { return uids_.begin(); }
  std::vector<UID>::const_iterator end() const { return uids_.end(); }

  // Appends; kInvalidUID is refused (returns false) so lists never hold "no object".
  bool Append(UID uid);
  // Appends a reference of this list's database (the first reference sets it when the
  // list has none); a reference of another database or a null one is refused.
  bool Append(const UIDRef& ref);
  bool Contains(UID uid) const;
  // Removes the first occurrence; false when absent.
  bool Remove(UID uid);
  void Clear() { uids_.clear(); }

  friend bool operator==(const UIDList&, const UIDList&) = default;

 private:
  Database* db_ = nullptr;
  std::vector<UID> uids_;
};

}  // namespace tarvelin
