#include "tagged/scanner_sink.h"

#include <gtest/gtest.h>

#include <string_view>
#include <utility>

namespace tarvelin {
namespace {

// The tagged kinds borrow the host's names by number; a kind added or moved on either side
// shows here as a wrong name.
TEST(TaggedAttrNameTest, EveryKindHasItsOwnName) {
  using K = TaggedAttrKind;
  const std::pair<K, std::string_view> kNames[] = {
      {K::kFontFamily, "fontFamily"},
      {K::kFontStyle, "fontStyle"},
      {K::kPointSize, "pointSize"},
      {K::kColour, "colour"},
      {K::kHorizontalScale, "horizontalScale"},
      {K::kVerticalScale, "verticalScale"},
      {K::kKerning, "kerning"},
      {K::kTracking, "tracking"},
      {K::kBaselineShift, "baselineShift"},
      {K::kCapitalisation, "capitalisation"},
      {K::kUnderline, "underline"},
      {K::kStrikethrough, "strikethrough"},
      {K::kPosition, "position"},
      {K::kAlignment, "alignment"},
      {K::kKeepWithNext, "keepWithNext"},
      {K::kLeftIndent, "leftIndent"},
      {K::kFirstLineIndent, "firstLineIndent"},
      {K::kRightIndent, "rightIndent"},
      {K::kLeading, "leading"},
      {K::kRuleAbove, "ruleAbove"},
      {K::kRuleBelow, "ruleBelow"},
      {static_cast<K>(21), "unknown"},
      {static_cast<K>(200), "unknown"},
  };
  for (const auto& [kind, name] : kNames)
    EXPECT_EQ(TaggedAttrName(kind), name) << static_cast<int>(kind);
}

}  // namespace
}  // namespace tarvelin
