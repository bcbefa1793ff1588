// The user-interaction services the engine calls on besides alerts (core/alert.h): file
// and folder choosers and progress. Interactive front ends implement them with dialogs;
// batch front ends with the paths and policies they were given. With no service set, a
// chooser answers "cancelled" and progress is silent.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/progress.h"

namespace tarvelin {

struct FileFilter {
  std::u16string description;  // "Frame (rmk)"
  std::string extension;       // "rmk", without the dot
};

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // nullopt when the user cancelled.
  virtual std::optional<std::filesystem::path> ChooseFileToOpen(
      const std::u16string& title, const std::vector<FileFilter>& filters) = 0;
  virtual std::optional<std::filesystem::path> ChooseFolder(const std::u16string& title,
                                                            const std::filesystem::path& start) = 0;
};

class ProgressFactory {
 public:
  virtual ~ProgressFactory() = default;
  // A task progress bar with `tasks` phases; the user may cancel it when `cancellable`.
  virtual std::unique_ptr<Progress> CreateTaskProgress(const std::u16string& title, int tasks,
                                                       bool cancellable) = 0;
};

}  // namespace tarvelin
