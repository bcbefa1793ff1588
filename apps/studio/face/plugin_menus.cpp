#include "plugin_menus.h"

#include <QMenu>
#include <algorithm>
#include <string>
#include <vector>

#include "face_text.h"
#include "host/application/action_manager.h"
#include "shell/plugin_resources.h"

namespace tarvelin::studio::face {

namespace {

std::vector<MenuDefinition> SortedMenus() {
  std::vector<MenuDefinition> menus = TarvelinResources().menus;
  std::stable_sort(menus.begin(), menus.end(),
                   [](const auto& a, const auto& b) { return a.position < b.position; });
  return menus;
}

void AddEntry(QMenu& menu, ActionID id, ActionManager& actions, const PerformAction& perform) {
  const ActionDefinition* def = actions.Find(id);
  if (!def) return;
  QAction* action = menu.addAction(Tr(def->nameKey));
  QObject::connect(action, &QAction::triggered, &menu, [&actions, perform, id] {
    if (perform)
      perform(id);
    else
      actions.PerformAction(id);
  });
  QObject::connect(&menu, &QMenu::aboutToShow, action,
                   [action, &actions, id] { action->setEnabled(actions.IsEnabled(id)); });
  action->setEnabled(actions.IsEnabled(id));
}

}  // namespace

void FillMenu(QMenu& menu, std::string_view path, ActionManager& actions,
              const PerformAction& perform) {
  const std::string separator = std::string(path) + ":-";
  for (const MenuDefinition& m : SortedMenus()) {
    if (m.path == separator)
      menu.addSeparator();
    else if (m.path == path)
      AddEntry(menu, m.action, actions, perform);
  }
}

}  // namespace tarvelin::studio::face
