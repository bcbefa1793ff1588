#include "shell/plugin_resources.h"

#include "host/application/startup_service.h"
#include "shell/plugin_ids.h"

namespace tarvelin {

PlugInResources TarvelinResources() {
  using namespace plugin_ids;
  PlugInResources r;
  const ClassID component = kActionComponentClass;
  r.actions = {
      {kAboutAction, component, "0x113380kVorrinAboutMenuKey", 0x80},
      {kAboutAction2, component, "", 0x80},
      {kPreferencesAction, component, "0x113380kVorrinPreferencesMenuKey", 0x08},
      {kImportAndProcessAction, component, "0x113380kVorrinImportTaggedFileKey", 0x80},
      {kProcessAction, component, "0x113380kVorrinProcessOnlyKey", 0x80},
      {kReconnectAction, component, "0x113380kVorrinProcessOnlyKey", 0x80},
      {kShowLogAction, component, "0x113380kVorrinShowLogKey", 0x80},
      {kVisitWebPageAction, component, "0x113380kZevStringVisitDeveloperWebPage", 0x80},
      {kVisitWebPageAction2, component, "", 0x80},
  };
  const std::string popup = "0x113380kVorrinInternalPopupMenuNameKey";
  r.menus = {
      {kAboutAction, "Main:&Help:About Plug-ins:Tarvelin", 10.0},
      {kAboutAction, popup, 10.0},
      {kPreferencesAction, popup, 11.0},
      {kSeparatorAction, popup + ":-", 12.0},
      {kImportAndProcessAction, popup, 13.0},
      {kProcessAction, popup, 14.0},
      {kShowLogAction, popup, 15.0},
  };
  r.services = {
      {InterfaceID{0x7301}, kImportServiceClass},
      {IStartupShutdownService::kIID, kStartupServiceClass},
  };
  return r;
}

}  // namespace tarvelin
