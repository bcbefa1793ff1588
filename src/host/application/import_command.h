// The host's own File > Import: a file in a format that one of the plug-ins' import
// providers reads becomes text of the front document, as one undo step. The text goes
// where the user points: it replaces a text selection (or goes in at the caret), or is
// added at the end of the story of the first selected text frame, so nothing the frame
// held is lost. With ImportUILevel::kFull a provider may show its options dialog; its
// Cancel leaves the document untouched.
#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

#include "host/application/import_provider.h"
#include "host/application/ui_services.h"
#include "host/objects/error_code.h"

namespace tarvelin {

class Application;

enum class ImportStatus {
  kImported,
  kCancelled,   // the chooser or the provider's options dialog
  kNoDocument,  // no front document
  kNoTarget,    // neither a text selection nor a text frame selected
  kUnreadable,  // the file cannot be opened
  kNoProvider,  // no provider recognises the file
  kFailed,      // the provider or the text move failed; `error` tells
};

struct ImportOutcome {
  ImportStatus status = ImportStatus::kFailed;
  std::filesystem::path file;
  ErrorCode error = kSuccess;
  size_t length = 0;  // UTF-16 code units the story gained
};

// The import dialog's type list: each format of the loaded providers (its name
// translated, its extensions) in load order, then "All Documents".
std::vector<FileFilter> ImportFileFilters(Application& app);

// Asks for the file through the host's file chooser, then imports it.
ImportOutcome RunImportCommand(Application& app, ImportUILevel ui);
ImportOutcome ImportFile(Application& app, const std::filesystem::path& file, ImportUILevel ui);

}  // namespace tarvelin
