#include "host/application/action_manager.h"

#include "core/diagnostics.h"
#include "host/objects/class_registry.h"
#include "host/objects/object.h"

namespace tarvelin {

void ActionManager::AddDefinitions(const std::vector<ActionDefinition>& actions) {
  for (const auto& a : actions) actions_[a.id] = a;
}

const ActionDefinition* ActionManager::Find(ActionID action) const {
  auto it = actions_.find(action);
  return it == actions_.end() ? nullptr : &it->second;
}

std::shared_ptr<IActionComponent> ActionManager::Component(ClassID cls) {
  auto it = components_.find(cls);
  if (it == components_.end()) {
    auto object = registry_.CreateObject(cls);
    if (!object) return nullptr;
    it = components_.emplace(cls, std::move(object)).first;
  }
  return it->second->Query<IActionComponent>();
}

bool ActionManager::PerformAction(ActionID action) {
  const ActionDefinition* def = Find(action);
  if (def == nullptr) {
    diag::Printf("ActionManager: unknown action 0x%X\n", action);
    return false;
  }
  auto component = Component(def->component);
  if (!component) {
    diag::Printf("ActionManager: no action component for action 0x%X\n", action);
    return false;
  }
  component->DoAction(action);
  return true;
}

}  // namespace tarvelin
