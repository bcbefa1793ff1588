#include "shell/about_box.h"

#include <algorithm>

namespace tarvelin {

namespace {

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

}  // namespace

std::string AboutBoxRevisionLine(const std::vector<std::string>& names, std::string_view revision) {
  const std::string product = Upper(plugin_ids::kPlugInName);
  auto match = std::find_if(names.begin(), names.end(), [&](const std::string& name) {
    return Upper(name).find(product) != std::string::npos;
  });
  if (match == names.end()) return plugin_ids::kPlugInName;
  std::string line = *match + " (revision: ";
  line += revision;
  if (line.back() < '0' || line.back() > '9') line.pop_back();
  line += ')';
  return line;
}

std::string AboutBoxRevisionLine(const std::vector<LoadedPlugIn>& loaded) {
  std::vector<std::string> names;
  names.reserve(loaded.size());
  for (const LoadedPlugIn& p : loaded)
    if (p.plugIn) names.push_back(p.plugIn->Name());
  return AboutBoxRevisionLine(names);
}

}  // namespace tarvelin
