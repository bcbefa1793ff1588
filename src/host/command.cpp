#include "host/command.h"

#include "host/class_registry.h"
#include "host/object.h"

namespace tarvelin {

std::shared_ptr<Command> CreateCommand(const ClassRegistry& registry, ClassID cls) {
  auto object = registry.CreateObject(cls);
  return object ? object->Query<Command>() : nullptr;
}

}  // namespace tarvelin
