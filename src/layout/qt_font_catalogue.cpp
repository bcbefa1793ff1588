#include "layout/qt_font_catalogue.h"

#include <fontconfig/fontconfig.h>

#include <QFontDatabase>
#include <QStringList>
#include <map>
#include <memory>

namespace tarvelin {

namespace {

std::u16string ToU16(const QString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), s.size());
}

QString FcText(FcPattern* pattern, const char* object, int index) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, index, &value) != FcResultMatch) return {};
  return QString::fromUtf8(reinterpret_cast<const char*>(value));
}

struct FaceNames {
  std::u16string full;
  std::u16string postScript;
};

using FaceKey = std::pair<QString, QString>;  // family, style

// Every (family, style) Qt's database registers for a font, with the font's names, from
// fontconfig's cache: no font file is opened. Qt registers a font under its first family
// name and, for a second name with its own style (a subfamily such as "DejaVu Sans
// Condensed" / "Book"), under that pair as well; a family that several foundries make is
// listed as "Family [Foundry]". Every spelling is keyed here.
std::map<FaceKey, FaceNames> FontconfigNames() {
  std::map<FaceKey, FaceNames> names;
  std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> all(FcPatternCreate(), FcPatternDestroy);
  std::unique_ptr<FcObjectSet, decltype(&FcObjectSetDestroy)> objects(
      FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_FOUNDRY, FC_FULLNAME, FC_POSTSCRIPT_NAME, nullptr),
      FcObjectSetDestroy);
  if (!all || !objects) return names;
  std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)> fonts(
      FcFontList(nullptr, all.get(), objects.get()), FcFontSetDestroy);
  if (!fonts) return names;
  for (int i = 0; i < fonts->nfont; ++i) {
    FcPattern* font = fonts->fonts[i];
    const FaceNames faceNames{ToU16(FcText(font, FC_FULLNAME, 0)),
                              ToU16(FcText(font, FC_POSTSCRIPT_NAME, 0))};
    const QString style = FcText(font, FC_STYLE, 0);
    const QString foundry = FcText(font, FC_FOUNDRY, 0);
    for (int k = 0;; ++k) {
      const QString family = FcText(font, FC_FAMILY, k);
      if (family.isEmpty()) break;
      const QString altStyle = FcText(font, FC_STYLE, k);
      const QString& faceStyle = altStyle.isEmpty() ? style : altStyle;
      names.try_emplace({family, faceStyle}, faceNames);
      if (!foundry.isEmpty())
        names.try_emplace({family + QStringLiteral(" [") + foundry + u']', faceStyle}, faceNames);
    }
  }
  return names;
}

std::vector<FontFamilyInfo> ReadCatalogue() {
  std::vector<FontFamilyInfo> families;
  const std::map<FaceKey, FaceNames> known = FontconfigNames();
  for (const QString& family : QFontDatabase::families()) {
    if (QFontDatabase::isPrivateFamily(family)) continue;
    FontFamilyInfo info;
    info.family = ToU16(family);
    for (const QString& style : QFontDatabase::styles(family)) {
      FontFace face;
      face.style = ToU16(style);
      face.kind = ClassifyFaceStyle(face.style);
      // Only Qt's generic families ("Serif", "Sans Serif", "Monospace") are missing from
      // fontconfig's list: they are no font of their own, so they get no font's names.
      if (auto it = known.find({family, style}); it != known.end()) {
        face.fullName = it->second.full;
        face.postScriptName = it->second.postScript;
      }
      if (face.fullName.empty()) face.fullName = info.family + u" " + face.style;
      info.faces.push_back(std::move(face));
    }
    families.push_back(std::move(info));
  }
  return families;
}

}  // namespace

const std::vector<FontFamilyInfo>& QtFontCatalogue::Families() const {
  std::call_once(built_, [this] { families_ = ReadCatalogue(); });
  return families_;
}

}  // namespace tarvelin
