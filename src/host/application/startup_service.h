// Start-up and shut-down services: classes a plug-in names in its resources; the host
// builds one object of each after registration and calls Startup, and Shutdown when it
// closes.
#pragma once

#include "host/objects/interface.h"

namespace tarvelin {

class IStartupShutdownService : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0149};
  virtual void Startup() = 0;
  virtual void Shutdown() = 0;
};

}  // namespace tarvelin
