// Stored preferences: a dictionary from key to value text that lives on the session
// workspace (added to the host's workspace class) and is saved and loaded with it, and
// the command through which every change is made.
//
// Keys are stored with a trailing ':' ("image_folder1:"); Set adds it when missing and
// Get finds a value under either form. A preference that was never set is absent.
//
// Persistent record (KCommonPreferenceDataImpl, kCommonPreferenceDataImpl):
//
//   field        type                                 note
//   -----------  -----------------------------------  -------------------------------------
//   version      uint16                               written as 1; not examined on reading
//   dictionary   int32 n, then n times key, value     each a text (uint32 unit count, then
//                                                     UTF-16 units); a repeated key keeps
//                                                     the last value, in the last place
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/k_dictionary.h"
#include "host/objects/command.h"
#include "host/objects/error_code.h"
#include "host/objects/ids.h"
#include "host/objects/interface.h"
#include "host/objects/uid.h"

namespace tarvelin {

class ClassRegistry;
class SessionWorkspace;

// ---- identifiers (the plug-in's prefix 0x113380 plus an offset)
inline constexpr uint32_t kPreferencesIdPrefix = 0x113380;

inline constexpr InterfaceID kICommonPreferenceDataIID{kPreferencesIdPrefix + 2};
inline constexpr InterfaceID kICommonPrefeernceModelIID{kPreferencesIdPrefix + 3};
inline constexpr ClassID kCommonPreferenceCommandClass{kPreferencesIdPrefix + 5};
inline constexpr ImplementationID kCommonPreferenceDataImpl{kPreferencesIdPrefix + 14};
inline constexpr ImplementationID kCommonPreferenceCommandImpl{kPreferencesIdPrefix + 15};
// The change the preference command announces.
inline constexpr uint32_t kPreferenceDataChangeID = kPreferencesIdPrefix + 9;

// The stored form of a key: with a trailing ':'.
std::u16string StoredPreferenceKey(std::u16string_view key);

class ICommonPreferenceData : public virtual Interface {
 public:
  static constexpr InterfaceID kIID = kICommonPreferenceDataIID;

  // Stores the value under the key's stored form (announcing the change first).
  virtual void Set(std::u16string_view key, std::u16string_view value) = 0;
  // The value under the key as given, else under the key with ':' appended; nullopt when
  // absent.
  virtual std::optional<std::u16string> Get(std::u16string_view key) const = 0;
  // Replaces the whole dictionary by a copy of the other's.
  virtual void CopyFrom(const ICommonPreferenceData& other) = 0;
  virtual const KDictionary& GetDictionary() const = 0;
};

class KCommonPreferenceDataImpl final : public ICommonPreferenceData, public PersistentImpl {
 public:
  void Set(std::u16string_view key, std::u16string_view value) override;
  std::optional<std::u16string> Get(std::u16string_view key) const override;
  void CopyFrom(const ICommonPreferenceData& other) override;
  const KDictionary& GetDictionary() const override { return dictionary_; }
  void ReadWrite(Stream& s, ImplementationID id) override;

 private:
  KDictionary dictionary_;
};

// ---- change notices
struct PreferenceDataChange {
  uint32_t changeId = kPreferenceDataChangeID;
  InterfaceID protocol = kICommonPreferenceDataIID;
  UIDRef item;                         // the first item of the command (the workspace)
  const Command* changedBy = nullptr;  // valid only during the call
};
using PreferenceObserver = std::function<void(const PreferenceDataChange&)>;
using PreferenceObserverId = uint64_t;

PreferenceObserverId AddPreferenceObserver(PreferenceObserver observer);
void RemovePreferenceObserver(PreferenceObserverId id);

// Copies the command's data into every item of its list that has preference data (the
// whole dictionary is replaced, so the data must hold every value to keep).
class KCommonPreferenceCommandImpl final : public Command {
 public:
  KCommonPreferenceCommandImpl() : Command(u"alamakota") {}
  // kFailure when the item list is empty or the command has no data of its own.
  ErrorCode Do() override;
  void DoNotify() override;
};

// The workspace's stored preferences; null, with a diagnostic naming the missing step,
// when there is no workspace or it lacks the data.
std::shared_ptr<ICommonPreferenceData> QueryPreferenceData(const SessionWorkspace* workspace);

// One change: a value to store, or nullopt to remove the key.
struct PreferenceEdit {
  std::u16string key;
  std::optional<std::u16string> value;
};

// Applies the edits to the workspace's stored preferences through the preference command
// (one undo step), keeping every other value. kFailure when the workspace has no data.
ErrorCode ChangePreferences(SessionWorkspace& workspace, const std::vector<PreferenceEdit>& edits);

// Registers the data, the command and its class, and adds the data to the session
// workspace class. Call once, before the workspace is made or opened.
ErrorCode RegisterPreferenceClasses(ClassRegistry& registry);

}  // namespace tarvelin
