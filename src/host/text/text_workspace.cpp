#include "host/text/text_workspace.h"

#include "core/stream.h"
#include "host/objects/database.h"
#include "host/text/font_catalogue.h"
#include "host/text/text_classes.h"
#include "host/text/text_workspace_impl.h"

namespace tarvelin {

namespace {

template <typename T>
std::shared_ptr<T> Make(Database& db, ClassID cls, UID* uid) {
  UIDRef ref = db.CreateObject(cls);
  *uid = ref.GetUID();
  return ref ? db.Query<T>(ref.GetUID()) : nullptr;
}

// The family the root paragraph style names: the first preferred family the catalogue
// has, else its first family, else the first preferred name as a family the system lacks.
UID DefaultFamily(Database& db, IFontFamilyList& list, const FontCatalogue* catalogue,
                  std::u16string* regular) {
  const FontFamilyInfo* info = nullptr;
  std::u16string name = kDefaultFontFamilies[0];
  if (catalogue && !catalogue->Families().empty()) {
    for (const char16_t* preferred : kDefaultFontFamilies) {
      for (const FontFamilyInfo& f : catalogue->Families())
        if (f.family == preferred) info = &f;
      if (info) break;
    }
    if (!info) info = &catalogue->Families().front();
    name = info->family;
  }
  UID uid = kInvalidUID;
  auto family = Make<IFontFamily>(db, kFontFamilyClass, &uid);
  if (!family) return kInvalidUID;
  std::vector<FontFamilyFace> faces;
  if (info)
    for (const FontFace& f : info->faces) faces.push_back({f.style, f.kind});
  family->Set(name, info ? info->family : std::u16string(), std::move(faces));
  list.Add(name, uid);
  *regular = family->FaceName(FaceKind::kRegular);
  if (regular->empty()) *regular = u"Regular";
  return uid;
}

UID AddSwatch(Database& db, ISwatchList& list, std::u16string name, Colour colour) {
  UID uid = kInvalidUID;
  auto swatch = Make<ISwatch>(db, kSwatchClass, &uid);
  if (!swatch) return kInvalidUID;
  swatch->Set(name, colour);
  list.Add(name, uid);
  return uid;
}

}  // namespace

TextWorkspace CreateTextWorkspace(Database& db, const FontCatalogue* catalogue) {
  TextWorkspace ws;
  if (!catalogue) catalogue = GetFontCatalogue();
  auto fonts = Make<IFontFamilyList>(db, kFontFamilyListClass, &ws.fontFamilies);
  auto swatches = Make<ISwatchList>(db, kSwatchListClass, &ws.swatches);
  auto paragraphs = Make<IStyleTable>(db, kStyleTableClass, &ws.paragraphStyles);
  auto characters = Make<IStyleTable>(db, kStyleTableClass, &ws.characterStyles);
  if (!fonts || !swatches || !paragraphs || !characters) return {};

  std::u16string regular;
  UID family = DefaultFamily(db, *fonts, catalogue, &regular);
  const float paper[] = {0, 0, 0, 0};
  const float black[] = {0, 0, 0, 1};
  AddSwatch(db, *swatches, u"Paper", Colour::Make(ColourSpace::kCmyk, paper));
  UID black_uid = AddSwatch(db, *swatches, u"Black", Colour::Make(ColourSpace::kCmyk, black));

  AttributeList defaults = BuiltInDefaults();
  defaults.Set(Attribute::Uid(AttrKind::kFontFamily, family));
  defaults.Set(Attribute::Text(AttrKind::kFontStyle, regular));
  defaults.Set(Attribute::Uid(AttrKind::kColour, black_uid));
  defaults.Set(Attribute::Uid(AttrKind::kRuleAboveColour, black_uid));
  defaults.Set(Attribute::Uid(AttrKind::kRuleBelowColour, black_uid));

  paragraphs->SetKind(StyleKind::kParagraph);
  characters->SetKind(StyleKind::kCharacter);
  UID root = kInvalidUID;
  if (auto style = Make<IStyle>(db, kStyleClass, &root)) {
    style->Set(StyleKind::kParagraph, {}, kInvalidUID, std::move(defaults));
    paragraphs->Add({}, root);
  }
  if (auto style = Make<IStyle>(db, kStyleClass, &root)) {
    style->Set(StyleKind::kCharacter, {}, kInvalidUID, {});
    characters->Add({}, root);
  }
  return ws;
}

bool XferTextWorkspace(Stream& s, TextWorkspace& ws) {
  return s.XferInt32(ws.paragraphStyles) && s.XferInt32(ws.characterStyles) &&
         s.XferInt32(ws.swatches) && s.XferInt32(ws.fontFamilies);
}

}  // namespace tarvelin
