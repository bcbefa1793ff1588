#include "preferences/preference_types.h"

#include <algorithm>

#include "core/diagnostics.h"
#include "core/string_table.h"
#include "host/application/active_context.h"
#include "host/application/application.h"
#include "host/application/session_workspace.h"
#include "host/objects/database.h"
#include "preferences/preference_data.h"

namespace tarvelin {

void KCommonPreferenceTypesList::AddPreference(
    std::u16string_view key, std::string_view labelKey, std::u16string_view group, int32_t type,
    const std::optional<std::vector<std::u16string>>& optionLabels,
    const std::optional<std::vector<std::u16string>>& optionValues) {
  keys_.push_back(StoredPreferenceKey(key));
  labels_.push_back(Translate(labelKey));
  groups_.emplace_back(group);
  types_.push_back(type);
  if (optionLabels && optionValues) {
    option_labels_.push_back(*optionLabels);
    option_values_.push_back(*optionValues);
  } else {
    option_labels_.emplace_back();
    option_values_.emplace_back();
  }
}

std::vector<std::u16string> KCommonPreferenceTypesList::GetOptionLabels(
    std::u16string_view key) const {
  auto it = std::find(keys_.begin(), keys_.end(), key);
  return it == keys_.end() ? std::vector<std::u16string>{} : option_labels_[it - keys_.begin()];
}

std::vector<std::u16string> KCommonPreferenceTypesList::GetOptionValues(
    std::u16string_view key) const {
  auto it = std::find(keys_.begin(), keys_.end(), key);
  return it == keys_.end() ? std::vector<std::u16string>{} : option_values_[it - keys_.begin()];
}

bool KCommonPreferenceTypesList::Contains(std::u16string_view key) const {
  return std::find(keys_.begin(), keys_.end(), StoredPreferenceKey(key)) != keys_.end();
}

std::optional<std::u16string> KCommonPreferenceTypesList::GetPreference(
    std::u16string_view key, const SessionWorkspace* workspace) const {
  auto data = workspace ? QueryInterface<ICommonPreferenceData>(workspace->Root()) : nullptr;
  if (!data) {
    diag::Write("KCommonPreferenceTypesList::GetPreference: GetPrefrenceData returned nil!\n");
    return std::nullopt;
  }
  return data->Get(key);
}

std::optional<std::u16string> KCommonPreferenceTypesList::GetPreference(
    std::u16string_view key) const {
  return GetPreference(key, SessionWorkspaceOrNull());
}

KCommonPreferenceTypesList& PreferenceTypes() {
  static KCommonPreferenceTypesList list;
  return list;
}

void PreferencesStartUp(KCommonPreferenceTypesList* registry) {
  diag::Write("starting up 1\n");
  if (!registry) return;
  static constexpr const char* kLabelKeys[4] = {
      "0x113380kZevStringGraphicsFolder1Key", "0x113380kZevStringGraphicsFolder2Key",
      "0x113380kZevStringGraphicsFolder3Key", "0x113380kZevStringGraphicsFolder4Key"};
  // The registry lives as long as the module, a host may start more than once in that
  // time: a folder registered by an earlier start is not listed twice.
  for (size_t i = 0; i < 4; ++i) {
    if (registry->Contains(kImageFolderKeys[i])) continue;
    registry->AddPreference(kImageFolderKeys[i], kLabelKeys[i], u"", kPreferenceTypeFolder);
  }
}

}  // namespace tarvelin
