#include "host/host_registry.h"

#include "core/diagnostics.h"
#include "host/class_registry.h"
#include "host/document_classes.h"
#include "host/text_classes.h"

namespace tarvelin {

std::shared_ptr<ClassRegistry> CreateHostRegistry() {
  auto registry = std::make_shared<ClassRegistry>();
  RegisterTextClasses(*registry);
  if (ErrorCode e = RegisterDocumentClasses(*registry); e != kSuccess) {
    diag::Printf("CreateHostRegistry: the document classes could not be registered (%s)\n",
                 ErrorCodeName(e));
    return nullptr;
  }
  return registry;
}

}  // namespace tarvelin
