// IDML export as the command line runs it, shared by `export-idml` and `paginate --idml`:
// the advertisement attributes become each frame's label, what the document lacks is
// listed on stderr, and the written file on stdout.
#pragma once

#include <filesystem>

namespace tarvelin {
class Document;
}

namespace tarvelin::cli {

// kDone, kDoneWithWarnings when something was missing, kUsage when the file could not be
// written (nothing is left on disk then).
// `shown`: the name the "idml:" line gives (the target unless the caller moves it later).
int WriteIdml(const Document& doc, const std::filesystem::path& target,
              const std::filesystem::path& shown = {});

}  // namespace tarvelin::cli
