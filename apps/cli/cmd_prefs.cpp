// tarvelin prefs: the stored preferences (the image folders) of the session workspace.
// Every change goes through the preference command and is saved to the workspace file
// at once; a workspace file that exists but cannot be read is reported and left alone.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli_app.h"
#include "cli_host.h"
#include "core/utf16.h"
#include "host/application/host_registry.h"
#include "host/application/session_workspace.h"
#include "host/objects/class_registry.h"
#include "preferences/preference_data.h"
#include "preferences/preference_types.h"

namespace tarvelin::cli {
namespace {

namespace fs = std::filesystem;

std::string KnownKeys(const KCommonPreferenceTypesList& types) {
  std::string out;
  for (const auto& k : types.GetKeys()) out += (out.empty() ? "" : ", ") + ToUtf8(k);
  return out;
}

int Prefs(const Args& parsed) {
  const std::vector<std::string>& args = parsed.Positional();
  const std::string verb = args.empty() ? "list" : args[0];
  const size_t want = verb == "list"                     ? 1
                      : verb == "get" || verb == "unset" ? 2
                      : verb == "set"                    ? 3
                                                         : 0;
  if (want == 0) return UsageError("unknown prefs action '" + verb + "' (list, get, set or unset)");
  if (!args.empty() && args.size() != want)
    return UsageError("usage: tarvelin prefs [list | get KEY | set KEY VALUE | unset KEY]");

  KCommonPreferenceTypesList& types = PreferenceTypes();
  if (types.Count() == 0) PreferencesStartUp(&types);
  std::u16string key;
  if (want >= 2) {
    key = FromUtf8(args[1]);
    if (!types.Contains(key))
      return UsageError("unknown preference '" + args[1] + "' (known: " + KnownKeys(types) + ")");
    key = StoredPreferenceKey(key);
  }
  if (verb == "set" && args[2].empty())
    return UsageError("an empty value stores nothing; use 'tarvelin prefs unset " + args[1] + "'");

  auto file = SessionWorkspace::DefaultFile();
  if (!file)
    return UsageError("cannot find a folder for the workspace file (set TARVELIN_WORKSPACE)");
  std::shared_ptr<ClassRegistry> registry = CreateHostRegistry();
  if (!registry || RegisterPreferenceClasses(*registry) != kSuccess)
    return UsageError("cannot register the preference classes");
  FileResult opened;
  auto workspace = SessionWorkspace::Open(registry, *file, opened);
  if (!workspace)
    return UsageError("cannot read the workspace " + file->string() + ": " + opened.message);
  auto data = QueryPreferenceData(workspace.get());
  if (!data) return UsageError("the workspace " + file->string() + " holds no preferences");

  if (verb == "list") {
    for (const auto& k : types.GetKeys()) {
      auto value = data->Get(k);
      std::printf("%s\t%s\n", ToUtf8(k).c_str(), value ? ToUtf8(*value).c_str() : "");
    }
    // Values stored by another version under keys this one does not register.
    const KDictionary& dict = data->GetDictionary();
    for (size_t i = 0; i < dict.Keys().size() && i < dict.Values().size(); ++i)
      if (!types.Contains(dict.Keys()[i]))
        std::printf("%s\t%s\n", ToUtf8(dict.Keys()[i]).c_str(), ToUtf8(dict.Values()[i]).c_str());
    return kDone;
  }
  if (verb == "get") {
    auto value = data->Get(key);
    if (!value) {
      std::fprintf(stderr, "tarvelin: %s is not set\n", ToUtf8(key).c_str());
      return kDoneWithWarnings;
    }
    std::printf("%s\n", ToUtf8(*value).c_str());
    return kDone;
  }

  std::optional<std::u16string> value;
  if (verb == "set") value = FromUtf8(args[2]);
  if (ErrorCode r = ChangePreferences(*workspace, {{key, value}}); r != kSuccess)
    return UsageError("the preference command failed (" + std::string(ErrorCodeName(r)) + ")");
  FileResult saved = workspace->Save();
  if (!saved.Ok())
    return UsageError("cannot save the workspace " + file->string() + ": " + saved.message);
  if (value) {
    std::error_code ec;
    if (!fs::is_directory(fs::path(args[2]), ec)) {
      std::fprintf(stderr, "tarvelin: warning: %s is not a folder; it is stored all the same\n",
                   args[2].c_str());
      return kDoneWithWarnings;
    }
  }
  return kDone;
}

const CommandRegistration kRegistration({
    .name = "prefs",
    .summary = "show or change the stored preferences (the image folders)",
    .description = "prefs [list], prefs get KEY, prefs set KEY VALUE, prefs unset KEY. The keys "
                   "are image_folder1: to image_folder4:; list prints KEY<tab>VALUE, the value "
                   "empty when unset. The workspace file is $TARVELIN_WORKSPACE if set, else the "
                   "per-user workspace.tvw.",
    .arguments = {{"ACTION", "list (the default), get, set or unset", true},
                  {"KEY", "a preference's key", true},
                  {"VALUE", "the value to store (set)", true}},
    .run = Prefs,
});

}  // namespace
}  // namespace tarvelin::cli
