// The registry of preferences: which exist, with their stored key, label, group, type
// and, for choices, the option lists. Filled at start-up, never shrinks; one per process
// (PreferenceTypes()), though tests may make their own.
//
// Types: 4 is a choice (the option labels are shown, the option value at the same index
// is stored); 1 to 3 and 5 are edited as text; the image folders use 5.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvelin {

class SessionWorkspace;

inline constexpr int32_t kPreferenceTypeChoice = 4;
inline constexpr int32_t kPreferenceTypeFolder = 5;

class KCommonPreferenceTypesList {
 public:
  // Appends one preference. The key gets a trailing ':' when it lacks one; the label is
  // the translation of `labelKey`. When either option list is absent both stay empty.
  void AddPreference(std::u16string_view key, std::string_view labelKey, std::u16string_view group,
                     int32_t type,
                     const std::optional<std::vector<std::u16string>>& optionLabels = std::nullopt,
                     const std::optional<std::vector<std::u16string>>& optionValues = std::nullopt);

  size_t Count() const { return keys_.size(); }
  std::vector<std::u16string> GetKeys() const { return keys_; }
  std::vector<std::u16string> GetLabels() const { return labels_; }
  std::vector<std::u16string> GetGroups() const { return groups_; }
  std::vector<int32_t> GetTypes() const { return types_; }
  // The options of the first preference whose stored key (with ':') equals `key`
  // exactly; empty when none does.
  std::vector<std::u16string> GetOptionLabels(std::u16string_view key) const;
  std::vector<std::u16string> GetOptionValues(std::u16string_view key) const;
  // True when a preference is registered under the key (in either form).
  bool Contains(std::u16string_view key) const;

  // The stored value from the workspace; nullopt when unset, or (with a diagnostic) when
  // the workspace has no preference data.
  std::optional<std::u16string> GetPreference(std::u16string_view key,
                                              const SessionWorkspace* workspace) const;
  // The same through the current context's workspace.
  std::optional<std::u16string> GetPreference(std::u16string_view key) const;

 private:
  std::vector<std::u16string> keys_;
  std::vector<std::u16string> labels_;
  std::vector<std::u16string> groups_;
  std::vector<int32_t> types_;
  std::vector<std::vector<std::u16string>> option_labels_;
  std::vector<std::vector<std::u16string>> option_values_;
};

// The process's registry.
KCommonPreferenceTypesList& PreferenceTypes();

// The keys of the four image folders, as registered (without ':'), in order.
inline constexpr std::u16string_view kImageFolderKeys[4] = {u"image_folder1", u"image_folder2",
                                                            u"image_folder3", u"image_folder4"};

// The start-up service's part: registers image folders 1 to 4, in that order, in
// `registry` (nothing when it is null); folders already registered are left as they are.
void PreferencesStartUp(KCommonPreferenceTypesList* registry);

}  // namespace tarvelin
