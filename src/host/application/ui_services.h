// The user-interaction services the engine calls on besides alerts (core/alert.h): file
// and folder choosers, progress and the plug-ins' modal dialogs. Interactive front ends
// implement them with dialogs; batch front ends with the paths and policies they were
// given. With no service set, a chooser answers "cancelled", progress is silent and a
// plug-in's dialog cannot be made.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/progress.h"

namespace tarvelin {

// One choice of a file-open dialog's type list. The extension "*" matches every file
// (the "All Documents" choice).
struct FileFilter {
  std::u16string description;  // "Frame (rmk)"
  std::string extension;       // "rmk", without the dot
};
inline constexpr const char* kAnyExtension = "*";

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The dialog offers exactly `filters`, in their order. nullopt when the user cancelled.
  virtual std::optional<std::filesystem::path> ChooseFileToOpen(
      const std::u16string& title, const std::vector<FileFilter>& filters) = 0;
  // `start`: the folder shown first; empty or missing: the front end's choice.
  virtual std::optional<std::filesystem::path> ChooseFolder(const std::u16string& title,
                                                            const std::filesystem::path& start) = 0;
};

// A plug-in's modal dialog as its view resource describes it: a title, check boxes by
// widget ID, OK and Cancel. The host builds the window; the plug-in's controller sees
// only the fields.
struct DialogCheckBox {
  uint32_t widgetID = 0;
  std::string labelKey;  // string-table key
};
struct DialogResource {
  uint32_t viewID = 0;
  std::string titleKey;
  std::vector<DialogCheckBox> checkBoxes;
};

// The state of a dialog's check boxes, by widget ID.
class DialogFields {
 public:
  bool Checked(uint32_t widgetID) const {
    for (const auto& [id, on] : checks_)
      if (id == widgetID) return on;
    return false;
  }
  void SetChecked(uint32_t widgetID, bool on) {
    for (auto& [id, value] : checks_)
      if (id == widgetID) {
        value = on;
        return;
      }
    checks_.emplace_back(widgetID, on);
  }

 private:
  std::vector<std::pair<uint32_t, bool>> checks_;
};

class DialogController {
 public:
  virtual ~DialogController() = default;
  // Before the window is shown; the fields start unchecked.
  virtual void InitializeDialogFields(DialogFields& fields) = 0;
  // OK was pressed.
  virtual void ApplyDialogFields(const DialogFields& fields) = 0;
};

enum class DialogOutcome { kConfirmed, kCancelled, kNotCreated };

class DialogService {
 public:
  virtual ~DialogService() = default;
  virtual DialogOutcome RunModal(const DialogResource& resource, DialogController& controller) = 0;
};

class ProgressFactory {
 public:
  virtual ~ProgressFactory() = default;
  // A task progress bar with `tasks` phases; the user may cancel it when `cancellable`.
  virtual std::unique_ptr<Progress> CreateTaskProgress(const std::u16string& title, int tasks,
                                                       bool cancellable) = 0;
};

}  // namespace tarvelin
