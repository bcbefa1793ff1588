// Image probing through Qt's image readers (PNG, JPEG, TIFF, GIF, BMP, ...).
#pragma once

#include "host/application/image_probe.h"

namespace tarvelin {

class QtImageProbe final : public ImageProbe {
 public:
  ImageInfo Probe(const std::filesystem::path& file) const override;
};

}  // namespace tarvelin
