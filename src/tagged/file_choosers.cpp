#include "tagged/file_choosers.h"

#include "core/string_table.h"
#include "host/application/application.h"

namespace tarvelin {

namespace {

FileChooser* HostChooser() {
  Application* app = Application::Current();
  return app ? app->Services().chooser : nullptr;
}

}  // namespace

void SDKFolderChooser::SetTitle(std::u16string_view title) {
  title_ = Translate(title);
}

void SDKFolderChooser::ShowDialog() {
  chosen_ = false;
  FileChooser* chooser = HostChooser();
  if (!chooser) return;
  if (auto folder = chooser->ChooseFolder(title_, start_)) Choose(std::move(*folder));
}

void SDKFileOpenChooser::SetTitle(std::u16string_view title) {
  title_ = Translate(title);
}

void SDKFileOpenChooser::AddFilter(uint32_t fileType, std::string extension,
                                   std::u16string_view description) {
  filters_.push_back({fileType, std::move(extension), Translate(description)});
}

void SDKFileOpenChooser::AddFilterFromRegistry(uint32_t fileTypeID,
                                               std::u16string_view description) {
  // The host registers one family, its documents.
  AddFilter(fileTypeID, fileTypeID == kPubFileFamilyType ? "tvd" : kAnyExtension, description);
}

std::vector<FileFilter> SDKFileOpenChooser::DialogFilters() const {
  std::vector<Filter> filters = filters_;
  bool addAll = add_all_;
  if (filters.size() == 1 && !addAll) return {{filters[0].description, filters[0].extension}};
  if (filters.empty() && !addAll) {
    filters.push_back({kPubFileFamilyType, "tvd", Translate(u"PubFileFamily")});
    addAll = true;
  }
  std::vector<FileFilter> out;
  for (const Filter& f : filters) out.push_back({f.description, f.extension});
  if (addAll) out.push_back({Translate(u"All Documents"), kAnyExtension});
  return out;
}

void SDKFileOpenChooser::ShowDialog() {
  chosen_ = false;
  FileChooser* chooser = HostChooser();
  if (!chooser) return;
  if (auto file = chooser->ChooseFileToOpen(title_, DialogFilters())) Choose(std::move(*file));
}

}  // namespace tarvelin
