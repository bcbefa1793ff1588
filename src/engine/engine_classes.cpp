#include "engine/engine_classes.h"

#include "engine/vorrin_action_component.h"
#include "host/application/application.h"
#include "host/objects/class_registry.h"
#include "preferences/preference_types.h"
#include "shell/plugin_ids.h"

namespace tarvelin {

void VorrinStartupService::Startup() {
  Application* app = Application::Current();
  EnsureInterfaceFonts(app ? app->Services().interfaceFonts : nullptr);
  // Writes "starting up 1" and registers image folders 1 to 4 in order.
  PreferencesStartUp(&PreferenceTypes());
}

ErrorCode RegisterEngineClasses(ClassRegistry& registry) {
  using namespace plugin_ids;
  ErrorCode first = kSuccess;
  auto note = [&](ErrorCode e) {
    if (first == kSuccess) first = e;
  };
  note(registry.RegisterImplementation<VorrinActionComponent>(kActionComponentImpl,
                                                              "VorrinActionComponent"));
  note(registry.DefineClass(kActionComponentClass, kInvalidClass,
                            {{IActionComponent::kIID, kActionComponentImpl},
                             {IVorrinRunReport::kIID, kActionComponentImpl}},
                            "VorrinActionComponent"));
  note(registry.RegisterImplementation<VorrinStartupService>(kStartupServiceImpl,
                                                             "VorrinStartupService"));
  note(registry.DefineClass(kStartupServiceClass, kInvalidClass,
                            {{IStartupShutdownService::kIID, kStartupServiceImpl}},
                            "VorrinStartupService"));
  return first;
}

}  // namespace tarvelin
