// The about box's texts that the plug-in builds itself (the rest comes from the string
// tables and the view resource).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/application/plugin_loader.h"
#include "shell/plugin_ids.h"

namespace tarvelin {

// The widget that shows the name-and-revision line, untranslated.
inline constexpr uint32_t kAboutBoxRevisionWidget = plugin_ids::P(45);

// The name of the first plug-in in `names` whose name contains the product name (both in
// upper case), then " (revision: " and `revision`, less a trailing character that is not
// a digit (a build from modified sources marks its revision so), then ")". The product
// name alone when no name matches.
std::string AboutBoxRevisionLine(const std::vector<std::string>& names,
                                 std::string_view revision = plugin_ids::kRevision);
// The same over the plug-ins a host has loaded, in loading order.
std::string AboutBoxRevisionLine(const std::vector<LoadedPlugIn>& loaded);

}  // namespace tarvelin
