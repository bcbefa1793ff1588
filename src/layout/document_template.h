// Document templates: a JSON description from which a new document is built.
//
// Every member is optional; a missing one takes the value below. Lengths are numbers in
// points or texts in any measurement unit ("210mm", "1p6", "0.5 pt"). Unknown members are
// reported as warnings and ignored; wrong types and impossible values are errors.
//
//   {
//     "name":            text                       "Untitled"
//     "page":            {"width": L, "height": L}  A4
//     "margins":         L | [l, t, r, b] | {"left", "top", "right", "bottom"}   36 pt
//     "columns":         1..64                      1
//     "gutter":          L                          12 pt
//     "textFrame":       bool                       true: one text frame on the margins,
//                                                   with the page's columns and gutter
//     "swatches":        [{"name", "space": "CMYK" | "RGB" | "LAB",
//                          "components": [numbers; CMYK and RGB 0..1], "process": bool}]
//     "paragraphStyles": [{"name", "parent": text, "attributes": {name: value}}]
//     "characterStyles": [ same ]
//     "objectStyles":    [{"name", "fill": swatch name | null, "stroke": swatch name | null,
//                          "strokeWeight": L, "insets": margins form,
//                          "wrap": {"mode": "none" | "boundingBox" | "contour" |
//                                   "jumpObject" | "nextColumn", "offsets": margins form}}]
//   }
//
// Style attributes use the names of the text attributes ("pointSize", "fontFamily",
// "leading", "alignment", ...; text_attributes.h): numbers for the numeric ones (lengths
// may be texts with units; "leading" may be "auto"), a family name for "fontFamily", a
// swatch name for colours. A swatch named like one the document already has ("Black",
// "Paper") sets that swatch's colour. A parent is a style of the same kind listed earlier
// (or the empty name: the root style).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/documents/document.h"
#include "host/documents/object_style.h"
#include "host/documents/page_item.h"
#include "host/text/swatch_list.h"
#include "host/text/text_attributes.h"

namespace tarvelin {

class ClassRegistry;

struct TemplateSwatch {
  std::u16string name;
  Colour colour;
  friend bool operator==(const TemplateSwatch&, const TemplateSwatch&) = default;
};

struct TemplateAttribute {
  AttrKind kind;
  std::variant<double, std::u16string> value;  // numbers, or names (families, swatches, faces)
  friend bool operator==(const TemplateAttribute&, const TemplateAttribute&) = default;
};

struct TemplateTextStyle {
  std::u16string name;
  std::u16string parent;
  std::vector<TemplateAttribute> attributes;
  friend bool operator==(const TemplateTextStyle&, const TemplateTextStyle&) = default;
};

struct TemplateObjectStyle {
  std::u16string name;
  std::optional<std::u16string> fill;  // empty text: no fill
  std::optional<std::u16string> stroke;
  std::optional<double> strokeWeight;
  std::optional<Insets> insets;
  std::optional<WrapMode> wrapMode;
  Insets wrapOffsets;
  friend bool operator==(const TemplateObjectStyle&, const TemplateObjectStyle&) = default;
};

struct DocumentTemplate {
  std::u16string name = u"Untitled";
  PageSetup page;
  bool textFrame = true;
  std::vector<TemplateSwatch> swatches;
  std::vector<TemplateTextStyle> paragraphStyles;
  std::vector<TemplateTextStyle> characterStyles;
  std::vector<TemplateObjectStyle> objectStyles;
  friend bool operator==(const DocumentTemplate&, const DocumentTemplate&) = default;
};

struct TemplateResult {
  std::optional<DocumentTemplate> spec;  // nullopt on error
  std::string error;                     // why, with the member's path
  std::vector<std::string> warnings;     // unknown members and the like
};

TemplateResult ParseTemplate(std::string_view json);

// The built-in template (A4, 12 mm margins, 4 columns, 4 mm gutter; the one shipped as
// examples/default-template.json).
std::string_view DefaultTemplateJson();

// Builds a document from a parsed template. Names the template refers to but does not
// define (a swatch, a parent style, a font family the system lacks) are warnings. Null
// with `error` set when the document cannot be made.
std::unique_ptr<Document> BuildDocument(std::shared_ptr<const ClassRegistry> registry,
                                        const DocumentTemplate& spec,
                                        std::vector<std::string>& warnings, std::string& error);

}  // namespace tarvelin
