#include "host/objects/object.h"

#include <algorithm>

#include "host/objects/class_registry.h"

namespace tarvelin {

Object::Object(PassKey, std::shared_ptr<const ClassLayout> layout) : layout_(std::move(layout)) {}

Object::~Object() = default;

ClassID Object::Class() const {
  return layout_->id;
}

std::shared_ptr<Interface> Object::QueryInterface(InterfaceID iid) const {
  const auto& b = layout_->bindings;
  auto it =
      std::lower_bound(b.begin(), b.end(), iid,
                       [](const ClassLayout::Binding& x, InterfaceID id) { return x.iid < id; });
  if (it == b.end() || it->iid != iid) return nullptr;
  // Shares ownership of the whole object: the interface cannot outlive its siblings.
  return std::shared_ptr<Interface>(shared_from_this(), impls_[it->instance].get());
}

bool Object::Has(InterfaceID iid) const {
  const auto& b = layout_->bindings;
  auto it =
      std::lower_bound(b.begin(), b.end(), iid,
                       [](const ClassLayout::Binding& x, InterfaceID id) { return x.iid < id; });
  return it != b.end() && it->iid == iid;
}

size_t Object::FindImpl(ImplementationID impl) const {
  const auto& v = layout_->impls;
  auto it = std::lower_bound(v.begin(), v.end(), impl);
  if (it == v.end() || *it != impl) return impls_.size();
  return static_cast<size_t>(it - v.begin());
}

std::vector<InterfaceID> Object::InterfacesOf(size_t i) const {
  std::vector<InterfaceID> out;
  for (const auto& b : layout_->bindings)
    if (b.instance == i) out.push_back(b.iid);
  return out;
}

}  // namespace tarvelin
