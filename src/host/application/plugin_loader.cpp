#include "host/application/plugin_loader.h"

#include <dlfcn.h>

#include <cstdlib>
#include <system_error>

namespace tarvelin {

PlugInLoader::~PlugInLoader() {
  loaded_.clear();
  // Modules stay mapped until the process ends: objects they created (registry factories,
  // static strings) may outlive the loader.
}

IPlugIn* PlugInLoader::Load(const std::filesystem::path& module, std::string* error) {
  void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    if (error) *error = ::dlerror();
    return nullptr;
  }
  auto get = reinterpret_cast<GetPlugInFunction>(::dlsym(handle, kGetPlugInSymbol));
  if (get == nullptr) {
    if (error) *error = module.string() + ": no " + kGetPlugInSymbol + " export";
    ::dlclose(handle);
    return nullptr;
  }
  IPlugIn* plugIn = get();
  if (plugIn == nullptr) {
    if (error) *error = module.string() + ": " + kGetPlugInSymbol + " returned nothing";
    ::dlclose(handle);
    return nullptr;
  }
  handles_.push_back(handle);
  loaded_.push_back({module, plugIn});
  return plugIn;
}

std::filesystem::path DefaultPlugInFolder() {
  if (const char* env = std::getenv("TARVELIN_PLUGIN_PATH"); env != nullptr && env[0] != '\0')
    return env;
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "plugins";
  // In the build tree the modules stand beside the programs; installed, in the library
  // folder (bin/../lib/tarvelin/plugins).
  auto beside = exe.parent_path() / "plugins";
  if (std::filesystem::is_directory(beside, ec)) return beside;
  auto installed = exe.parent_path().parent_path() / "lib" / "tarvelin" / "plugins";
  if (std::filesystem::is_directory(installed, ec)) return installed;
  return beside;
}

}  // namespace tarvelin
