// Identifiers and registration of the text side of the host: stories, styles and style
// tables, swatches and the swatch list, font families and their list.
//
// The same number serves as class, interface and implementation ID of one thing.
//
//   0x0110  story            ITextModel
//   0x0111  style            IStyle
//   0x0112  style table      IStyleTable
//   0x0113  swatch           ISwatch
//   0x0114  swatch list      ISwatchList
//   0x0115  font family      IFontFamily
//   0x0116  font-family list IFontFamilyList
#pragma once

#include "host/objects/error_code.h"
#include "host/objects/ids.h"

namespace tarvelin {

class ClassRegistry;

inline constexpr ClassID kStoryClass{0x0110};
inline constexpr ClassID kStyleClass{0x0111};
inline constexpr ClassID kStyleTableClass{0x0112};
inline constexpr ClassID kSwatchClass{0x0113};
inline constexpr ClassID kSwatchListClass{0x0114};
inline constexpr ClassID kFontFamilyClass{0x0115};
inline constexpr ClassID kFontFamilyListClass{0x0116};

inline constexpr ImplementationID kStoryImpl{0x0110};
inline constexpr ImplementationID kStyleImpl{0x0111};
inline constexpr ImplementationID kStyleTableImpl{0x0112};
inline constexpr ImplementationID kSwatchImpl{0x0113};
inline constexpr ImplementationID kSwatchListImpl{0x0114};
inline constexpr ImplementationID kFontFamilyImpl{0x0115};
inline constexpr ImplementationID kFontFamilyListImpl{0x0116};

// Registers the implementations and classes above. A registry that already holds one of
// them is left as it is for that one, with a diagnostic.
void RegisterTextClasses(ClassRegistry& registry);

}  // namespace tarvelin
