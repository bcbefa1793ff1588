// The plug-in's resources: actions, menus and the services the host must find.
#pragma once

#include "host/application/plugin.h"

namespace tarvelin {

// The actions table, the two menu places and the three services (import filter, start-up
// service, preferences panel) in resource order.
PlugInResources TarvelinResources();

// The developer's web page, a build-time setting.
inline constexpr const char* kDeveloperWebPage = "https://tarvelin.example/";

}  // namespace tarvelin
