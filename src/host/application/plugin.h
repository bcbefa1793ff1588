// The contract between the host and a plug-in module.
//
// A module exports one C function, GetPlugIn, that returns its plug-in object (owned by
// the module, alive while it is loaded). At start-up the host loads each module, sets the
// plug-in's ID, asks it to register its implementations and classes into the host's
// registry, reads its resources (actions, menus, services) and then starts its start-up
// services. After that the host knows the plug-in only through the class registry and
// the action and service tables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/objects/error_code.h"
#include "host/objects/ids.h"

namespace tarvelin {

class ClassRegistry;

using ActionID = uint32_t;

// What an action needs of the context to be enabled: the bits of
// ActionDefinition::enablingFlags that the host reads. The lower byte is the plug-in's
// own (its resources carry 0x80 and 0x08) and asks for nothing: such actions are always
// enabled and decide for themselves what to do without a document or a selection.
namespace action_enabling {
inline constexpr uint32_t kNeedsDocument = 0x100;
inline constexpr uint32_t kNeedsSelection = 0x200;
// A text frame selected, or text selected in one.
inline constexpr uint32_t kNeedsTextFrame = 0x400;
inline constexpr uint32_t kNeedsUndo = 0x800;
inline constexpr uint32_t kNeedsRedo = 0x1000;
}  // namespace action_enabling

// One action of a plug-in's resources: performed by the action component of `component`.
struct ActionDefinition {
  ActionID id = 0;
  ClassID component;
  std::string nameKey;  // string-table key of the menu text; may be empty
  uint32_t enablingFlags = 0;
};

// One menu entry: `path` is a menu path with ':' separators ("Help:About Plug-ins:..."),
// a path ending in ":-" is a separator.
struct MenuDefinition {
  ActionID action = 0;
  std::string path;
  double position = 0;
};

// A class the host must find as a service: by service interface (e.g. the start-up
// service or an import provider).
struct ServiceDefinition {
  InterfaceID service;
  ClassID cls;
};

struct PlugInResources {
  std::vector<ActionDefinition> actions;
  std::vector<MenuDefinition> menus;
  std::vector<ServiceDefinition> services;
};

class IPlugIn {
 public:
  virtual ~IPlugIn() = default;
  virtual uint32_t GetPlugInID() const = 0;
  virtual void SetPlugInID(uint32_t id) = 0;
  virtual std::string Name() const = 0;
  virtual std::string Version() const = 0;
  // Registers every implementation and class of the plug-in; 0 on success.
  virtual ErrorCode RegisterImplementations(ClassRegistry& registry) = 0;
  virtual const PlugInResources& Resources() const = 0;
};

// The module's single export.
extern "C" {
using GetPlugInFunction = IPlugIn* (*)();
}
inline constexpr const char* kGetPlugInSymbol = "GetPlugIn";

}  // namespace tarvelin
