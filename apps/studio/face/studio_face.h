// The plug-in's face in a studio window, beyond the panel and the log viewer: the about
// box and the developer's page as front-end actions, and the preferences page.
#pragma once

#include <QString>

class QWidget;

namespace tarvelin {
class ActionManager;
class SessionWorkspace;
}  // namespace tarvelin

namespace tarvelin::studio::face {

class PreferencesPage;

// About (both action IDs) opens the about box over `window`; the developer's-page actions
// open the configured address in the desktop's browser.
void InstallFaceActions(ActionManager& actions, QWidget* window);

QString PreferencesPageTitle();
// A page over the process's preference registry (given the start-up defaults when it
// still lacks them) and the workspace's stored preferences.
PreferencesPage* MakePreferencesPage(SessionWorkspace* workspace, QWidget* parent);

}  // namespace tarvelin::studio::face
