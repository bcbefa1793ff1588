#include "host/application/interface_fonts.h"

namespace tarvelin {

bool InterfaceFontService::Register(const InterfaceFont& font) {
  if (font.size <= 0) return false;
  for (InterfaceFont& known : fonts_)
    if (known.id == font.id) {
      known = font;
      return true;
    }
  fonts_.push_back(font);
  return true;
}

const InterfaceFont* InterfaceFontService::Find(uint32_t id) const {
  for (const InterfaceFont& font : fonts_)
    if (font.id == id) return &font;
  return nullptr;
}

}  // namespace tarvelin
