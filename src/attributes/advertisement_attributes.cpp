#include "attributes/advertisement_attributes.h"

#include <utility>
#include <vector>

#include "core/diagnostics.h"
#include "core/stream.h"
#include "host/documents/document_classes.h"
#include "host/objects/class_registry.h"
#include "host/objects/command_processor.h"
#include "host/objects/database.h"
#include "host/objects/object.h"

namespace tarvelin {

// ---------------------------------------------------------------- the record

void VELDAdvertisementAttributes::Set(std::u16string_view text) {
  PreDirty();
  text_.assign(text);
}

void VELDAdvertisementAttributes::SetAttribute(std::u16string_view key, std::u16string_view value) {
  PreDirty();
  dictionary_.Set(key, value);
}

const std::u16string* VELDAdvertisementAttributes::GetAttribute(std::u16string_view key) const {
  return dictionary_.Get(key);
}

void VELDAdvertisementAttributes::ReadWrite(Stream& s, ImplementationID) {
  uint16_t version = 1;
  // A record of another version is read the same way.
  if (!s.XferInt16(version)) return;
  if (!s.XferText(text_)) return;
  dictionary_.ReadWrite(s);
}

// ---------------------------------------------------------------- change notices

namespace {

struct ObserverList {
  std::vector<std::pair<AttrObserverId, AdvertisementAttrObserver>> entries;
  AttrObserverId next = 1;
};

ObserverList& Observers() {
  static ObserverList list;
  return list;
}

void NotifyObservers(const AdvertisementAttrChange& change) {
  // A copy: an observer may add or remove observers while it is told.
  auto entries = Observers().entries;
  for (const auto& [id, fn] : entries)
    if (fn) fn(change);
}

}  // namespace

AttrObserverId AddAdvertisementAttrObserver(AdvertisementAttrObserver observer) {
  ObserverList& list = Observers();
  AttrObserverId id = list.next++;
  list.entries.emplace_back(id, std::move(observer));
  return id;
}

void RemoveAdvertisementAttrObserver(AttrObserverId id) {
  auto& entries = Observers().entries;
  std::erase_if(entries, [id](const auto& e) { return e.first == id; });
}

// ---------------------------------------------------------------- the command

VELDAdvertisementAttrCommand::VELDAdvertisementAttrCommand() {
  diag::Write("VELDAdvertisementAttrCommand::Init\n");
}

VELDAdvertisementAttrCommand::~VELDAdvertisementAttrCommand() = default;

ErrorCode VELDAdvertisementAttrCommand::Do() {
  diag::Write("VELDPreferenceCommand::Do( ); \n");
  std::shared_ptr<IAdvertisementAttributes> data =
      Owner() ? Owner()->Query<IAdvertisementAttributes>() : nullptr;
  if (ItemList().empty() || ItemList().DataBase() == nullptr || !data) return kFailure;
  SetBPIData(*data);
  diag::Write("Everything is ok!\n");
  return kSuccess;
}

void VELDAdvertisementAttrCommand::SetBPIData(const IAdvertisementAttributes& data) {
  diag::Write("VELDPreferenceCommand::SetBPIData( ); \n");
  const UIDList& items = ItemList();
  for (size_t i = 0; i < items.size(); ++i) {
    if (auto record = QueryInterface<IAdvertisementAttributes>(items.GetRef(i)))
      record->Set(data.Get());
  }
}

void VELDAdvertisementAttrCommand::DoNotify() {
  diag::Write("VELDPreferenceCommand::DoNotify( ); \n");
  const UIDList& items = ItemList();
  // Observers hear about the first item that was changed, once.
  for (size_t i = 0; i < items.size(); ++i) {
    UIDRef ref = items.GetRef(i);
    if (!QueryInterface<IAdvertisementAttributes>(ref)) continue;
    AdvertisementAttrChange change;
    change.item = ref;
    change.changedBy = this;
    change.items = &items;
    NotifyObservers(change);
    return;
  }
}

std::u16string VELDAdvertisementAttrCommand::CreateName() const {
  diag::Write("VELDPreferenceCommand::CreateName( ); \n");
  return u"alamakota";
}

ErrorCode ProcessAdvertisementAttrCommand(const UIDList& items, std::u16string_view text) {
  Database* db = items.DataBase();
  if (items.empty() || db == nullptr) return kFailure;
  std::shared_ptr<Command> cmd = CreateCommand(db->Registry(), kAdvertisementAttrCommandClass);
  if (!cmd) return kFailure;
  auto data = cmd->Owner() ? cmd->Owner()->Query<IAdvertisementAttributes>() : nullptr;
  if (!data) return kFailure;
  data->Set(text);
  cmd->SetItemList(items);
  return db->Commands().ProcessCommand(cmd);
}

// ---------------------------------------------------------------- registration

ErrorCode RegisterAttributeClasses(ClassRegistry& registry) {
  ErrorCode r = registry.RegisterImplementation<VELDAdvertisementAttributes>(
      kAdvertisementAttributesImpl, "VELDAdvertisementAttributes");
  if (r != kSuccess) return r;
  r = registry.RegisterImplementation<VELDAdvertisementAttrCommand>(kAdvertisementAttrCommandImpl,
                                                                    "VELDAdvertisementAttrCommand");
  if (r != kSuccess) return r;
  r = registry.AddIn(kPageItemClass,
                     {{kIAdvertisementAttributesIID, kAdvertisementAttributesImpl}});
  if (r != kSuccess) return r;
  return registry.DefineClass(kAdvertisementAttrCommandClass, kInvalidClass,
                              {{Command::kIID, kAdvertisementAttrCommandImpl},
                               {kIAdvertisementAttributesIID, kAdvertisementAttributesImpl}},
                              "VELDAdvertisementAttrCommand");
}

}  // namespace tarvelin
