// The installed fonts as the host knows them: families with their faces, each face with
// the names it can be asked for by (family, full, PostScript) and its kind. The catalogue
// is a platform service: src/layout builds it from the system's fonts; tests may build
// one by hand.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvelin {

enum class FaceKind { kRegular = 0, kItalic = 1, kBold = 2, kBoldItalic = 3, kOther = 4 };

struct FontFace {
  std::u16string style;  // "Regular", "Bold Italic", "Condensed Oblique", ...
  std::u16string fullName;
  std::u16string postScriptName;
  FaceKind kind = FaceKind::kOther;
};

struct FontFamilyInfo {
  std::u16string family;
  std::vector<FontFace> faces;  // in the catalogue's order
};

class FontCatalogue {
 public:
  virtual ~FontCatalogue() = default;
  virtual const std::vector<FontFamilyInfo>& Families() const = 0;
};

// A catalogue that holds what it is given.
class StaticFontCatalogue final : public FontCatalogue {
 public:
  explicit StaticFontCatalogue(std::vector<FontFamilyInfo> families)
      : families_(std::move(families)) {}
  const std::vector<FontFamilyInfo>& Families() const override { return families_; }

 private:
  std::vector<FontFamilyInfo> families_;
};

// Classifies a face by its style name: regular ("Regular", "Book", "Roman", "Normal",
// "Medium"), italic ("Italic", "Oblique"), bold ("Bold", "Semibold"/"Demibold" count as
// bold), bold italic; anything with a width or weight the four kinds cannot express
// (e.g. "Condensed", "Light", "Black") is kOther.
FaceKind ClassifyFaceStyle(std::u16string_view style);

struct FontMatch {
  size_t family = 0;
  size_t face = 0;
  std::u16string matchedName;
};

// Walks the families and their faces in order and returns the first face whose family,
// full or PostScript name equals the name exactly.
std::optional<FontMatch> FindFontByAnyName(const FontCatalogue& catalogue,
                                           std::u16string_view name);

}  // namespace tarvelin
