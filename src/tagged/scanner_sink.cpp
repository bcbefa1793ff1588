#include "tagged/scanner_sink.h"

namespace tarvelin {

std::string_view TaggedAttrName(TaggedAttrKind kind) {
  switch (kind) {
    case TaggedAttrKind::kFontFamily:
      return "fontFamily";
    case TaggedAttrKind::kFontStyle:
      return "fontStyle";
    case TaggedAttrKind::kPointSize:
      return "pointSize";
    case TaggedAttrKind::kColour:
      return "colour";
    case TaggedAttrKind::kHorizontalScale:
      return "horizontalScale";
    case TaggedAttrKind::kVerticalScale:
      return "verticalScale";
    case TaggedAttrKind::kKerning:
      return "kerning";
    case TaggedAttrKind::kTracking:
      return "tracking";
    case TaggedAttrKind::kBaselineShift:
      return "baselineShift";
    case TaggedAttrKind::kCapitalisation:
      return "capitalisation";
    case TaggedAttrKind::kUnderline:
      return "underline";
    case TaggedAttrKind::kStrikethrough:
      return "strikethrough";
    case TaggedAttrKind::kPosition:
      return "position";
    case TaggedAttrKind::kAlignment:
      return "alignment";
    case TaggedAttrKind::kKeepWithNext:
      return "keepWithNext";
    case TaggedAttrKind::kLeftIndent:
      return "leftIndent";
    case TaggedAttrKind::kFirstLineIndent:
      return "firstLineIndent";
    case TaggedAttrKind::kRightIndent:
      return "rightIndent";
    case TaggedAttrKind::kLeading:
      return "leading";
    case TaggedAttrKind::kRuleAbove:
      return "ruleAbove";
    case TaggedAttrKind::kRuleBelow:
      return "ruleBelow";
  }
  return "unknown";
}

}  // namespace tarvelin
