// Colour swatches of a workspace: the swatch list and its colours.
//
// A swatch holds a Colour (host/text/colour.h). A swatch may have a name; names are unique in a
// list, unnamed swatches are found by colour only. Components are compared exactly.
//
// Persistent layouts (little-endian):
//   swatch: text name, u8 colour space, 4 x float components, bool process
//   list:   u32 n, n x (u32 UID, text name)
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/objects/error_code.h"
#include "host/objects/interface.h"
#include "host/objects/uid.h"
#include "host/text/colour.h"
#include "host/text/text_workspace.h"

namespace tarvelin {

class Database;

class ISwatch : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0113};
  virtual const std::u16string& Name() const = 0;
  virtual const Colour& GetColour() const = 0;
  virtual void Set(std::u16string name, Colour colour) = 0;
};

class ISwatchList : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0114};
  // In the order they were added.
  virtual const std::vector<UID>& Swatches() const = 0;
  // Exact name as stored; the empty name finds nothing.
  virtual UID FindByName(std::u16string_view name) const = 0;
  // The first swatch in list order with that space and exactly those components (as many
  // as the space uses); kInvalidUID when none has.
  virtual UID FindByColour(ColourSpace space, std::span<const float> components) const = 0;
  // False when the name is taken.
  virtual bool Add(std::u16string_view name, UID swatch) = 0;
};

UID FindSwatchByName(Database& db, const TextWorkspace& ws, std::u16string_view name);
// The first swatch in list order with that space and exactly those components.
UID FindSwatchByColour(Database& db, const TextWorkspace& ws, ColourSpace space,
                       std::span<const float> components);
// Creates a swatch by one command. kAlreadyExists when a swatch has that (non-empty) name,
// kNotFound without a swatch list.
ErrorCode CreateSwatch(Database& db, const TextWorkspace& ws, std::u16string_view name,
                       const Colour& colour, UID* created = nullptr);

}  // namespace tarvelin
