// The tagged-text import filter as a host import service: the class the plug-in's
// resources name for the host's import dialogs.
#pragma once

#include "host/objects/class_registry.h"
#include "host/objects/error_code.h"

namespace tarvelin {

inline constexpr ClassID kQXTImportServiceClass{0x113380 + 11};
inline constexpr ImplementationID kQXTImportProviderImplID{0x113380 + 26};

// Registers the provider's implementation and its service class.
ErrorCode RegisterTaggedClasses(ClassRegistry& registry);

}  // namespace tarvelin
