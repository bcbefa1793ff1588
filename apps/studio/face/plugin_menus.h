// The plug-in's menu entries, built from its menu definitions: each entry performs its
// action (by default through the host's action manager) and is greyed out while the
// manager says the action cannot run (checked each time its menu opens).
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

class QMenu;

namespace tarvelin {
class ActionManager;
}

namespace tarvelin::studio::face {

// The menu path of the attributes panel's pop-up menu.
inline constexpr std::string_view kPopupMenuPath = "0x113380kVorrinInternalPopupMenuNameKey";

// How a front end performs an action; empty: ActionManager::PerformAction.
using PerformAction = std::function<void(uint32_t action)>;

// Appends the entries whose path is `path` (and its separators, "path:-"), by position.
void FillMenu(QMenu& menu, std::string_view path, ActionManager& actions,
              const PerformAction& perform = {});

}  // namespace tarvelin::studio::face
