#include "plugin_menus.h"

#include <QMenu>
#include <QMenuBar>
#include <QStringList>
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

void AddEntry(QMenu& menu, ActionID id, ActionManager& actions) {
  const ActionDefinition* def = actions.Find(id);
  if (!def) return;
  QAction* action = menu.addAction(Tr(def->nameKey));
  QObject::connect(action, &QAction::triggered, &menu,
                   [&actions, id] { actions.PerformAction(id); });
  QObject::connect(&menu, &QMenu::aboutToShow, action,
                   [action, &actions, id] { action->setEnabled(actions.IsEnabled(id)); });
  action->setEnabled(actions.IsEnabled(id));
}

QMenu* SubMenu(QWidget& parent, const QList<QAction*>& existing, const QString& title) {
  const QString plain = QString(title).remove(QLatin1Char('&'));
  for (QAction* a : existing)
    if (a->menu() && a->text().remove(QLatin1Char('&')) == plain) return a->menu();
  if (auto* bar = qobject_cast<QMenuBar*>(&parent)) return bar->addMenu(title);
  return static_cast<QMenu&>(parent).addMenu(title);
}

}  // namespace

void FillMenu(QMenu& menu, std::string_view path, ActionManager& actions) {
  const std::string separator = std::string(path) + ":-";
  for (const MenuDefinition& m : SortedMenus()) {
    if (m.path == separator)
      menu.addSeparator();
    else if (m.path == path)
      AddEntry(menu, m.action, actions);
  }
}

void AddMainMenuEntries(QMenuBar& bar, ActionManager& actions) {
  for (const MenuDefinition& m : SortedMenus()) {
    QStringList parts = QString::fromStdString(m.path).split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.front() != QLatin1String("Main")) continue;
    parts.removeFirst();
    const bool separator = parts.back() == QLatin1String("-");
    if (separator) parts.removeLast();
    QWidget* level = &bar;
    QMenu* menu = nullptr;
    for (const QString& part : parts) {
      menu = SubMenu(*level, level->actions(), part);
      level = menu;
    }
    if (!menu) continue;
    if (separator)
      menu->addSeparator();
    else
      AddEntry(*menu, m.action, actions);
  }
}

}  // namespace tarvelin::studio::face
