// The workspace's font-family list: families registered on first use from the platform
// font catalogue, by the name they were asked for.
//
// FindFontFamily looks the name up in the list; failing that it walks the catalogue's
// families and faces in order, compares each face's family, full and PostScript names,
// and registers the first match's family under the name that matched (by one command).
// A family remembers its faces (style names with their kind) as the catalogue gave them.
//
// Persistent layouts (little-endian):
//   family: text name, text catalogue family, u32 n, n x (text style, u8 kind)
//   list:   u32 n, n x (text name, u32 UID)
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/objects/error_code.h"
#include "host/objects/interface.h"
#include "host/objects/uid.h"
#include "host/text/font_catalogue.h"
#include "host/text/text_workspace.h"

namespace tarvelin {

class Database;

struct FontFamilyFace {
  std::u16string style;
  FaceKind kind = FaceKind::kOther;
  friend bool operator==(const FontFamilyFace&, const FontFamilyFace&) = default;
};

class IFontFamily : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0115};
  // The name it was registered under.
  virtual const std::u16string& Name() const = 0;
  // The catalogue family it stands for (empty: a family the system lacks).
  virtual const std::u16string& FamilyName() const = 0;
  virtual const std::vector<FontFamilyFace>& Faces() const = 0;
  // The first face of that kind, or the empty text.
  virtual std::u16string FaceName(FaceKind kind) const = 0;
  virtual void Set(std::u16string name, std::u16string family,
                   std::vector<FontFamilyFace> faces) = 0;
};

class IFontFamilyList : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0116};
  virtual const std::vector<std::pair<std::u16string, UID>>& Families() const = 0;
  virtual UID FindByName(std::u16string_view name) const = 0;
  // False when the name is taken or empty.
  virtual bool Add(std::u16string name, UID family) = 0;
};

// The running application's font catalogue (its front end's services), used when a call
// passes none; null without an application or when its front end offers no fonts.
const FontCatalogue* GetFontCatalogue();

// kInvalidUID when neither the list nor the catalogue knows the name.
UID FindFontFamily(Database& db, const TextWorkspace& ws, std::u16string_view name,
                   const FontCatalogue* catalogue = nullptr);

// Registers a family under `name` by one command (faces from `info`; null info: a family
// the system lacks). kAlreadyExists when the name is listed.
ErrorCode RegisterFontFamily(Database& db, const TextWorkspace& ws, std::u16string_view name,
                             const FontFamilyInfo* info, UID* created = nullptr);

// The face name of that kind of the family found by FindFontFamily; empty when there is
// no such family or face.
std::u16string GetFaceName(Database& db, const TextWorkspace& ws, std::u16string_view family,
                           FaceKind kind, const FontCatalogue* catalogue = nullptr);

}  // namespace tarvelin
