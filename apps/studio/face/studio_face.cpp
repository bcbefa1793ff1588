#include "studio_face.h"

#include <QPointer>

#include "about_box_dialog.h"
#include "face_text.h"
#include "host/application/action_manager.h"
#include "host/application/application.h"
#include "preferences/preference_types.h"
#include "preferences_page.h"
#include "shell/about_box.h"
#include "shell/plugin_ids.h"

namespace tarvelin::studio::face {

void InstallFaceActions(ActionManager& actions, QWidget* window) {
  using namespace plugin_ids;
  QPointer<QWidget> parent(window);
  auto about = [parent, &actions] {
    Application* app = Application::Current();
    AboutBoxDialog box(app ? AboutBoxRevisionLine(app->PlugIns())
                           : AboutBoxRevisionLine(std::vector<std::string>{}),
                       actions, parent);
    box.exec();
  };
  for (ActionID id : {kAboutAction, kAboutAction2})
    if (const ActionDefinition* def = actions.Find(id)) actions.AddHostAction(*def, about);
  for (ActionID id : {kVisitWebPageAction, kVisitWebPageAction2})
    if (const ActionDefinition* def = actions.Find(id))
      actions.AddHostAction(*def, [] { OpenDeveloperPage(); });
}

QString PreferencesPageTitle() {
  return Tr("0x113380kCommonPreferencesStringKey");
}

PreferencesPage* MakePreferencesPage(SessionWorkspace* workspace, QWidget* parent) {
  // The module registers its defaults in its own copy of the registry; the studio's copy
  // gets the same ones here (registering again adds nothing).
  PreferencesStartUp(&PreferenceTypes());
  return new PreferencesPage(PreferenceTypes(), workspace, {}, parent);
}

}  // namespace tarvelin::studio::face
