// The plug-in object the module hands to the host. It keeps the list of registration
// steps (one per library of the plug-in: its implementations and classes) and walks it
// when the host asks it to register.
#pragma once

#include <functional>
#include <vector>

#include "host/application/plugin.h"

namespace tarvelin {

using RegistrationStep = std::function<ErrorCode(ClassRegistry&)>;

class TarvelinPlugIn final : public IPlugIn {
 public:
  explicit TarvelinPlugIn(std::vector<RegistrationStep> steps);

  uint32_t GetPlugInID() const override { return id_; }
  void SetPlugInID(uint32_t id) override { id_ = id; }
  std::string Name() const override;
  std::string Version() const override;
  // Runs every step; the first failure is returned, later steps still run so that one
  // broken part does not take the others down.
  ErrorCode RegisterImplementations(ClassRegistry& registry) override;
  const PlugInResources& Resources() const override { return resources_; }

 private:
  uint32_t id_ = 0;  // the host's invalid plug-in ID until the host sets it
  std::vector<RegistrationStep> steps_;
  PlugInResources resources_;
};

}  // namespace tarvelin
