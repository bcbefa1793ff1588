// Text attributes: the kinds a story, a style or a pending list can carry, their values,
// and attribute lists (at most one entry per kind, kept in kind order).
//
// clang-format off
//   kind                                          value   notes
//   kFontFamily                                   UID     a family of the font-family list
//   kFontStyle                                    text    face name ("Bold Italic")
//   kPointSize, kBaselineShift                    double  points
//   kColour                                       UID     a swatch
//   kHorizontalScale, kVerticalScale              double  1.0 = 100 %
//   kKerning, kTracking                           double  ems (tag value x 5 / 1000)
//   kCapitalisation                               int     0 normal, 1 small caps, 2 all caps,
//                                                         3 the fourth mode
//   kUnderline, kStrikethrough, kKeepWithNext     int     0 off, 1 on
//   kPosition                                     int     0 normal, 1 superscript, 2 subscript
//   kAlignment                                    int     0 left, 1 centre, 2 right,
//                                                         3 forced justify, 4 justify
//   kLeftIndent, kFirstLineIndent, kRightIndent   double  points
//   kLeading                                      double  points; kAutoLeading = automatic
//   kRule{Above,Below}On                          int     0 off, 1 on
//   kRule{Above,Below}Width, ...LeftIndent,
//     ...RightIndent, ...Offset                  double  points
//   kRule{Above,Below}Colour                     UID     a swatch
//   kRule{Above,Below}Mode                       int     kRuleToText (1) or kRuleToColumn (2)
// clang-format on
//
// Values are compared exactly; -0.0 is stored as 0.0 and NaN is refused, so equal lists
// hash alike (stories intern their override lists).
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/objects/uid.h"

namespace tarvelin {

class Stream;

enum class AttrKind : uint8_t {
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
  kRuleAboveOn,
  kRuleAboveWidth,
  kRuleAboveColour,
  kRuleAboveLeftIndent,
  kRuleAboveRightIndent,
  kRuleAboveOffset,
  kRuleAboveMode,
  kRuleBelowOn,
  kRuleBelowWidth,
  kRuleBelowColour,
  kRuleBelowLeftIndent,
  kRuleBelowRightIndent,
  kRuleBelowOffset,
  kRuleBelowMode,
};
inline constexpr size_t kAttrKindCount = static_cast<size_t>(AttrKind::kRuleBelowMode) + 1;

enum class AttrValueType : uint8_t { kInt, kDouble, kUID, kText };

inline constexpr double kAutoLeading = -1.0;
inline constexpr int32_t kRuleToText = 1;
inline constexpr int32_t kRuleToColumn = 2;

AttrValueType ValueTypeOf(AttrKind kind);
// True for the kinds that describe a paragraph (alignment, indents, keep, rules).
bool IsParagraphKind(AttrKind kind);
// A stable English name ("pointSize", "ruleBelowWidth"), for dumps and diagnostics.
std::string_view AttrKindName(AttrKind kind);
std::optional<AttrKind> AttrKindFromName(std::string_view name);

using AttrValue = std::variant<int32_t, double, UID, std::u16string>;

struct Attribute {
  AttrKind kind;
  AttrValue value;

  static Attribute Int(AttrKind k, int32_t v) { return {k, AttrValue(std::in_place_index<0>, v)}; }
  static Attribute Double(AttrKind k, double v) {
    return {k, AttrValue(std::in_place_index<1>, v == 0.0 ? 0.0 : v)};
  }
  static Attribute Uid(AttrKind k, UID v) { return {k, AttrValue(std::in_place_index<2>, v)}; }
  static Attribute Text(AttrKind k, std::u16string v) {
    return {k, AttrValue(std::in_place_index<3>, std::move(v))};
  }

  // The value's type matches the kind and a double is a number.
  bool IsValid() const;
  // The value when it has that type; the fallback otherwise.
  int32_t AsInt(int32_t fallback = 0) const;
  double AsDouble(double fallback = 0) const;
  UID AsUID(UID fallback = kInvalidUID) const;
  std::u16string_view AsText() const;

  friend bool operator==(const Attribute&, const Attribute&) = default;
};

using AttrKindSet = std::bitset<kAttrKindCount>;
inline AttrKindSet KindSetOf(std::initializer_list<AttrKind> kinds) {
  AttrKindSet s;
  for (AttrKind k : kinds) s.set(static_cast<size_t>(k));
  return s;
}
inline AttrKindSet AllAttrKinds() {
  return AttrKindSet().set();
}

class AttributeList {
 public:
  AttributeList() = default;
  AttributeList(std::initializer_list<Attribute> attributes);

  // Adds or replaces the entry of the attribute's kind; false (list unchanged) when the
  // value does not fit the kind.
  bool Set(Attribute attribute);
  const Attribute* Find(AttrKind kind) const;
  bool Has(AttrKind kind) const { return Find(kind) != nullptr; }
  bool Remove(AttrKind kind);
  // Removes every entry whose kind is in the set; the number removed.
  size_t RemoveKinds(const AttrKindSet& kinds);
  // Entries of `overlay` replace or join this list's.
  void Merge(const AttributeList& overlay);
  AttrKindSet Kinds() const;
  void Clear() { entries_.clear(); }

  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  std::vector<Attribute>::const_iterator begin() const { return entries_.begin(); }
  std::vector<Attribute>::const_iterator end() const { return entries_.end(); }

  size_t Hash() const;
  friend bool operator==(const AttributeList&, const AttributeList&) = default;

  // Stream form: u32 count, then per entry u8 kind, u8 value type and the value (int and
  // UID as 32 bits, double as 64 bits low word first, text as XferText). Reading replaces
  // the list; false when the bytes are short or describe an invalid entry (the list is
  // then empty).
  bool ReadWrite(Stream& s);

 private:
  std::vector<Attribute> entries_;  // ascending kind, unique
};

struct AttributeListHash {
  size_t operator()(const AttributeList& l) const { return l.Hash(); }
};

// Doubles on streams: the IEEE-754 bits as two 32-bit words, low word first.
bool XferDouble(Stream& s, double& v);

}  // namespace tarvelin
