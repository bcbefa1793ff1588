// Loads plug-in modules (shared objects exporting GetPlugIn) and keeps them loaded for
// the life of the loader.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/application/plugin.h"

namespace tarvelin {

struct LoadedPlugIn {
  std::filesystem::path path;
  IPlugIn* plugIn = nullptr;  // owned by the module
};

class PlugInLoader {
 public:
  PlugInLoader() = default;
  ~PlugInLoader();
  PlugInLoader(const PlugInLoader&) = delete;
  PlugInLoader& operator=(const PlugInLoader&) = delete;

  // Null, with the reason in `error`, when the module cannot be loaded or lacks the export.
  IPlugIn* Load(const std::filesystem::path& module, std::string* error);
  const std::vector<LoadedPlugIn>& PlugIns() const { return loaded_; }

 private:
  std::vector<LoadedPlugIn> loaded_;
  std::vector<void*> handles_;
};

// Where the host looks for modules: $TARVELIN_PLUGIN_PATH when set, else the "plugins"
// folder beside the running executable, else ../lib/tarvelin/plugins from it (installed).
std::filesystem::path DefaultPlugInFolder();

}  // namespace tarvelin
