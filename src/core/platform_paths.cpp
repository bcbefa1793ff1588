#include "core/platform_paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tarvelin {

namespace {

std::optional<std::string> XdgFolder(const char* variable, const char* fallback,
                                     const std::string& sub) {
  std::filesystem::path base;
  const char* value = std::getenv(variable);
  if (value != nullptr && value[0] == '/') {
    base = value;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') return std::nullopt;
    base = std::filesystem::path(home) / fallback;
  }
  std::filesystem::path folder = base / "tarvelin";
  if (!sub.empty()) folder /= sub;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec || !std::filesystem::is_directory(folder, ec)) return std::nullopt;
  std::string text = folder.string();
  if (text.back() != '/') text.push_back('/');
  return text;
}

}  // namespace

std::optional<std::string> UserDataFolder(const std::string& sub) {
  return XdgFolder("XDG_DATA_HOME", ".local/share", sub);
}

std::optional<std::string> AppCacheFolder() { return XdgFolder("XDG_CACHE_HOME", ".cache", ""); }

std::optional<std::string> UserConfigFolder() {
  return XdgFolder("XDG_CONFIG_HOME", ".config", "");
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  char last = folder.back();
  if (last == '/' || last == '\\') return folder + name;
  return folder + "/" + name;
}

}  // namespace tarvelin
