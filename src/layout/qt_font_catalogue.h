// The font catalogue of the system's installed fonts: families and styles as Qt's font
// database names them (the names the composer asks it for), full and PostScript names from
// fontconfig's cache. Built on first use, so a command that never asks for a font never
// pays for the font database. Needs a QGuiApplication (the offscreen platform will do).
#pragma once

#include <mutex>

#include "host/text/font_catalogue.h"

namespace tarvelin {

class QtFontCatalogue final : public FontCatalogue {
 public:
  const std::vector<FontFamilyInfo>& Families() const override;

 private:
  mutable std::once_flag built_;
  mutable std::vector<FontFamilyInfo> families_;
};

}  // namespace tarvelin
