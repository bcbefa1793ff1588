#include "host/application/host_registry.h"

#include "core/diagnostics.h"
#include "host/documents/document_classes.h"
#include "host/objects/class_registry.h"
#include "host/text/text_classes.h"

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
