// Lookups by name over a document's text workspace: styles, colour swatches and font
// families, with the fallbacks and special names the tagged-text import relies on. Frame
// styling uses the swatch operations too.
//
// Results are UIDs, kInvalidUID meaning none. Nothing here is shown to the user: a
// missing table or list makes an operation answer "none", and the caller reports.
//
// Colour models (the numbering callers use):
//
//   model  colour space  components
//   0      LAB           first three
//   1      CMYK          all four
//   2      RGB           first three
//   other  CMYK          all four
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/objects/error_code.h"
#include "host/objects/uid.h"
#include "host/text/colour.h"
#include "host/text/font_catalogue.h"
#include "host/text/style_table.h"
#include "host/text/text_attributes.h"
#include "host/text/text_workspace.h"

namespace tarvelin {

class Database;

struct StyleLookup {
  UID uid = kInvalidUID;
  // 1 when the workspace has no style table of the kind, 0 otherwise.
  int16_t status = 0;
};

class TextLookups {
 public:
  // The catalogue is the platform's (or a test's); it must outlive the lookups.
  TextLookups(Database& db, const TextWorkspace& ws, const FontCatalogue& catalogue);

  Database& DataBase() const { return db_; }
  const TextWorkspace& Workspace() const { return ws_; }

  // The empty name gives the kind's root style.
  StyleLookup FindStyle(StyleKind kind, std::u16string_view name) const;
  // The error code of the creation command (0 success).
  ErrorCode CreateStyle(StyleKind kind, std::u16string_view name, const AttributeList& list,
                        UID parent) const;

  // Compared as stored; the empty name finds nothing.
  UID FindSwatchByName(std::u16string_view name) const;
  // A swatch of the model's colour space with exactly those components.
  UID FindSwatchByColour(ColourSpace space, const std::array<float, 4>& components) const;
  // An existing swatch of that name is used (and the import log says so); otherwise a
  // new swatch is made, unnamed when the name is empty.
  UID CreateSwatch(std::u16string_view name, const std::array<float, 4>& components,
                   ColourSpace space, bool process) const;
  // A colour named in tagged text: the swatch of that name, else a process colour by the
  // name ("C" cyan, "M" magenta, "Y" yellow, "W" white, anything else black), found by
  // its values or created unnamed.
  UID FindTaggedTextSwatch(std::u16string_view name) const;

  // From the workspace's font-family list, else from the catalogue (then registered).
  UID FindFontFamily(std::u16string_view family) const;
  // The first face of that kind in the family, or empty.
  std::u16string GetFaceName(std::u16string_view family, FaceKind kind) const;

 private:
  Database& db_;
  TextWorkspace ws_;
  const FontCatalogue& catalogue_;
  mutable std::shared_ptr<IStyleTable> tables_[2];  // paragraph, character
};

}  // namespace tarvelin
