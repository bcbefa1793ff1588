// What the host needs to know of an image file before placing it: whether it can be
// decoded, and its size in points. The size in points follows the resolution the file
// names (72 ppi when it names none). A platform service: src/layout reads images
// through Qt's image readers.
#pragma once

#include <filesystem>
#include <string>

namespace tarvelin {

struct ImageInfo {
  bool ok = false;
  std::string error;   // why it could not be read, when !ok
  std::string format;  // "png", "jpeg", "tiff", ...
  int pixelWidth = 0;
  int pixelHeight = 0;
  double ppiX = 72.0;
  double ppiY = 72.0;
  double widthPt = 0;
  double heightPt = 0;
};

class ImageProbe {
 public:
  virtual ~ImageProbe() = default;
  virtual ImageInfo Probe(const std::filesystem::path& file) const = 0;
};

}  // namespace tarvelin
