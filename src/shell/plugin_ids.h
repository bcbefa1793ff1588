// The plug-in's identifiers: its prefix plus a small offset, the same number in every
// ID space (class, interface, implementation, action, widget). Values are fixed: stored
// documents and the host's tables refer to them.
#pragma once

#include <cstdint>

#include "host/application/plugin.h"
#include "host/objects/ids.h"

namespace tarvelin::plugin_ids {

inline constexpr uint32_t kPrefix = 0x113380;
constexpr uint32_t P(uint32_t n) {
  return kPrefix + n;
}

inline constexpr uint32_t kPlugInID = kPrefix;
inline constexpr const char* kPlugInName = "Tarvelin";
inline constexpr const char* kPlugInVersion = "1.1";
inline constexpr const char* kRevision = "10366";

// The host's page ID of the plug-in's page in the Preferences dialog.
inline constexpr uint32_t kPreferencesPageID = 0x699;

// Interfaces defined by the plug-in.
inline constexpr InterfaceID kIAdvertisementAttributes{P(0)};
inline constexpr InterfaceID kIAdvertisementAttributesSuite{P(1)};
inline constexpr InterfaceID kICommonPreferenceData{P(2)};
inline constexpr InterfaceID kICommonPrefeernceModel{P(3)};

// Classes of the class table.
inline constexpr ClassID kActionComponentClass{P(0)};
inline constexpr ClassID kPanelWidgetClass{P(1)};
inline constexpr ClassID kAboutBoxClass{P(3)};
inline constexpr ClassID kAttrCommandClass{P(4)};
inline constexpr ClassID kPreferenceCommandClass{P(5)};
inline constexpr ClassID kLogDialogClass{P(10)};
inline constexpr ClassID kImportServiceClass{P(11)};
inline constexpr ClassID kImportOptionsDialogClass{P(12)};
inline constexpr ClassID kStartupServiceClass{P(13)};

// Implementations owned by the shell and the engine.
inline constexpr ImplementationID kActionComponentImpl{P(0)};
inline constexpr ImplementationID kQXTImportProviderImpl{P(26)};
inline constexpr ImplementationID kStartupServiceImpl{P(27)};

// Actions.
inline constexpr ActionID kAboutAction = P(0);
inline constexpr ActionID kSeparatorAction = P(2);
inline constexpr ActionID kAboutAction2 = P(3);
inline constexpr ActionID kProcessAction = P(5);
inline constexpr ActionID kImportAndProcessAction = P(6);
inline constexpr ActionID kReconnectAction = P(7);
inline constexpr ActionID kShowLogAction = P(8);
inline constexpr ActionID kVisitWebPageAction = P(9);
inline constexpr ActionID kPreferencesAction = P(10);
inline constexpr ActionID kVisitWebPageAction2 = P(11);

// Widgets of the attributes panel.
inline constexpr uint32_t kReconnectButtonWidget = P(2);
inline constexpr uint32_t kAttributeListWidget = P(9);
inline constexpr uint32_t kMissingImageTextWidget = P(24);
inline constexpr uint32_t kImportAndProcessButtonWidget = P(25);
inline constexpr uint32_t kShowLogButtonWidget = P(27);
inline constexpr uint32_t kProcessButtonWidget = P(53);

}  // namespace tarvelin::plugin_ids
