#include "host/text/font_catalogue.h"

#include "core/utf16.h"

namespace tarvelin {

namespace {

std::vector<std::u16string> Words(std::u16string_view text) {
  std::vector<std::u16string> words;
  std::u16string word;
  for (char16_t c : text) {
    if (c == u' ' || c == u'-' || c == u'_') {
      if (!word.empty()) words.push_back(ToLowerAscii(word));
      word.clear();
    } else {
      word.push_back(c);
    }
  }
  if (!word.empty()) words.push_back(ToLowerAscii(word));
  return words;
}

}  // namespace

FaceKind ClassifyFaceStyle(std::u16string_view style) {
  bool bold = false;
  bool italic = false;
  for (const auto& w : Words(style)) {
    if (w == u"bold" || w == u"semibold" || w == u"demibold" || w == u"demi") {
      bold = true;
    } else if (w == u"italic" || w == u"oblique" || w == u"kursywa") {
      italic = true;
    } else if (w == u"bolditalic" || w == u"boldoblique") {
      bold = italic = true;
    } else if (w == u"regular" || w == u"book" || w == u"roman" || w == u"normal" ||
               w == u"medium" || w == u"plain") {
      // the plain weight
    } else {
      return FaceKind::kOther;
    }
  }
  if (bold && italic) return FaceKind::kBoldItalic;
  if (bold) return FaceKind::kBold;
  if (italic) return FaceKind::kItalic;
  return FaceKind::kRegular;
}

std::optional<FontMatch> FindFontByAnyName(const FontCatalogue& catalogue,
                                           std::u16string_view name) {
  if (name.empty()) return std::nullopt;
  const auto& families = catalogue.Families();
  for (size_t f = 0; f < families.size(); ++f) {
    const auto& family = families[f];
    for (size_t i = 0; i < family.faces.size(); ++i) {
      const auto& face = family.faces[i];
      for (const std::u16string* candidate :
           {&family.family, &face.fullName, &face.postScriptName}) {
        if (*candidate == name) return FontMatch{f, i, *candidate};
      }
    }
  }
  return std::nullopt;
}

}  // namespace tarvelin
