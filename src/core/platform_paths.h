// The platform's standard per-user locations (XDG base directories on Linux).
// Every folder text ends with the separator, so a file name can be appended directly.
#pragma once

#include <optional>
#include <string>

namespace tarvelin {

// $XDG_DATA_HOME/tarvelin/<sub>/ (default ~/.local/share); created on demand.
// nullopt when it cannot be created.
std::optional<std::string> UserDataFolder(const std::string& sub);

// $XDG_CACHE_HOME/tarvelin/ (default ~/.cache); created on demand.
std::optional<std::string> AppCacheFolder();

// $XDG_CONFIG_HOME/tarvelin/ (default ~/.config); created on demand.
std::optional<std::string> UserConfigFolder();

// Joins folder and name; a trailing '/' or '\' on the folder counts as a separator.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace tarvelin
