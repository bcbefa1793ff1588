// The IDML container: a zip whose first entry is `mimetype`, stored uncompressed, then
// the XML parts deflated in the order they were added. Entries carry a fixed time stamp
// so that the same parts give the same bytes.
//
// A large part (a page's main story with all its inline frames) is deflated on a thread
// of its own from the moment it is added, while the exporter goes on building the rest.
//
// The archive is made in memory, then written to a temporary file beside the target and
// renamed over it only when complete: a failed write leaves neither a partial package nor a damaged
// old file.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <future>
#include <optional>
#include <string>

namespace tarvelin::idml {

inline constexpr const char* kMimeType = "application/vnd.adobe.indesign-idml-package";

class Package {
 public:
  // `name` is the path inside the package ("Stories/Story_u1f.xml").
  void Add(std::string name, std::string content);
  bool Has(const std::string& name) const;

  // Empty on success, otherwise why the file could not be written (nothing is left on
  // disk then).
  std::string Write(const std::filesystem::path& target);

  // A raw deflate stream of a part and the CRC-32 of the part.
  struct Deflated {
    std::string data;
    uint32_t crc = 0;
  };

 private:
  struct Part {
    std::string name, content;
    std::future<std::optional<Deflated>> deflated;  // large parts only
  };

  // The whole zip in `bytes`; false with `error` set when libzip fails.
  bool Archive(std::string& bytes, std::string& error);

  std::deque<Part> parts_;  // a deque: a part being deflated never moves
};

}  // namespace tarvelin::idml
