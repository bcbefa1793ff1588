// Actions: menu items and panel buttons reach a plug-in's action component by action ID.
//
// The manager knows every action definition of the loaded plug-ins. It creates each
// action component once (a free object of the component's class, kept for the life of
// the manager, so a component can hold state across actions) and hands it the action.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "host/application/plugin.h"
#include "host/objects/interface.h"

namespace tarvelin {

class ClassRegistry;
class Object;

class IActionComponent : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0xD201};
  virtual void DoAction(ActionID action) = 0;
};

class ActionManager {
 public:
  explicit ActionManager(const ClassRegistry& registry) : registry_(registry) {}

  void AddDefinitions(const std::vector<ActionDefinition>& actions);
  const ActionDefinition* Find(ActionID action) const;
  // False when the action is unknown or its component cannot be built.
  bool PerformAction(ActionID action);
  // The component of a class, built on first use; null when it cannot be built.
  std::shared_ptr<IActionComponent> Component(ClassID cls);

 private:
  const ClassRegistry& registry_;
  std::map<ActionID, ActionDefinition> actions_;
  std::map<ClassID, std::shared_ptr<Object>> components_;
};

}  // namespace tarvelin
