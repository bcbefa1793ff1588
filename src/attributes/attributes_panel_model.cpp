#include "attributes/attributes_panel_model.h"

#include <algorithm>
#include <string_view>

#include "attributes/advertisement_attributes.h"
#include "attributes/advertisement_suite.h"
#include "host/application/active_context.h"

namespace tarvelin {

namespace {

bool AllEqual(const std::vector<std::u16string>& values, std::u16string_view want) {
  return !values.empty() &&
         std::all_of(values.begin(), values.end(), [&](const auto& v) { return v == want; });
}

}  // namespace

void AttributesPanelModel::Refresh(const IAdvertisementAttributesSuite* suite, bool documentOpen) {
  names_.clear();
  values_.clear();
  if (suite && suite->HasAttributes()) {
    std::vector<std::u16string> imageType, imageLoaded, lists;
    suite->GetAttributeValues(kImageTypeKey, imageType);
    suite->GetAttributeValues(kImageLoadedKey, imageLoaded);
    suite->GetAttributeValues(kListOfAttributesKey, lists);
    // The values come back distinct, so more than one list means the items disagree.
    if (lists.size() == 1) {
      std::u16string_view list = lists.front();
      size_t pos = 0;
      while (pos <= list.size()) {
        size_t blank = std::min(list.find(u' ', pos), list.size());
        std::u16string_view name = list.substr(pos, blank - pos);
        pos = blank + 1;
        if (name.empty()) continue;
        std::vector<std::u16string> values;
        suite->GetAttributeValues(name, values);
        if (values.empty()) continue;
        names_.emplace_back(name);
        values_.push_back(std::move(values.front()));
      }
    }
    image_missing_ = AllEqual(imageType, u"true") && AllEqual(imageLoaded, u"false");
  }
  document_actions_ = documentOpen;
}

void AttributesPanelModel::Refresh(const ActiveContext& context) {
  auto suite = QueryAdvertisementSuite(context);
  Refresh(suite.get(), suite != nullptr);
}

bool AttributesPanelModel::Row(size_t index, std::u16string* name, std::u16string* value) const {
  if (index >= names_.size() || index >= values_.size()) return false;
  if (name) *name = names_[index];
  if (value) *value = values_[index];
  return true;
}

bool AttributesPanelModel::IsEnabled(Button button) const {
  switch (button) {
    case Button::kImportAndProcess:
    case Button::kProcess:
      return document_actions_;
    case Button::kShowLog:
      return true;
    case Button::kReconnect:
      return image_missing_;
  }
  return false;
}

bool AttributesPanelModel::IsVisible(Button button) const {
  return button == Button::kReconnect ? image_missing_ : true;
}

uint32_t AttributesPanelModel::ActionFor(Button button) {
  switch (button) {
    case Button::kReconnect:
      return 0x113380 + 7;
    case Button::kImportAndProcess:
      return 0x113380 + 6;
    case Button::kShowLog:
      return 0x113380 + 8;
    case Button::kProcess:
      return 0x113380 + 5;
  }
  return 0;
}

}  // namespace tarvelin
