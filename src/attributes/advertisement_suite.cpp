#include "attributes/advertisement_suite.h"

#include <algorithm>

#include "core/diagnostics.h"
#include "host/application/active_context.h"
#include "host/documents/document.h"
#include "host/documents/selection.h"
#include "host/objects/command_processor.h"
#include "host/objects/database.h"

namespace tarvelin {

namespace {

std::shared_ptr<IAdvertisementAttributes> RecordOf(const UIDList& items, size_t i) {
  return QueryInterface<IAdvertisementAttributes>(items.GetRef(i));
}

}  // namespace

// ---------------------------------------------------------------- helper

bool VELDAdvertisementHelper::AnyItemHasAttributes(const UIDList& items) const {
  for (size_t i = 0; i < items.size(); ++i)
    if (RecordOf(items, i)) return true;
  return false;
}

void VELDAdvertisementHelper::CollectAttributeValues(const UIDList& items, std::u16string_view key,
                                                     std::vector<std::u16string>& values) const {
  for (size_t i = 0; i < items.size(); ++i) {
    auto record = RecordOf(items, i);
    if (!record) continue;
    const std::u16string* value = record->GetAttribute(key);
    if (value && std::find(values.begin(), values.end(), *value) == values.end())
      values.push_back(*value);
  }
}

void VELDAdvertisementHelper::SetAttributeOnItems(const UIDList& items, std::u16string_view key,
                                                  std::u16string_view value) const {
  for (size_t i = 0; i < items.size(); ++i)
    if (auto record = RecordOf(items, i)) record->SetAttribute(key, value);
}

void VELDAdvertisementHelper::RemoveItemsWithoutAttributes(UIDList& items) const {
  UIDList kept(items.DataBase());
  for (size_t i = 0; i < items.size(); ++i)
    if (RecordOf(items, i)) kept.Append(items[i]);
  items = std::move(kept);
}

ErrorCode VELDAdvertisementHelper::ProcessAttrCommand(const UIDList& items,
                                                      std::u16string_view text) const {
  return ProcessAdvertisementAttrCommand(items, text);
}

// ---------------------------------------------------------------- concrete implementations

bool VELDAdvertisementCBS::CanSetText() const {
  UIDList items = GetItems();
  return !items.empty() && VELDAdvertisementHelper().AnyItemHasAttributes(items);
}

bool VELDAdvertisementCBS::HasAttributes() const {
  return CanSetText();
}

ErrorCode VELDAdvertisementCBS::SetText(std::u16string_view text) {
  UIDList items = GetItems();
  VELDAdvertisementHelper helper;
  helper.RemoveItemsWithoutAttributes(items);
  if (items.empty()) return kFailure;
  return helper.ProcessAttrCommand(items, text);
}

void VELDAdvertisementCBS::GetAttributeValues(std::u16string_view key,
                                              std::vector<std::u16string>& values) const {
  UIDList items = GetItems();
  if (!items.empty()) VELDAdvertisementHelper().CollectAttributeValues(items, key, values);
}

void VELDAdvertisementCBS::GetSelectedItems(UIDList* items) const {
  if (!items) return;
  UIDList own = GetItems();
  if (!own.empty()) *items = std::move(own);
}

void VELDAdvertisementCBS::SetAttribute(std::u16string_view key, std::u16string_view value) {
  UIDList items = GetItems();
  if (!items.empty()) VELDAdvertisementHelper().SetAttributeOnItems(items, key, value);
}

bool VELDAdvertisementCBS::GetTextSelection(int32_t* start, int32_t* end) const {
  if (!start || !end) {
    diag::Write("VELDAdvertisementCBS::GetTextSelection: param0 or param1 is NULL.\n");
    return false;
  }
  return false;  // no text target
}

bool VELDAdvertisementCBS::IsAnyItemSelected(const UIDList& items) const {
  UIDList own = GetItems();
  if (items.DataBase() == nullptr || items.DataBase() != own.DataBase()) return false;
  for (UID uid : items)
    if (own.Contains(uid)) return true;
  return false;
}

bool VELDAdvertisementCBS::SelectionAttributeChanged(const AdvertisementAttrChange& change) const {
  if (change.protocol != kIAdvertisementAttributesIID || change.changedBy == nullptr) return false;
  if (change.items) return IsAnyItemSelected(*change.items);
  return IsAnyItemSelected(UIDList(change.item));
}

UIDList VELDAdvertisementSuitLayoutCSB::GetItems() const {
  if (!selection_ || selection_->Text())
    return UIDList(selection_ ? selection_->DataBase() : nullptr);
  return selection_->LayoutItems();
}

UIDList VELDAdvertisementSuitTextCSB::GetItems() const {
  if (!selection_ || !selection_->Text())
    return UIDList(selection_ ? selection_->DataBase() : nullptr);
  return selection_->SelectedItems(spans_);
}

bool VELDAdvertisementSuitTextCSB::GetTextSelection(int32_t* start, int32_t* end) const {
  if (!start || !end) return VELDAdvertisementCBS::GetTextSelection(start, end);
  if (!selection_ || !selection_->Text()) return false;
  const StoryRange& range = *selection_->Text();
  *start = range.start;
  *end = range.end;
  return range.start >= 0;
}

// ---------------------------------------------------------------- selection-wide implementation

bool VELDAdvertisementSuitAbstractCSB::CanSetText() const {
  for (auto it = concrete_.rbegin(); it != concrete_.rend(); ++it)
    if ((*it)->CanSetText()) return true;
  return false;
}

bool VELDAdvertisementSuitAbstractCSB::HasAttributes() const {
  for (auto it = concrete_.rbegin(); it != concrete_.rend(); ++it)
    if ((*it)->HasAttributes()) return true;
  return false;
}

ErrorCode VELDAdvertisementSuitAbstractCSB::SetText(std::u16string_view text) {
  ErrorCode result = kSuccess;
  SequenceId sequence;
  if (db_) sequence = db_->Commands().BeginCommandSequence(u"");
  for (auto it = concrete_.rbegin(); it != concrete_.rend() && result == kSuccess; ++it)
    result = (*it)->SetText(text);
  // A failed command has already left the document as it was; the sequence only groups.
  if (sequence.IsValid()) db_->Commands().EndCommandSequence(sequence);
  return result;
}

void VELDAdvertisementSuitAbstractCSB::GetAttributeValues(
    std::u16string_view key, std::vector<std::u16string>& values) const {
  for (auto it = concrete_.rbegin(); it != concrete_.rend(); ++it)
    (*it)->GetAttributeValues(key, values);
}

void VELDAdvertisementSuitAbstractCSB::GetSelectedItems(UIDList* items) const {
  for (auto it = concrete_.rbegin(); it != concrete_.rend(); ++it) (*it)->GetSelectedItems(items);
}

void VELDAdvertisementSuitAbstractCSB::SetAttribute(std::u16string_view key,
                                                    std::u16string_view value) {
  for (auto it = concrete_.rbegin(); it != concrete_.rend(); ++it) (*it)->SetAttribute(key, value);
}

bool VELDAdvertisementSuitAbstractCSB::GetTextSelection(int32_t* start, int32_t* end) const {
  for (auto it = concrete_.rbegin(); it != concrete_.rend(); ++it)
    if ((*it)->GetTextSelection(start, end)) return true;
  return false;
}

bool VELDAdvertisementSuitAbstractCSB::SelectionAttributeChanged(
    const AdvertisementAttrChange& change) const {
  return std::any_of(concrete_.begin(), concrete_.end(),
                     [&](const auto& c) { return c->SelectionAttributeChanged(change); });
}

std::shared_ptr<VELDAdvertisementSuitAbstractCSB> QueryAdvertisementSuite(Document* doc) {
  if (!doc) return nullptr;
  const Selection* selection = &doc->GetSelection();
  std::vector<std::shared_ptr<VELDAdvertisementCBS>> concrete;
  if (selection->Text())
    concrete.push_back(
        std::make_shared<VELDAdvertisementSuitTextCSB>(selection, doc->GetColumnSpans()));
  else
    concrete.push_back(std::make_shared<VELDAdvertisementSuitLayoutCSB>(selection));
  return std::make_shared<VELDAdvertisementSuitAbstractCSB>(&doc->DataBase(), std::move(concrete));
}

std::shared_ptr<VELDAdvertisementSuitAbstractCSB> QueryAdvertisementSuite(
    const ActiveContext& context) {
  return QueryAdvertisementSuite(context.FrontDocument());
}

}  // namespace tarvelin
