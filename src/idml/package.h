// The IDML container: a zip whose first entry is `mimetype`, stored uncompressed, then
// the XML parts deflated in the order they were added. Entries carry a fixed time stamp
// so that the same parts give the same bytes.
//
// The archive is made in memory, then written to a temporary file beside the target and
// renamed over it only when complete: a failed write leaves neither a partial package nor a damaged
// old file.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tarvelin::idml {

inline constexpr const char* kMimeType = "application/vnd.adobe.indesign-idml-package";

class Package {
 public:
  // `name` is the path inside the package ("Stories/Story_u1f.xml").
  void Add(std::string name, std::string content);
  bool Has(const std::string& name) const;

  // Empty on success, otherwise why the file could not be written (nothing is left on
  // disk then).
  std::string Write(const std::filesystem::path& target) const;

 private:
  // The whole zip in `bytes`; false with `error` set when libzip fails.
  bool Archive(std::string& bytes, std::string& error) const;

  std::vector<std::pair<std::string, std::string>> parts_;
};

}  // namespace tarvelin::idml
