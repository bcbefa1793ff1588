// The base of every implementation that an object aggregates, and of persistent ones.
//
// An object is an instance of a class; the class maps interface IDs to implementation
// IDs, and the object holds one instance per implementation. Interfaces are abstract
// classes that derive *virtually* from Interface and name their ID:
//
//   class IAttributes : public virtual Interface {
//    public:
//     static constexpr InterfaceID kIID{0x113380};
//     ...
//   };
//   class AttributesImpl final : public IAttributes, public PersistentImpl { ... };
//
// Persistent implementations keep their state in one ReadWrite routine that serves both
// directions (the stream decides). The host never knows their shape: it saves, loads and
// snapshots them for undo through that routine alone. Two obligations follow:
//
//   * call PreDirty() before changing any persistent state (inside a command or command
//     sequence); the database then keeps the bytes it needs to undo the change;
//   * ReadWrite in the read direction must replace the whole state, not add to it: undo
//     reads an earlier snapshot back into the live instance.
#pragma once

#include "host/objects/ids.h"

namespace tarvelin {

class Object;
class PersistentImpl;
class Stream;

class Interface {
 public:
  virtual ~Interface() = default;
  Interface(const Interface&) = delete;
  Interface& operator=(const Interface&) = delete;

  // The object this instance is part of; null only before the object is assembled.
  Object* Owner() const { return owner_; }
  ImplementationID ImplID() const { return impl_id_; }

  // Non-null when the instance is persistent; avoids dynamic_cast on hot paths.
  virtual PersistentImpl* AsPersistent() { return nullptr; }

 protected:
  Interface() = default;

 private:
  friend class Object;
  friend class ClassRegistry;
  friend class PersistentImpl;
  Object* owner_ = nullptr;
  ImplementationID impl_id_;
  uint32_t index_ = 0;  // position among the owner's implementation instances
};

class PersistentImpl : public virtual Interface {
 public:
  // One routine for both directions; `id` is the implementation ID being transferred.
  virtual void ReadWrite(Stream& s, ImplementationID id) = 0;
  PersistentImpl* AsPersistent() override { return this; }

 protected:
  // Announces that persistent state is about to change. Cheap after the first call of a
  // command step (the snapshot is taken once). Outside any database (a command's own data
  // object) it does nothing.
  void PreDirty();
};

}  // namespace tarvelin
