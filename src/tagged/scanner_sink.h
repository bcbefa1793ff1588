// What the tagged-text scanner produces, and what it needs to know about the target.
//
// The scanner is a grammar: it never touches a document. Every change it wants goes to a
// ScannerSink (one virtual per operation), and every question about what already exists
// goes to a ScannerLookup. The host's style and attribute layer implements both on a real
// story; tests and benchmarks use a recording sink.
//
// Attribute values (TaggedAttribute::value):
//
//   kind                                     value          meaning
//   kFontFamily, kFontStyle                  u16string      family name, face name
//   kColour                                  u16string      swatch name as written; the
//                                                           lookup has already resolved it
//   kPointSize, kBaselineShift               double         points
//   kHorizontalScale, kVerticalScale         double         1.0 = 100 %
//   kKerning, kTracking                      double         tag value x 5 / 1000
//   kLeftIndent, kFirstLineIndent,
//   kRightIndent, kLeading                   double         points
//   kCapitalisation                          int32          0 normal, 1 small caps,
//                                                           2 all caps, 3 fourth mode
//   kUnderline, kStrikethrough               int32          1 on, 0 off
//   kPosition                                int32          1 superscript, 2 subscript
//   kAlignment                               int32          0 left, 1 centre, 2 right,
//                                                           3 forced justify, 4 justify
//   kKeepWithNext                            int32          1
//   kRuleAbove, kRuleBelow                   TaggedRule     see below
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "host/text/colour.h"

namespace tarvelin {

enum class TaggedAttrKind : uint8_t {
  kFontFamily,
  kFontStyle,
  kPointSize,
  kColour,
  kHorizontalScale,
  kVerticalScale,
  kKerning,
  kTracking,
  kBaselineShift,
  kCapitalisation,
  kUnderline,
  kStrikethrough,
  kPosition,
  kAlignment,
  kKeepWithNext,
  kLeftIndent,
  kFirstLineIndent,
  kRightIndent,
  kLeading,
  kRuleAbove,
  kRuleBelow,
};

// The attribute's name as the JSON dumps spell it ("pointSize", "ruleBelow", ...).
std::string_view TaggedAttrName(TaggedAttrKind kind);

// A paragraph rule. The host adds its attributes in this order: on, width, colour (only
// when `colour` is not empty), left indent, right indent and offset (each only when not
// 0), and mode 2 "to column" (only when `toColumn`).
struct TaggedRule {
  bool on = true;
  double width = 0;
  std::u16string colour;  // a swatch the lookup resolved, or empty
  double leftIndent = 0;
  double rightIndent = 0;
  double offset = 0;
  bool toColumn = false;

  bool operator==(const TaggedRule&) const = default;
};

struct TaggedAttribute {
  TaggedAttrKind kind;
  std::variant<int32_t, double, std::u16string, TaggedRule> value;

  bool operator==(const TaggedAttribute&) const = default;
};

enum class TaggedLevel : uint8_t { kCharacter, kParagraph };

enum class TaggedFaceKind : int32_t { kRegular = 0, kItalic = 1, kBold = 2, kBoldItalic = 3 };

// The operations, in the order a story is built. "End of the story" is the insertion
// point just before the story's final character.
class ScannerSink {
 public:
  virtual ~ScannerSink() = default;

  // Makes (or takes) the story the scan writes into. False: no text model; the scan stops.
  // `inputUnits`: the length of the input, about what the scan will write.
  virtual bool OpenStory(size_t inputUnits) = 0;

  // Appends characters at the end of the story. Control characters (CR, U+0007 ...)
  // are passed as they stand.
  virtual void InsertText(std::u16string_view text) = 0;

  // Applies the attributes to the insertion point at the end of the story, at character
  // level or to the last paragraph. True when applied; the caller then empties its list.
  virtual bool ApplyPending(std::span<const TaggedAttribute> list, TaggedLevel level) = 0;

  // Removes the character override of one kind (or all of them) at the end of the story.
  // A kind that carries no override there is left alone.
  virtual void RevertAttribute(TaggedAttrKind kind) = 0;
  virtual void RevertAll() = 0;

  // Gets or creates the paragraph style and applies it to the last paragraph; with
  // `clearFontOverride` the font family override at the insertion point goes first.
  // False when the style could neither be found nor created, or not applied.
  virtual bool ApplyParagraphStyle(std::u16string_view name, bool clearFontOverride) = 0;
  // Gets or creates the character style and applies it at the end of the story.
  virtual bool ApplyCharacterStyle(std::u16string_view name) = 0;
  // Applies the character style whose name is empty; false when there is none.
  virtual bool ApplyRootCharacterStyle() = 0;

  // Create a style that does not exist yet (the scanner has asked the lookup). Nothing
  // is applied. A paragraph style's parent is the root paragraph style.
  virtual void DefineCharacterStyle(std::u16string_view name,
                                    std::span<const TaggedAttribute> list) = 0;
  virtual void DefineParagraphStyle(std::u16string_view name,
                                    std::span<const TaggedAttribute> list) = 0;
  // Creates a process colour swatch; for RGB c4 is 0.
  virtual void DefineColor(std::u16string_view name, ColourSpace space, double c1, double c2,
                           double c3, double c4) = 0;

  // The font face name and family in effect at the end of the story; empty when unknown.
  virtual std::u16string CurrentFace() = 0;
  virtual std::u16string CurrentFamily() = 0;
};

// Questions about the target document and workspace, by name.
class ScannerLookup {
 public:
  virtual ~ScannerLookup() = default;

  virtual bool ParagraphStyleExists(std::u16string_view name) = 0;
  virtual bool CharacterStyleExists(std::u16string_view name) = 0;
  // A swatch of exactly this name (for colour definitions).
  virtual bool SwatchExists(std::u16string_view name) = 0;
  // A swatch for a colour named in a tag (the host may fall back to a process colour for
  // the one-letter names); false when the name gives none.
  virtual bool ResolveTextColour(std::u16string_view name) = 0;
  virtual bool FontFamilyExists(std::u16string_view family) = 0;
  // The face name of that kind in the family, or empty.
  virtual std::u16string FaceName(std::u16string_view family, TaggedFaceKind kind) = 0;
};

}  // namespace tarvelin
