#include "preferences/preference_data.h"

#include <algorithm>
#include <utility>

#include "core/diagnostics.h"
#include "core/stream.h"
#include "host/application/session_workspace.h"
#include "host/documents/document_classes.h"
#include "host/objects/class_registry.h"
#include "host/objects/command_processor.h"
#include "host/objects/database.h"
#include "host/objects/object.h"

namespace tarvelin {

std::u16string StoredPreferenceKey(std::u16string_view key) {
  std::u16string stored(key);
  if (stored.empty() || stored.back() != u':') stored.push_back(u':');
  return stored;
}

// ---------------------------------------------------------------- the data

void KCommonPreferenceDataImpl::Set(std::u16string_view key, std::u16string_view value) {
  PreDirty();
  dictionary_.Set(StoredPreferenceKey(key), value);
}

std::optional<std::u16string> KCommonPreferenceDataImpl::Get(std::u16string_view key) const {
  if (const std::u16string* v = dictionary_.Get(key)) return *v;
  // The second look-up appends a ':' whatever the key ends with, so a key stored with a
  // doubled colon ("a::") is still found by its single-colon form.
  std::u16string appended(key);
  appended.push_back(u':');
  if (const std::u16string* v = dictionary_.Get(appended)) return *v;
  return std::nullopt;
}

void KCommonPreferenceDataImpl::CopyFrom(const ICommonPreferenceData& other) {
  if (&other == this) return;
  PreDirty();
  dictionary_ = other.GetDictionary();
}

void KCommonPreferenceDataImpl::ReadWrite(Stream& s, ImplementationID) {
  uint16_t version = 1;
  // A record of another version is read the same way.
  if (!s.XferInt16(version)) return;
  dictionary_.ReadWrite(s);
}

// ---------------------------------------------------------------- change notices

namespace {

struct ObserverList {
  std::vector<std::pair<PreferenceObserverId, PreferenceObserver>> entries;
  PreferenceObserverId next = 1;
};

ObserverList& Observers() {
  static ObserverList list;
  return list;
}

}  // namespace

PreferenceObserverId AddPreferenceObserver(PreferenceObserver observer) {
  ObserverList& list = Observers();
  PreferenceObserverId id = list.next++;
  list.entries.emplace_back(id, std::move(observer));
  return id;
}

void RemovePreferenceObserver(PreferenceObserverId id) {
  std::erase_if(Observers().entries, [id](const auto& e) { return e.first == id; });
}

// ---------------------------------------------------------------- the command

ErrorCode KCommonPreferenceCommandImpl::Do() {
  std::shared_ptr<ICommonPreferenceData> data =
      Owner() ? Owner()->Query<ICommonPreferenceData>() : nullptr;
  const UIDList& items = ItemList();
  if (items.empty() || items.DataBase() == nullptr || !data) return kFailure;
  for (size_t i = 0; i < items.size(); ++i)
    if (auto target = QueryInterface<ICommonPreferenceData>(items.GetRef(i)))
      target->CopyFrom(*data);
  return kSuccess;
}

void KCommonPreferenceCommandImpl::DoNotify() {
  const UIDList& items = ItemList();
  if (items.empty()) return;
  PreferenceDataChange change;
  change.item = items.GetRef(0);
  change.changedBy = this;
  // A copy: an observer may add or remove observers while it is told.
  auto entries = Observers().entries;
  for (const auto& [id, fn] : entries)
    if (fn) fn(change);
}

// ---------------------------------------------------------------- changing preferences

std::shared_ptr<ICommonPreferenceData> QueryPreferenceData(const SessionWorkspace* workspace) {
  if (!workspace) {
    diag::Printf("VELDPreferenceDialogObserver::ButtonClicked exception => %s == nil!\n",
                 "InterfacePtr<IWorkspace> iworkspace( app, UseDefaultIID( ) )");
    return nullptr;
  }
  auto data = QueryInterface<ICommonPreferenceData>(workspace->Root());
  if (!data)
    diag::Printf("VELDPreferenceDialogObserver::ButtonClicked exception => %s == nil!\n",
                 "InterfacePtr<IPreferenceData> preference( workspace, UseDefaultIID( ) )");
  return data;
}

ErrorCode ChangePreferences(SessionWorkspace& workspace, const std::vector<PreferenceEdit>& edits) {
  auto current = QueryPreferenceData(&workspace);
  if (!current) return kFailure;
  Database& db = workspace.DataBase();
  std::shared_ptr<Command> cmd = CreateCommand(db.Registry(), kCommonPreferenceCommandClass);
  auto data = cmd && cmd->Owner() ? cmd->Owner()->Query<ICommonPreferenceData>() : nullptr;
  if (!data) return kFailure;
  cmd->SetItemList(UIDList(workspace.Root()));

  // The command replaces the whole dictionary: carry every value over that the edits do
  // not remove, then apply the new ones.
  auto removed = [&](const std::u16string& key) {
    return std::any_of(edits.begin(), edits.end(), [&](const PreferenceEdit& e) {
      return !e.value && StoredPreferenceKey(e.key) == key;
    });
  };
  const KDictionary& dict = current->GetDictionary();
  for (size_t i = 0; i < dict.Keys().size() && i < dict.Values().size(); ++i)
    if (!removed(dict.Keys()[i])) data->Set(dict.Keys()[i], dict.Values()[i]);
  for (const PreferenceEdit& e : edits)
    if (e.value) data->Set(e.key, *e.value);
  return db.Commands().ProcessCommand(cmd);
}

// ---------------------------------------------------------------- registration

ErrorCode RegisterPreferenceClasses(ClassRegistry& registry) {
  ErrorCode r = registry.RegisterImplementation<KCommonPreferenceDataImpl>(
      kCommonPreferenceDataImpl, "KCommonPreferenceDataImpl");
  if (r != kSuccess) return r;
  r = registry.RegisterImplementation<KCommonPreferenceCommandImpl>(kCommonPreferenceCommandImpl,
                                                                    "KCommonPreferenceCommandImpl");
  if (r != kSuccess) return r;
  r = registry.AddIn(kSessionWorkspaceClass,
                     {{kICommonPreferenceDataIID, kCommonPreferenceDataImpl}});
  if (r != kSuccess) return r;
  return registry.DefineClass(kCommonPreferenceCommandClass, kInvalidClass,
                              {{Command::kIID, kCommonPreferenceCommandImpl},
                               {kICommonPreferenceDataIID, kCommonPreferenceDataImpl}},
                              "KCommonPreferenceCommand");
}

}  // namespace tarvelin
