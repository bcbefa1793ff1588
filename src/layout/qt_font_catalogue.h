// The font catalogue of the system's installed fonts, read through Qt's font database.
// Needs a QGuiApplication (the offscreen platform will do).
#pragma once

#include "host/text/font_catalogue.h"

namespace tarvelin {

class QtFontCatalogue final : public FontCatalogue {
 public:
  QtFontCatalogue();
  const std::vector<FontFamilyInfo>& Families() const override { return families_; }

 private:
  std::vector<FontFamilyInfo> families_;
};

}  // namespace tarvelin
