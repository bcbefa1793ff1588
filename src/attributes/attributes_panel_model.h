// The attributes panel without its widgets: what the panel shows for the current
// selection and which of its buttons work. A front end draws the model and calls
// Refresh when the selection changes or when a change notice concerns the selection.
//
// Refresh rules:
//   rows            the names listed under kListOfAttributesKey, split at single blanks,
//                   each with the first distinct value the selected items store under
//                   it; names without a value are left out. When the selected items do
//                   not all list the same names, no rows.
//   missing image   shown when every selected "imageType" value is "true" and every
//                   "imageLoaded" value is "false" (both present). With no selection or
//                   no item carrying attributes, it keeps its previous state.
//   buttons         import-and-process and process are enabled while a document is
//                   open; show-log is always enabled; reconnect is shown with the
//                   missing-image text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvelin {

class ActiveContext;
class IAdvertisementAttributesSuite;

class AttributesPanelModel {
 public:
  enum class Button { kReconnect, kShowLog, kProcess, kImportAndProcess };

  // Widget IDs of the panel (the plug-in's prefix plus an offset).
  static constexpr uint32_t kAttributeListWidget = 0x113380 + 9;
  static constexpr uint32_t kMissingImageTextWidget = 0x113380 + 24;
  static constexpr uint32_t kReconnectButtonWidget = 0x113380 + 2;
  static constexpr uint32_t kShowLogButtonWidget = 0x113380 + 27;
  static constexpr uint32_t kProcessButtonWidget = 0x113380 + 53;
  static constexpr uint32_t kImportAndProcessButtonWidget = 0x113380 + 25;
  // The string-table key of the missing-image text.
  static constexpr const char* kMissingImageTextKey = "0x113380kZevStringMissingGraphicsFileKey";

  // Rebuilds the model from the suite of the current selection (null when there is
  // none); `documentOpen` says whether a document with a selection is open.
  void Refresh(const IAdvertisementAttributesSuite* suite, bool documentOpen);
  // The same for the front document of a context.
  void Refresh(const ActiveContext& context);

  const std::vector<std::u16string>& Names() const { return names_; }
  const std::vector<std::u16string>& Values() const { return values_; }
  size_t RowCount() const { return names_.size(); }
  // The texts of one row; false (outputs untouched) when the row does not exist.
  bool Row(size_t index, std::u16string* name, std::u16string* value) const;

  // The reconnect button and the missing-image text are shown together.
  bool ImageMissingShown() const { return image_missing_; }
  bool IsEnabled(Button button) const;
  bool IsVisible(Button button) const;
  // The action a button performs (the plug-in's action IDs).
  static uint32_t ActionFor(Button button);

 private:
  std::vector<std::u16string> names_;
  std::vector<std::u16string> values_;
  bool image_missing_ = false;  // hidden when the panel is made
  bool document_actions_ = false;
};

}  // namespace tarvelin
