// The host's interface fonts: the fonts a plug-in's dialogs and panels are drawn with,
// registered by font ID and looked up by the front end when it builds the plug-in's
// widgets. The front end gives the size of its own interface font as the base size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvelin {

struct InterfaceFont {
  uint32_t id = 0;
  std::u16string face;  // empty: the front end's default interface face
  int size = 0;         // points
  int style = 0;        // 1 bold
};

class InterfaceFontService {
 public:
  explicit InterfaceFontService(int baseSize) : baseSize_(baseSize) {}

  int BaseSize() const { return baseSize_; }
  // False, and nothing changes, for a size that is not a positive point size. A font ID
  // registered again takes the new look.
  bool Register(const InterfaceFont& font);
  const InterfaceFont* Find(uint32_t id) const;
  const std::vector<InterfaceFont>& Fonts() const { return fonts_; }

 private:
  int baseSize_;
  std::vector<InterfaceFont> fonts_;  // a handful: a vector is searched fastest
};

}  // namespace tarvelin
