#include "host/objects/class_registry.h"

#include <algorithm>

#include "core/diagnostics.h"
#include "host/objects/object.h"

namespace tarvelin {

namespace {

bool HasDuplicateInterface(const std::vector<InterfaceBinding>& bindings) {
  for (size_t i = 0; i < bindings.size(); ++i)
    for (size_t j = i + 1; j < bindings.size(); ++j)
      if (bindings[i].iid == bindings[j].iid) return true;
  return false;
}

bool HasInvalidId(const std::vector<InterfaceBinding>& bindings) {
  return std::any_of(bindings.begin(), bindings.end(), [](const InterfaceBinding& b) {
    return !b.iid.IsValid() || !b.impl.IsValid();
  });
}

auto FindIid(std::vector<InterfaceBinding>& v, InterfaceID iid) {
  return std::find_if(v.begin(), v.end(),
                      [iid](const InterfaceBinding& b) { return b.iid == iid; });
}

}  // namespace

ErrorCode ClassRegistry::RegisterImplementation(ImplementationID id, ImplFactory factory,
                                                std::string_view name) {
  if (!id.IsValid() || !factory) return kInvalidArgument;
  if (impls_.contains(id)) return kAlreadyExists;
  impls_.emplace(id, ImplEntry{std::move(factory), std::string(name)});
  cache_.clear();  // a class that failed for want of this implementation may resolve now
  return kSuccess;
}

ErrorCode ClassRegistry::DefineClass(ClassID id, ClassID base,
                                     std::vector<InterfaceBinding> bindings,
                                     std::string_view name) {
  if (!id.IsValid() || HasInvalidId(bindings)) return kInvalidArgument;
  if (HasDuplicateInterface(bindings)) return kInterfaceConflict;
  if (classes_.contains(id)) return kAlreadyExists;
  classes_.emplace(id, ClassEntry{base, std::move(bindings), {}, std::string(name)});
  cache_.clear();
  return kSuccess;
}

ErrorCode ClassRegistry::AddIn(ClassID target, std::vector<InterfaceBinding> bindings) {
  if (!target.IsValid() || HasInvalidId(bindings)) return kInvalidArgument;
  if (HasDuplicateInterface(bindings)) return kInterfaceConflict;
  auto it = classes_.find(target);
  if (it == classes_.end()) return kUnknownClass;
  it->second.addins.push_back(std::move(bindings));
  cache_.clear();
  return kSuccess;
}

bool ClassRegistry::IsA(ClassID id, ClassID base) const {
  // Bounded by the number of classes, so a cycle cannot loop for ever.
  for (size_t steps = 0; steps <= classes_.size() && id.IsValid(); ++steps) {
    if (id == base) return true;
    auto it = classes_.find(id);
    if (it == classes_.end()) return false;
    id = it->second.base;
  }
  return false;
}

ErrorCode ClassRegistry::Collect(ClassID id, std::vector<ClassID>& chain,
                                 std::vector<InterfaceBinding>& out) const {
  auto it = classes_.find(id);
  if (it == classes_.end()) return kUnknownClass;
  if (std::find(chain.begin(), chain.end(), id) != chain.end()) return kClassCycle;
  chain.push_back(id);
  const ClassEntry& entry = it->second;
  if (entry.base.IsValid()) {
    if (ErrorCode e = Collect(entry.base, chain, out)) return e;
  }
  for (const InterfaceBinding& b : entry.bindings) {
    auto existing = FindIid(out, b.iid);
    if (existing != out.end())
      existing->impl = b.impl;  // a derived class overrides its base
    else
      out.push_back(b);
  }
  for (const auto& addin : entry.addins) {
    for (const InterfaceBinding& b : addin) {
      if (FindIid(out, b.iid) != out.end()) return kInterfaceConflict;
      out.push_back(b);
    }
  }
  return kSuccess;
}

const ClassRegistry::Resolved& ClassRegistry::ResolveCached(ClassID id) const {
  if (auto it = cache_.find(id); it != cache_.end()) return it->second;
  Resolved r;
  std::vector<ClassID> chain;
  std::vector<InterfaceBinding> bindings;
  r.error = Collect(id, chain, bindings);
  if (r.error == kSuccess) {
    auto layout = std::make_shared<ClassLayout>();
    layout->id = id;
    for (const InterfaceBinding& b : bindings) layout->impls.push_back(b.impl);
    std::sort(layout->impls.begin(), layout->impls.end());
    layout->impls.erase(std::unique(layout->impls.begin(), layout->impls.end()),
                        layout->impls.end());
    for (ImplementationID impl : layout->impls) {
      auto entry = impls_.find(impl);
      if (entry == impls_.end()) {
        r.error = kUnknownImplementation;
        diag::Printf("ClassRegistry: class 0x%X needs unregistered implementation 0x%X\n",
                     id.Value(), impl.Value());
        break;
      }
      layout->factories.push_back(entry->second.factory);
    }
    for (const InterfaceBinding& b : bindings) {
      auto pos = std::lower_bound(layout->impls.begin(), layout->impls.end(), b.impl);
      layout->bindings.push_back({b.iid, static_cast<uint32_t>(pos - layout->impls.begin())});
    }
    std::sort(layout->bindings.begin(), layout->bindings.end(),
              [](const auto& a, const auto& b) { return a.iid < b.iid; });
    if (r.error == kSuccess) r.layout = std::move(layout);
  } else {
    diag::Printf("ClassRegistry: cannot build class 0x%X: %s\n", id.Value(),
                 ErrorCodeName(r.error));
  }
  return cache_.emplace(id, std::move(r)).first->second;
}

ErrorCode ClassRegistry::Resolve(ClassID id) const {
  return ResolveCached(id).error;
}

std::shared_ptr<const ClassLayout> ClassRegistry::Layout(ClassID id) const {
  return ResolveCached(id).layout;
}

std::shared_ptr<Object> ClassRegistry::CreateObject(ClassID id) const {
  auto layout = Layout(id);
  if (!layout) return nullptr;
  return Instantiate(std::move(layout));
}

std::shared_ptr<Object> ClassRegistry::Instantiate(std::shared_ptr<const ClassLayout> layout) {
  if (!layout) return nullptr;
  const ClassLayout& l = *layout;
  auto object = std::make_shared<Object>(Object::PassKey{}, std::move(layout));
  object->impls_.reserve(l.impls.size());
  for (size_t i = 0; i < l.impls.size(); ++i) {
    std::unique_ptr<Interface> impl = l.factories[i]();
    if (!impl) {
      diag::Printf("ClassRegistry: factory of implementation 0x%X gave nothing\n",
                   l.impls[i].Value());
      return nullptr;
    }
    impl->owner_ = object.get();
    impl->impl_id_ = l.impls[i];
    impl->index_ = static_cast<uint32_t>(i);
    object->impls_.push_back(std::move(impl));
  }
  return object;
}

std::string ClassRegistry::ImplementationName(ImplementationID id) const {
  auto it = impls_.find(id);
  return it == impls_.end() ? std::string() : it->second.name;
}

std::string ClassRegistry::ClassName(ClassID id) const {
  auto it = classes_.find(id);
  return it == classes_.end() ? std::string() : it->second.name;
}

}  // namespace tarvelin
