#include "host/objects/command.h"

#include "host/objects/class_registry.h"
#include "host/objects/object.h"

namespace tarvelin {

std::shared_ptr<Command> CreateCommand(const ClassRegistry& registry, ClassID cls) {
  auto object = registry.CreateObject(cls);
  return object ? object->Query<Command>() : nullptr;
}

}  // namespace tarvelin
