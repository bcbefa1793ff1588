#include "shell/tarvelin_plugin.h"

#include "core/diagnostics.h"
#include "shell/plugin_ids.h"
#include "shell/plugin_resources.h"

namespace tarvelin {

TarvelinPlugIn::TarvelinPlugIn(std::vector<RegistrationStep> steps)
    : steps_(std::move(steps)), resources_(TarvelinResources()) {}

std::string TarvelinPlugIn::Name() const {
  return plugin_ids::kPlugInName;
}
std::string TarvelinPlugIn::Version() const {
  return plugin_ids::kPlugInVersion;
}

ErrorCode TarvelinPlugIn::RegisterImplementations(ClassRegistry& registry) {
  ErrorCode first = kSuccess;
  for (const auto& step : steps_) {
    ErrorCode e = step(registry);
    if (e != kSuccess) {
      diag::Printf("TarvelinPlugIn::RegisterImplementations: a registration step failed (%d)\n", e);
      if (first == kSuccess) first = e;
    }
  }
  return first;
}

}  // namespace tarvelin
