#include "tagged/lookups.h"

#include "core/diagnostics.h"
#include "core/import_log.h"
#include "core/utf16.h"
#include "host/objects/database.h"
#include "host/objects/object.h"
#include "host/text/font_families.h"
#include "host/text/swatch_list.h"

namespace tarvelin {

TextLookups::TextLookups(Database& db, const TextWorkspace& ws, const FontCatalogue& catalogue)
    : db_(db), ws_(ws), catalogue_(catalogue) {}

StyleLookup TextLookups::FindStyle(StyleKind kind, std::u16string_view name) const {
  // The tables are asked for on every style operation of an import: keep them while
  // they are part of the database.
  auto& table = tables_[kind == StyleKind::kParagraph ? 0 : 1];
  if (!table || !table->Owner() || !table->Owner()->DataBase()) {
    table = StyleTableOf(db_, ws_, kind);
  }
  if (!table) return {kInvalidUID, 1};
  return {table->Find(name), 0};
}

ErrorCode TextLookups::CreateStyle(StyleKind kind, std::u16string_view name,
                                   const AttributeList& list, UID parent) const {
  return tarvelin::CreateStyle(db_, ws_, kind, name, list, parent);
}

UID TextLookups::FindSwatchByName(std::u16string_view name) const {
  return tarvelin::FindSwatchByName(db_, ws_, name);
}

UID TextLookups::FindSwatchByColour(ColourSpace space,
                                    const std::array<float, 4>& components) const {
  std::array<float, 4> used{};
  for (size_t i = 0; i < ComponentCount(space); ++i) used[i] = components[i];
  return tarvelin::FindSwatchByColour(db_, ws_, space, used);
}

UID TextLookups::CreateSwatch(std::u16string_view name, const std::array<float, 4>& components,
                              ColourSpace space, bool process) const {
  // An unnamed swatch is never "found by name": looking up the empty name would hand a
  // second unnamed colour the first one's swatch.
  if (!name.empty()) {
    if (UID existing = FindSwatchByName(name)) {
      KInDesignCommon::LogMessage("Znaleziono swatch o nazwie \"%s\" i zostanie on uzyty.", {name});
      return existing;
    }
  }
  Colour colour = Colour::Make(space, components, process);
  UID created = kInvalidUID;
  if (ErrorCode e = tarvelin::CreateSwatch(db_, ws_, name, colour, &created); e != kSuccess) {
    diag::Printf("KInDesignCommon::CreateSwatch, the swatch \"%s\" could not be created (%s).\n",
                 ToUtf8(name).c_str(), ErrorCodeName(e));
    return kInvalidUID;
  }
  return created;
}

UID TextLookups::FindTaggedTextSwatch(std::u16string_view name) const {
  if (UID uid = FindSwatchByName(name)) return uid;
  std::array<float, 4> cmyk{0, 0, 0, 1};
  if (name == u"C") {
    cmyk = {1, 0, 0, 0};
  } else if (name == u"M") {
    cmyk = {0, 1, 0, 0};
  } else if (name == u"Y") {
    cmyk = {0, 0, 1, 0};
  } else if (name == u"W") {
    cmyk = {0, 0, 0, 0};
  }
  if (UID uid = FindSwatchByColour(ColourSpace::kCmyk, cmyk)) return uid;
  return CreateSwatch(u"", cmyk, ColourSpace::kCmyk, true);
}

UID TextLookups::FindFontFamily(std::u16string_view family) const {
  return tarvelin::FindFontFamily(db_, ws_, family, &catalogue_);
}

std::u16string TextLookups::GetFaceName(std::u16string_view family, FaceKind kind) const {
  UID uid = FindFontFamily(family);
  if (uid == kInvalidUID) {
    diag::Printf("Could not get the UID of font \"%s\".", ToUtf8(family).c_str());
    return {};
  }
  auto f = db_.Query<IFontFamily>(uid);
  return f ? f->FaceName(kind) : std::u16string();
}

}  // namespace tarvelin
