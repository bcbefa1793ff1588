// The text side: the Styles part (paragraph, character and object styles with their
// based-on chains) and the Story parts, whose paragraph and character ranges carry the
// local overrides and whose inline frames stand at their anchor characters.
#include <algorithm>

#include "host/documents/object_style.h"
#include "host/documents/page_item.h"
#include "host/text/text_model.h"
#include "idml/writer.h"
#include "idml/xml_part.h"

namespace tarvelin::idml {

namespace {

constexpr const char* kNoParagraphStyle = "ParagraphStyle/$ID/[No paragraph style]";
constexpr const char* kBasicParagraph = "ParagraphStyle/$ID/NormalParagraphStyle";
constexpr const char* kNoCharacterStyle = "CharacterStyle/$ID/[No character style]";
constexpr const char* kNoObjectStyle = "ObjectStyle/$ID/[None]";

const char* Enum(AttrKind kind, int32_t v) {
  switch (kind) {
    case AttrKind::kCapitalisation: {
      static const char* const k[] = {"Normal", "SmallCaps", "AllCaps", "CapToSmallCap"};
      return k[std::clamp(v, 0, 3)];
    }
    case AttrKind::kPosition: {
      static const char* const k[] = {"Normal", "Superscript", "Subscript"};
      return k[std::clamp(v, 0, 2)];
    }
    case AttrKind::kAlignment: {
      static const char* const k[] = {"LeftAlign", "CenterAlign", "RightAlign", "FullyJustified",
                                      "LeftJustified"};
      return k[std::clamp(v, 0, 4)];
    }
    default:
      return "";
  }
}

// Where an attribute kind goes: an attribute of the element, scaled.
struct Simple {
  AttrKind kind;
  const char* name;
  double scale;
};
constexpr Simple kSimple[] = {
    {AttrKind::kPointSize, "PointSize", 1},
    {AttrKind::kHorizontalScale, "HorizontalScale", 100},
    {AttrKind::kVerticalScale, "VerticalScale", 100},
    {AttrKind::kKerning, "KerningValue", 1000},
    {AttrKind::kTracking, "Tracking", 1000},
    {AttrKind::kBaselineShift, "BaselineShift", 1},
    {AttrKind::kLeftIndent, "LeftIndent", 1},
    {AttrKind::kFirstLineIndent, "FirstLineIndent", 1},
    {AttrKind::kRightIndent, "RightIndent", 1},
    {AttrKind::kRuleAboveWidth, "RuleAboveLineWeight", 1},
    {AttrKind::kRuleAboveLeftIndent, "RuleAboveLeftIndent", 1},
    {AttrKind::kRuleAboveRightIndent, "RuleAboveRightIndent", 1},
    {AttrKind::kRuleAboveOffset, "RuleAboveOffset", 1},
    {AttrKind::kRuleBelowWidth, "RuleBelowLineWeight", 1},
    {AttrKind::kRuleBelowLeftIndent, "RuleBelowLeftIndent", 1},
    {AttrKind::kRuleBelowRightIndent, "RuleBelowRightIndent", 1},
    {AttrKind::kRuleBelowOffset, "RuleBelowOffset", 1},
};

// A style of the other kind cannot be a parent in the format: such a style is based on
// the root of its own kind and carries what the other chain gave it.
bool SameKind(const IStyle& a, const Database& db, UID parent) {
  auto p = db.Query<IStyle>(parent);
  return p && p->Kind() == a.Kind();
}

}  // namespace

void Writer::TextAttributes(XmlWriter& w, const AttributeList& list, XmlWriter& properties) {
  for (const Attribute& a : list) {
    bool done = false;
    for (const Simple& s : kSimple) {
      if (s.kind != a.kind) continue;
      w.NumAttr(s.name, a.AsDouble() * s.scale);
      if (a.kind == AttrKind::kKerning) w.Attr("KerningMethod", "$ID/Manual");
      done = true;
    }
    if (done) continue;
    switch (a.kind) {
      case AttrKind::kFontFamily: {
        std::string font = FontRef(a.AsUID());
        if (!font.empty()) properties.Typed("AppliedFont", "string", font);
        break;
      }
      case AttrKind::kFontStyle:
        w.Attr("FontStyle", a.AsText());
        break;
      case AttrKind::kColour:
        w.Attr("FillColor", SwatchRef(a.AsUID()));
        break;
      case AttrKind::kRuleAboveColour:
        w.Attr("RuleAboveColor", SwatchRef(a.AsUID()));
        break;
      case AttrKind::kRuleBelowColour:
        w.Attr("RuleBelowColor", SwatchRef(a.AsUID()));
        break;
      case AttrKind::kCapitalisation:
        w.Attr("Capitalization", Enum(a.kind, a.AsInt()));
        break;
      case AttrKind::kPosition:
        w.Attr("Position", Enum(a.kind, a.AsInt()));
        break;
      case AttrKind::kAlignment:
        w.Attr("Justification", Enum(a.kind, a.AsInt()));
        break;
      case AttrKind::kUnderline:
        w.BoolAttr("Underline", a.AsInt() != 0);
        break;
      case AttrKind::kStrikethrough:
        w.BoolAttr("StrikeThru", a.AsInt() != 0);
        break;
      case AttrKind::kKeepWithNext:
        w.Attr("KeepWithNext", a.AsInt() != 0 ? "1" : "0");
        break;
      case AttrKind::kRuleAboveOn:
        w.BoolAttr("RuleAbove", a.AsInt() != 0);
        break;
      case AttrKind::kRuleBelowOn:
        w.BoolAttr("RuleBelow", a.AsInt() != 0);
        break;
      case AttrKind::kRuleAboveMode:
      case AttrKind::kRuleBelowMode:
        w.Attr(a.kind == AttrKind::kRuleAboveMode ? "RuleAboveWidth" : "RuleBelowWidth",
               a.AsInt() == kRuleToColumn ? "ColumnWidth" : "TextWidth");
        break;
      case AttrKind::kLeading: {
        const bool automatic = a.AsDouble() == kAutoLeading;
        properties.Typed("Leading", automatic ? "enumeration" : "unit",
                         automatic ? "Auto" : Num(a.AsDouble()));
        break;
      }
      default:
        break;
    }
  }
}

std::string Writer::ParagraphStyleRef(UID style) {
  if (style == kInvalidUID || style == rootParagraph_) return kBasicParagraph;
  if (auto it = styleIds_.find(style); it != styleIds_.end()) return it->second;
  Missing("paragraph style: UID " + std::to_string(style) + " (the basic style applied)");
  return kBasicParagraph;
}

std::string Writer::CharacterStyleRef(UID style) {
  if (style == kInvalidUID || style == rootCharacter_) return kNoCharacterStyle;
  if (auto it = styleIds_.find(style); it != styleIds_.end()) return it->second;
  Missing("character style: UID " + std::to_string(style) + " (no style applied)");
  return kNoCharacterStyle;
}

std::string Writer::ObjectStyleRef(UID style) {
  if (style == kInvalidUID) return kNoObjectStyle;
  if (auto s = db_.Query<IObjectStyle>(style)) return "ObjectStyle/" + NameInId(s->Name());
  Missing("object style: UID " + std::to_string(style) + " (none applied)");
  return kNoObjectStyle;
}

std::string Writer::StylesPart() {
  XmlWriter w;
  BeginPart(w, "Styles");

  // IDs first: a style may be based on one listed after it.
  struct Entry {
    UID uid;
    std::shared_ptr<IStyle> style;
  };
  std::vector<Entry> styles[2];
  const UID tables[2] = {ws_.paragraphStyles, ws_.characterStyles};
  for (int k = 0; k < 2; ++k) {
    auto table = db_.Query<IStyleTable>(tables[k]);
    if (!table) continue;
    for (const auto& [name, uid] : table->Styles()) {
      auto style = db_.Query<IStyle>(uid);
      if (!style || uid == table->RootStyle()) continue;
      styleIds_[uid] = (k == 0 ? "ParagraphStyle/" : "CharacterStyle/") + NameInId(name);
      styles[k].push_back({uid, style});
    }
  }

  // A style's attributes, then its Properties: the typed values and what it is based on.
  auto body = [&](const AttributeList& attributes, const std::string& parent) {
    XmlWriter properties(XmlWriter::Kind::kFragment);
    TextAttributes(w, attributes, properties);
    properties.Typed("BasedOn", "object", parent);
    w.Start("Properties").Raw(properties.Take()).End();
  };
  auto styleElement = [&](const char* element, const Entry& e) {
    const IStyle& s = *e.style;
    w.Start(element).Attr("Self", styleIds_.at(e.uid)).Attr("Name", s.Name());
    w.BoolAttr("Imported", false);
    AttributeList attributes = s.Attributes();
    std::string parent;
    if (s.Parent() == kInvalidUID || SameKind(s, db_, s.Parent())) {
      parent = s.Kind() == StyleKind::kParagraph ? ParagraphStyleRef(s.Parent())
                                                 : CharacterStyleRef(s.Parent());
    } else {
      parent = s.Kind() == StyleKind::kParagraph ? kBasicParagraph : kNoCharacterStyle;
      AttributeList inherited;
      for (size_t k = 0; k < kAttrKindCount; ++k) {
        auto kind = static_cast<AttrKind>(k);
        if (attributes.Has(kind) || IsParagraphKind(kind) != (s.Kind() == StyleKind::kParagraph))
          continue;
        if (const Attribute* a = resolver_.FromStyle(s.Parent(), kind)) inherited.Set(*a);
      }
      attributes.Merge(inherited);
    }
    body(attributes, parent);
    w.End();
  };
  auto fixed = [&](const char* element, const char* self, const char* name) {
    w.Start(element).Attr("Self", self).Attr("Name", name).BoolAttr("Imported", false);
  };

  w.Start("RootCharacterStyleGroup").Attr("Self", "dcharstyles");
  fixed("CharacterStyle", kNoCharacterStyle, "$ID/[No character style]");
  w.End();
  for (const Entry& e : styles[1]) styleElement("CharacterStyle", e);
  w.End();

  w.Start("RootParagraphStyleGroup").Attr("Self", "dparastyles");
  fixed("ParagraphStyle", kNoParagraphStyle, "$ID/[No paragraph style]");
  w.End();
  // The root style's complete defaults become the basic paragraph style.
  fixed("ParagraphStyle", kBasicParagraph, "$ID/NormalParagraphStyle");
  auto root = db_.Query<IStyle>(rootParagraph_);
  body(root ? root->Attributes() : AttributeList(), kNoParagraphStyle);
  w.End();
  for (const Entry& e : styles[0]) styleElement("ParagraphStyle", e);
  w.End();

  w.Start("RootObjectStyleGroup").Attr("Self", "dobjectstyles");
  w.Start("ObjectStyle").Attr("Self", kNoObjectStyle).Attr("Name", "$ID/[None]").End();
  for (UID uid : doc_.Data()->ObjectStyles()) {
    auto style = db_.Query<IObjectStyle>(uid);
    if (!style) continue;
    const ObjectStyleAttributes& a = style->Attributes();
    w.Start("ObjectStyle").Attr("Self", ObjectStyleRef(uid)).Attr("Name", style->Name());
    w.BoolAttr("EnableFill", a.fill.has_value());
    w.BoolAttr("EnableStroke", a.stroke.has_value() || a.strokeWeight.has_value());
    w.BoolAttr("EnableTextFrameGeneralOptions", a.insets.has_value());
    w.BoolAttr("EnableTextWrapAndOthers", a.wrapMode.has_value());
    if (a.fill) w.Attr("FillColor", SwatchRef(*a.fill));
    if (a.stroke) w.Attr("StrokeColor", SwatchRef(*a.stroke));
    if (a.strokeWeight) w.NumAttr("StrokeWeight", *a.strokeWeight);
    w.Start("Properties").Typed("BasedOn", "object", kNoObjectStyle).End();
    if (a.insets) {
      w.Start("TextFramePreference");
      InsetSpacing(w, *a.insets);
      w.End();
    }
    if (a.wrapMode) TextWrap(w, *a.wrapMode, a.wrapOffsets);
    w.End();
  }
  w.End();
  return w.Take();
}

std::string Writer::StoryRef(UID story) {
  if (storiesQueued_.insert(story).second) storyQueue_.push_back(story);
  return Id(story);
}

std::string Writer::StoryPart(UID uid) {
  XmlWriter w;
  BeginPart(w, "Story");
  w.Start("Story").Attr("Self", Id(uid)).Attr("AppliedTOCStyle", "n");
  w.BoolAttr("TrackChanges", false).Attr("StoryTitle", "$ID/").Attr("AppliedNamedGrid", "n");
  w.Start("StoryPreference").BoolAttr("OpticalMarginAlignment", false);
  w.Attr("OpticalMarginSize", "12").Attr("FrameType", "TextFrameType");
  w.Attr("StoryOrientation", "Horizontal").Attr("StoryDirection", "LeftToRightDirection").End();

  auto model = db_.Query<ITextModel>(uid);
  if (!model) {
    Missing("story: UID " + std::to_string(uid) + " (written empty)");
    return w.Take();
  }
  const size_t total = model->TotalLength();
  const size_t last = total == 0 ? 0 : total - 1;  // the end-of-story character, not written
  std::u16string content;
  auto flush = [&] {
    if (content.empty()) return;
    w.Start("Content").Text(content).End();
    content.clear();
  };
  for (size_t i = 0; i < total;) {
    TextRange p = model->ParagraphAt(i);
    if (p.length == 0) break;
    const size_t pend = std::min(p.End(), total);
    w.Start("ParagraphStyleRange");
    w.Attr("AppliedParagraphStyle", ParagraphStyleRef(model->ParagraphStyleAt(i)));
    // Paragraph-level overrides of character kinds lie under the character style here;
    // in the format a range's own values lie over it, so they move to the character
    // ranges whose style leaves them open.
    const AttributeList& pover = model->ParagraphOverridesAt(i);
    AttributeList paragraphOnly, characterKinds;
    for (const Attribute& a : pover)
      (IsParagraphKind(a.kind) ? paragraphOnly : characterKinds).Set(a);
    XmlWriter paragraphProperties(XmlWriter::Kind::kFragment);
    TextAttributes(w, paragraphOnly, paragraphProperties);
    if (!paragraphProperties.Empty()) w.Start("Properties").Raw(paragraphProperties.Take()).End();

    for (size_t j = i; j < pend;) {
      TextRange r = model->CharacterRunAt(j);
      const size_t rend = std::clamp(r.End(), j + 1, pend);
      UID cstyle = model->CharacterStyleAt(j);
      w.Start("CharacterStyleRange").Attr("AppliedCharacterStyle", CharacterStyleRef(cstyle));
      AttributeList local = model->CharacterOverridesAt(j);
      const UID chain = cstyle == kInvalidUID ? rootCharacter_ : cstyle;
      for (const Attribute& a : characterKinds)
        if (!local.Has(a.kind) && !resolver_.FromStyle(chain, a.kind)) local.Set(a);
      XmlWriter runProperties(XmlWriter::Kind::kFragment);
      TextAttributes(w, local, runProperties);
      if (!runProperties.Empty()) w.Start("Properties").Raw(runProperties.Take()).End();

      const std::u16string text = model->Text(j, rend - j);
      std::vector<Anchor> anchors = model->InlineObjectsIn(j, rend - j);
      size_t next_anchor = 0;
      for (size_t k = 0; k < text.size(); ++k) {
        const size_t at = j + k;
        const char16_t c = text[k];
        while (next_anchor < anchors.size() && anchors[next_anchor].position < at) ++next_anchor;
        if (at == last) break;
        if (c == kObjectReplacement && next_anchor < anchors.size() &&
            anchors[next_anchor].position == at) {
          flush();
          PageItem(w, anchors[next_anchor].uid, Placement{.inlineItem = true, .layer = {}});
          continue;
        }
        if (c == kParagraphEnd) {
          flush();
          w.Start("Br").End();
          continue;
        }
        content += c == u'\n' ? u'\u2028' : c;
      }
      flush();
      w.End();  // CharacterStyleRange
      j = rend;
    }
    w.End();  // ParagraphStyleRange
    i = std::max(i + 1, pend);
  }
  return w.Take();
}

}  // namespace tarvelin::idml
