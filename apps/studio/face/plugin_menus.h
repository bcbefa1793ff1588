// The plug-in's menu entries, built from its menu definitions: each entry performs its
// action through the host's action manager and is greyed out while the manager says the
// action cannot run (checked each time its menu opens).
#pragma once

#include <string_view>

class QMenu;
class QMenuBar;

namespace tarvelin {
class ActionManager;
}

namespace tarvelin::studio::face {

// The menu path of the attributes panel's pop-up menu.
inline constexpr std::string_view kPopupMenuPath = "0x113380kVorrinInternalPopupMenuNameKey";

// Appends the entries whose path is `path` (and its separators, "path:-"), by position.
void FillMenu(QMenu& menu, std::string_view path, ActionManager& actions);
// Adds the entries under "Main:..." to the menu bar: each level of the path is a menu,
// found by its title (ignoring '&') or created at the end.
void AddMainMenuEntries(QMenuBar& bar, ActionManager& actions);

}  // namespace tarvelin::studio::face
