#include "host/application/action_manager.h"

#include "core/diagnostics.h"
#include "host/application/active_context.h"
#include "host/documents/page_item.h"
#include "host/objects/class_registry.h"
#include "host/objects/command_processor.h"
#include "host/objects/object.h"

namespace tarvelin {

void ActionManager::AddDefinitions(const std::vector<ActionDefinition>& actions) {
  for (const auto& a : actions) actions_[a.id] = a;
}

void ActionManager::AddHostAction(ActionDefinition action, std::function<void()> perform,
                                  std::function<bool()> enabled) {
  host_actions_[action.id] = {std::move(perform), std::move(enabled)};
  actions_[action.id] = std::move(action);
}

bool ActionManager::IsEnabled(ActionID action) const {
  using namespace action_enabling;
  const ActionDefinition* def = Find(action);
  if (def == nullptr) return false;
  const uint32_t flags = def->enablingFlags;
  Document* doc = context_ ? context_->FrontDocument() : nullptr;
  if ((flags & (kNeedsDocument | kNeedsSelection | kNeedsTextFrame | kNeedsUndo | kNeedsRedo)) &&
      doc == nullptr)
    return false;
  if (doc) {
    const Selection& selection = doc->GetSelection();
    if ((flags & kNeedsSelection) && selection.IsEmpty()) return false;
    if (flags & kNeedsTextFrame) {
      const UIDList& items = selection.LayoutItems();
      const bool text =
          selection.Text().has_value() ||
          (items.size() == 1 && KindOf(doc->DataBase(), items[0]) == FrameKind::kText);
      if (!text) return false;
    }
    if ((flags & kNeedsUndo) && !doc->DataBase().Commands().CanUndo()) return false;
    if ((flags & kNeedsRedo) && !doc->DataBase().Commands().CanRedo()) return false;
  }
  auto host = host_actions_.find(action);
  if (host != host_actions_.end() && host->second.enabled && !host->second.enabled()) return false;
  return true;
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
  if (!IsEnabled(action)) return false;
  if (auto host = host_actions_.find(action); host != host_actions_.end()) {
    // Front-end actions hold notices like a plug-in's: one per action.
    if (host->second.perform) RunHoldingSelections(host->second.perform);
    return true;
  }
  auto component = Component(def->component);
  if (!component) {
    diag::Printf("ActionManager: no action component for action 0x%X\n", action);
    return false;
  }
  RunHoldingSelections([&] { component->DoAction(action); });
  return true;
}

void ActionManager::RunHoldingSelections(const std::function<void()>& run) {
  std::vector<Document*> held;
  if (context_) {
    for (const auto& doc : context_->Documents()) {
      doc->GetSelection().HoldNotices();
      held.push_back(doc.get());
    }
  }
  run();
  // A document the action closed took its selection along.
  for (Document* doc : held) {
    if (context_->Contains(doc)) doc->GetSelection().ReleaseNotices();
  }
}

}  // namespace tarvelin
