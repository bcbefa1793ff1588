#include "tagged/scanner_sink.h"

#include "host/text/text_attributes.h"

namespace tarvelin {

// Up to kLeading the tagged kinds are numbered and named as the host's; a rule is one
// tagged kind for seven host kinds, so it has a name of its own.
static_assert(static_cast<int>(TaggedAttrKind::kFontFamily) ==
              static_cast<int>(AttrKind::kFontFamily));
static_assert(static_cast<int>(TaggedAttrKind::kLeading) == static_cast<int>(AttrKind::kLeading));

std::string_view TaggedAttrName(TaggedAttrKind kind) {
  switch (kind) {
    case TaggedAttrKind::kRuleAbove:
      return "ruleAbove";
    case TaggedAttrKind::kRuleBelow:
      return "ruleBelow";
    default:
      if (kind > TaggedAttrKind::kLeading) return "unknown";
      return AttrKindName(static_cast<AttrKind>(kind));
  }
}

}  // namespace tarvelin
