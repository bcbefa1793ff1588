// The engine's classes in the plug-in's class table: the action component (class and
// implementation prefix+0, IActionComponent and IVorrinRunReport on one instance) and
// the start-up service (class prefix+13, implementation prefix+27), which registers the
// interface fonts and the four image-folder preferences.
#pragma once

#include "host/application/startup_service.h"
#include "host/objects/error_code.h"

namespace tarvelin {

class ClassRegistry;

class VorrinStartupService final : public IStartupShutdownService {
 public:
  void Startup() override;
  void Shutdown() override {}
};

ErrorCode RegisterEngineClasses(ClassRegistry& registry);

}  // namespace tarvelin
