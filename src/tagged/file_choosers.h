// The file-open and folder choosers the import action and the preferences page use: thin
// wrappers over the host's chooser service that keep the chosen file and whether the user
// chose anything. A cancelled dialog, or a host without a chooser, leaves them as they
// were before the dialog.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "host/application/ui_services.h"

namespace tarvelin {

class SDKFileHelper {
 public:
  bool IsChosen() const { return chosen_; }
  const std::filesystem::path& GetFile() const { return file_; }
  std::u16string GetPath() const { return file_.u16string(); }

 protected:
  void Choose(std::filesystem::path file) {
    file_ = std::move(file);
    chosen_ = true;
  }
  bool chosen_ = false;

 private:
  std::filesystem::path file_;
};

class SDKFolderChooser : public SDKFileHelper {
 public:
  SDKFolderChooser() { SetTitle(u"Choose a Folder"); }
  void SetTitle(std::u16string_view title);
  // The folder the dialog opens in (the value being changed); empty: the host's choice.
  void SetStartFolder(std::filesystem::path folder) { start_ = std::move(folder); }
  void ShowDialog();

 private:
  std::u16string title_;
  std::filesystem::path start_;
};

// The host's file-type ID of its publication files, offered when no filter was added.
inline constexpr uint32_t kPubFileFamilyType = 257;

class SDKFileOpenChooser : public SDKFileHelper {
 public:
  struct Filter {
    uint32_t fileType = 0;  // a four-letter type or a host file-type ID
    std::string extension;
    std::u16string description;  // translated when the filter is made
  };

  SDKFileOpenChooser() { SetTitle(u"Open a File"); }
  void SetTitle(std::u16string_view title);
  void AddFilter(uint32_t fileType, std::string extension, std::u16string_view description);
  // From the host's file-type registry: the publication family is the host's documents.
  void AddFilterFromRegistry(uint32_t fileTypeID, std::u16string_view description);
  void AddAllFiles() { add_all_ = true; }
  // The type list the dialog gets: one filter alone as it is; else every filter in order
  // (the publication family when there is none) and "All Documents".
  std::vector<FileFilter> DialogFilters() const;
  void ShowDialog();

 private:
  std::u16string title_;
  std::vector<Filter> filters_;
  bool add_all_ = false;
};

}  // namespace tarvelin
