// The class and implementation registry: which implementation serves which interface.
//
// Implementations are registered under an implementation ID with a factory. A class is
// defined with an optional base class and a list of (interface ID -> implementation ID)
// bindings; it has every binding of its base, its own ones overriding the base's. An
// AddIn adds bindings to an existing class (a plug-in puts its attribute record on the
// host's page-item class this way); classes that derive from it inherit the addition.
//
// Two bindings of one class that name the same implementation share one instance per
// object. A class's layout is resolved on first use and cached; an AddIn or a definition
// made later applies to objects created afterwards.
//
// Errors: defining a class twice, registering an implementation twice and repeating an
// interface within one list are refused when made. An unknown base or implementation, a
// base cycle, and an AddIn of an interface the class already has surface when the class
// is resolved (Resolve, CreateObject); each is written once to the diagnostics channel.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/objects/error_code.h"
#include "host/objects/ids.h"
#include "host/objects/interface.h"
#include "host/objects/uid.h"

namespace tarvelin {

class Database;

class Object;

using ImplFactory = std::function<std::unique_ptr<Interface>()>;

struct InterfaceBinding {
  InterfaceID iid;
  ImplementationID impl;
};

// The resolved shape of a class, shared by all its objects.
struct ClassLayout {
  struct Binding {
    InterfaceID iid;
    uint32_t instance;  // index into impls
  };
  ClassID id;
  std::vector<Binding> bindings;        // ascending interface ID
  std::vector<ImplementationID> impls;  // ascending, unique
  std::vector<ImplFactory> factories;   // parallel to impls
};

class ClassRegistry {
 public:
  ClassRegistry() = default;
  ClassRegistry(const ClassRegistry&) = delete;
  ClassRegistry& operator=(const ClassRegistry&) = delete;

  ErrorCode RegisterImplementation(ImplementationID id, ImplFactory factory,
                                   std::string_view name = {});
  template <typename T>
  ErrorCode RegisterImplementation(ImplementationID id, std::string_view name = {}) {
    return RegisterImplementation(
        id, [] { return std::unique_ptr<Interface>(std::make_unique<T>()); }, name);
  }
  bool HasImplementation(ImplementationID id) const { return impls_.contains(id); }

  // `base` may be kInvalidClass.
  ErrorCode DefineClass(ClassID id, ClassID base, std::vector<InterfaceBinding> bindings,
                        std::string_view name = {});
  ErrorCode AddIn(ClassID target, std::vector<InterfaceBinding> bindings);
  bool HasClass(ClassID id) const { return classes_.contains(id); }
  // True when `id` is `base` or derives from it.
  bool IsA(ClassID id, ClassID base) const;

  // Resolves the layout (cached); kSuccess or the reason the class cannot be built.
  ErrorCode Resolve(ClassID id) const;
  // Null, with a diagnostic, when the class cannot be resolved.
  std::shared_ptr<const ClassLayout> Layout(ClassID id) const;

  // A free object (no database, no UID): a command's data, a scratch record. Null when
  // the class cannot be built or a factory gives nothing.
  std::shared_ptr<Object> CreateObject(ClassID id) const;
  // Builds an object of a resolved layout; used by databases.
  static std::shared_ptr<Object> Instantiate(std::shared_ptr<const ClassLayout> layout);

  std::string ImplementationName(ImplementationID id) const;
  std::string ClassName(ClassID id) const;

  // Deletes the inline object anchored at a deleted U+FFFC. Unset, the object alone is
  // deleted (Database::DeleteObject); the document side sets one that removes the page
  // item with everything it owns.
  using InlineObjectDeleter = std::function<ErrorCode(Database&, UID)>;
  void SetInlineObjectDeleter(InlineObjectDeleter deleter) { inline_deleter_ = std::move(deleter); }
  const InlineObjectDeleter& GetInlineObjectDeleter() const { return inline_deleter_; }

 private:
  struct ImplEntry {
    ImplFactory factory;
    std::string name;
  };
  struct ClassEntry {
    ClassID base;
    std::vector<InterfaceBinding> bindings;
    std::vector<std::vector<InterfaceBinding>> addins;
    std::string name;
  };
  struct Resolved {
    ErrorCode error = kSuccess;
    std::shared_ptr<const ClassLayout> layout;
  };

  const Resolved& ResolveCached(ClassID id) const;
  ErrorCode Collect(ClassID id, std::vector<ClassID>& chain,
                    std::vector<InterfaceBinding>& out) const;

  std::unordered_map<ImplementationID, ImplEntry> impls_;
  std::unordered_map<ClassID, ClassEntry> classes_;
  mutable std::unordered_map<ClassID, Resolved> cache_;
  InlineObjectDeleter inline_deleter_;
};

}  // namespace tarvelin
