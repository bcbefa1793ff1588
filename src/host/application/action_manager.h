// Actions: menu items and panel buttons reach a plug-in's action component by action ID.
//
// The manager knows every action definition of the loaded plug-ins. It creates each
// action component once (a free object of the component's class, kept for the life of
// the manager, so a component can hold state across actions) and hands it the action.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "host/application/plugin.h"
#include "host/objects/interface.h"

namespace tarvelin {

class ActiveContext;
class ClassRegistry;
class Object;

class IActionComponent : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0xD201};
  virtual void DoAction(ActionID action) = 0;
};

class ActionManager {
 public:
  // While an action runs, the selection notices of the context's documents are held, so
  // observers hear one notice when it ends. `context` may be null (no holding).
  explicit ActionManager(const ClassRegistry& registry, ActiveContext* context = nullptr)
      : registry_(registry), context_(context) {}

  void AddDefinitions(const std::vector<ActionDefinition>& actions);
  // An action of the front end itself (Save, Undo, ...): performed by `perform` instead
  // of a component, enabled by its flags and, when given, by `enabled` as well. Replaces
  // an action of the same ID.
  void AddHostAction(ActionDefinition action, std::function<void()> perform,
                     std::function<bool()> enabled = {});
  const ActionDefinition* Find(ActionID action) const;
  // Whether the action can run in the current context: known, and what its enabling
  // flags need (action_enabling) is there. Menus and buttons grey out by this.
  bool IsEnabled(ActionID action) const;
  // False when the action is unknown, disabled or its component cannot be built.
  bool PerformAction(ActionID action);
  // The component of a class, built on first use; null when it cannot be built.
  std::shared_ptr<IActionComponent> Component(ClassID cls);

 private:
  void RunHoldingSelections(const std::function<void()>& run);

  const ClassRegistry& registry_;
  ActiveContext* context_;
  struct HostAction {
    std::function<void()> perform;
    std::function<bool()> enabled;
  };
  std::map<ActionID, ActionDefinition> actions_;
  std::map<ActionID, HostAction> host_actions_;
  std::map<ClassID, std::shared_ptr<Object>> components_;
};

}  // namespace tarvelin
