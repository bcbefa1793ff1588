// An object: an instance of a registered class, aggregating implementations by interface.
//
// Objects are made by the ClassRegistry (free objects, such as a command's data) or by a
// Database (document objects, which get a UID). Queries hand out shared_ptrs that share
// ownership of the whole object, so an interface stays usable while it is held even if a
// command deletes the object meanwhile. A failed query gives null.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/objects/ids.h"
#include "host/objects/interface.h"
#include "host/objects/uid.h"

namespace tarvelin {

struct ClassLayout;

// Bytes of an implementation that this build does not know (a document written with a
// plug-in that is absent now). They are kept and saved again unchanged.
struct ForeignImplData {
  ImplementationID impl;
  std::vector<uint8_t> bytes;
};

class Object : public std::enable_shared_from_this<Object> {
  struct PassKey {
    explicit PassKey() = default;
  };

 public:
  // Assembled by ClassRegistry::Instantiate; use that.
  Object(PassKey, std::shared_ptr<const ClassLayout> layout);
  ~Object();
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  ClassID Class() const;
  // kInvalidUID for free objects.
  UID GetUID() const { return uid_; }
  // The database the object belongs to while it is part of it; null for free objects and
  // for deleted objects (which live on only in the undo history or in a caller's hands).
  Database* DataBase() const { return attached_ ? db_ : nullptr; }
  UIDRef Ref() const { return {DataBase(), uid_}; }

  std::shared_ptr<Interface> QueryInterface(InterfaceID iid) const;
  template <typename T>
  std::shared_ptr<T> Query(InterfaceID iid = T::kIID) const {
    std::shared_ptr<Interface> i = QueryInterface(iid);
    if (!i) return nullptr;
    T* t = dynamic_cast<T*>(i.get());
    if (!t) return nullptr;
    return std::shared_ptr<T>(i, t);
  }
  bool Has(InterfaceID iid) const;

  // The implementation instances, in ascending implementation ID.
  size_t ImplCount() const { return impls_.size(); }
  Interface& ImplAt(size_t i) const { return *impls_[i]; }
  // The index of the instance of `impl`, or ImplCount() when the class has none.
  size_t FindImpl(ImplementationID impl) const;
  // Every interface bound to instance i (usually one).
  std::vector<InterfaceID> InterfacesOf(size_t i) const;

  const std::vector<ForeignImplData>& ForeignData() const { return foreign_; }

 private:
  friend class ClassRegistry;
  friend class Database;
  friend class PersistentImpl;

  std::shared_ptr<const ClassLayout> layout_;
  std::vector<std::unique_ptr<Interface>> impls_;  // parallel to layout_->impls
  std::vector<ForeignImplData> foreign_;           // ascending implementation ID
  Database* db_ = nullptr;
  UID uid_ = kInvalidUID;
  bool attached_ = false;
};

}  // namespace tarvelin
