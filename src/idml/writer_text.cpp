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

void Writer::TextAttributes(pugi::xml_node el, const AttributeList& list) {
  for (const Attribute& a : list) {
    bool done = false;
    for (const Simple& s : kSimple) {
      if (s.kind != a.kind) continue;
      SetAttr(el, s.name, Num(a.AsDouble() * s.scale));
      if (a.kind == AttrKind::kKerning) SetAttr(el, "KerningMethod", "$ID/Manual");
      done = true;
    }
    if (done) continue;
    switch (a.kind) {
      case AttrKind::kFontFamily: {
        std::string font = FontRef(a.AsUID());
        if (font.empty()) break;
        pugi::xml_node f = PropertiesOf(el).append_child("AppliedFont");
        SetAttr(f, "type", "string");
        f.text().set(font.c_str());
        break;
      }
      case AttrKind::kFontStyle:
        SetAttr(el, "FontStyle", XmlText(a.AsText()));
        break;
      case AttrKind::kColour:
        SetAttr(el, "FillColor", SwatchRef(a.AsUID()));
        break;
      case AttrKind::kRuleAboveColour:
        SetAttr(el, "RuleAboveColor", SwatchRef(a.AsUID()));
        break;
      case AttrKind::kRuleBelowColour:
        SetAttr(el, "RuleBelowColor", SwatchRef(a.AsUID()));
        break;
      case AttrKind::kCapitalisation:
        SetAttr(el, "Capitalization", Enum(a.kind, a.AsInt()));
        break;
      case AttrKind::kPosition:
        SetAttr(el, "Position", Enum(a.kind, a.AsInt()));
        break;
      case AttrKind::kAlignment:
        SetAttr(el, "Justification", Enum(a.kind, a.AsInt()));
        break;
      case AttrKind::kUnderline:
        SetBool(el, "Underline", a.AsInt() != 0);
        break;
      case AttrKind::kStrikethrough:
        SetBool(el, "StrikeThru", a.AsInt() != 0);
        break;
      case AttrKind::kKeepWithNext:
        SetAttr(el, "KeepWithNext", a.AsInt() != 0 ? "1" : "0");
        break;
      case AttrKind::kRuleAboveOn:
        SetBool(el, "RuleAbove", a.AsInt() != 0);
        break;
      case AttrKind::kRuleBelowOn:
        SetBool(el, "RuleBelow", a.AsInt() != 0);
        break;
      case AttrKind::kRuleAboveMode:
      case AttrKind::kRuleBelowMode:
        SetAttr(el, a.kind == AttrKind::kRuleAboveMode ? "RuleAboveWidth" : "RuleBelowWidth",
                a.AsInt() == kRuleToColumn ? "ColumnWidth" : "TextWidth");
        break;
      case AttrKind::kLeading: {
        pugi::xml_node l = PropertiesOf(el).append_child("Leading");
        const bool automatic = a.AsDouble() == kAutoLeading;
        SetAttr(l, "type", automatic ? "enumeration" : "unit");
        l.text().set(automatic ? "Auto" : Num(a.AsDouble()).c_str());
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
  pugi::xml_document doc;
  pugi::xml_node root = BeginPart(doc, "Styles");

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

  auto basedOn = [](pugi::xml_node el, const std::string& ref) {
    pugi::xml_node b = PropertiesOf(el).append_child("BasedOn");
    SetAttr(b, "type", "object");
    b.text().set(ref.c_str());
  };
  auto styleElement = [&](pugi::xml_node group, const char* element, const Entry& e) {
    const IStyle& s = *e.style;
    pugi::xml_node el = group.append_child(element);
    SetAttr(el, "Self", styleIds_.at(e.uid));
    SetAttr(el, "Name", XmlText(s.Name()));
    SetBool(el, "Imported", false);
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
    TextAttributes(el, attributes);
    basedOn(el, parent);
  };

  pugi::xml_node chars = root.append_child("RootCharacterStyleGroup");
  SetAttr(chars, "Self", "dcharstyles");
  pugi::xml_node none = chars.append_child("CharacterStyle");
  SetAttr(none, "Self", kNoCharacterStyle);
  SetAttr(none, "Name", "$ID/[No character style]");
  SetBool(none, "Imported", false);
  for (const Entry& e : styles[1]) styleElement(chars, "CharacterStyle", e);

  pugi::xml_node paras = root.append_child("RootParagraphStyleGroup");
  SetAttr(paras, "Self", "dparastyles");
  pugi::xml_node noPara = paras.append_child("ParagraphStyle");
  SetAttr(noPara, "Self", kNoParagraphStyle);
  SetAttr(noPara, "Name", "$ID/[No paragraph style]");
  SetBool(noPara, "Imported", false);
  // The root style's complete defaults become the basic paragraph style.
  pugi::xml_node basic = paras.append_child("ParagraphStyle");
  SetAttr(basic, "Self", kBasicParagraph);
  SetAttr(basic, "Name", "$ID/NormalParagraphStyle");
  SetBool(basic, "Imported", false);
  if (auto r = db_.Query<IStyle>(rootParagraph_)) TextAttributes(basic, r->Attributes());
  basedOn(basic, kNoParagraphStyle);
  for (const Entry& e : styles[0]) styleElement(paras, "ParagraphStyle", e);

  pugi::xml_node objects = root.append_child("RootObjectStyleGroup");
  SetAttr(objects, "Self", "dobjectstyles");
  pugi::xml_node noObj = objects.append_child("ObjectStyle");
  SetAttr(noObj, "Self", kNoObjectStyle);
  SetAttr(noObj, "Name", "$ID/[None]");
  for (UID uid : doc_.Data()->ObjectStyles()) {
    auto style = db_.Query<IObjectStyle>(uid);
    if (!style) continue;
    const ObjectStyleAttributes& a = style->Attributes();
    pugi::xml_node el = objects.append_child("ObjectStyle");
    SetAttr(el, "Self", ObjectStyleRef(uid));
    SetAttr(el, "Name", XmlText(style->Name()));
    SetBool(el, "EnableFill", a.fill.has_value());
    SetBool(el, "EnableStroke", a.stroke.has_value() || a.strokeWeight.has_value());
    SetBool(el, "EnableTextFrameGeneralOptions", a.insets.has_value());
    SetBool(el, "EnableTextWrapAndOthers", a.wrapMode.has_value());
    if (a.fill) SetAttr(el, "FillColor", SwatchRef(*a.fill));
    if (a.stroke) SetAttr(el, "StrokeColor", SwatchRef(*a.stroke));
    if (a.strokeWeight) SetAttr(el, "StrokeWeight", Num(*a.strokeWeight));
    pugi::xml_node b = PropertiesOf(el).append_child("BasedOn");
    SetAttr(b, "type", "object");
    b.text().set(kNoObjectStyle);
    if (a.insets) InsetSpacing(el.append_child("TextFramePreference"), *a.insets);
    if (a.wrapMode) TextWrap(el, *a.wrapMode, a.wrapOffsets);
  }
  return SerialisePart(doc);
}

std::string Writer::StoryRef(UID story) {
  if (storiesQueued_.insert(story).second) storyQueue_.push_back(story);
  return Id(story);
}

std::string Writer::StoryPart(UID uid) {
  pugi::xml_document doc;
  pugi::xml_node root = BeginPart(doc, "Story");
  pugi::xml_node story = root.append_child("Story");
  SetAttr(story, "Self", Id(uid));
  SetAttr(story, "AppliedTOCStyle", "n");
  SetBool(story, "TrackChanges", false);
  SetAttr(story, "StoryTitle", "$ID/");
  SetAttr(story, "AppliedNamedGrid", "n");
  pugi::xml_node pref = story.append_child("StoryPreference");
  SetBool(pref, "OpticalMarginAlignment", false);
  SetAttr(pref, "OpticalMarginSize", "12");
  SetAttr(pref, "FrameType", "TextFrameType");
  SetAttr(pref, "StoryOrientation", "Horizontal");
  SetAttr(pref, "StoryDirection", "LeftToRightDirection");

  auto model = db_.Query<ITextModel>(uid);
  if (!model) {
    Missing("story: UID " + std::to_string(uid) + " (written empty)");
    return SerialisePart(doc);
  }
  const size_t total = model->TotalLength();
  const size_t last = total == 0 ? 0 : total - 1;  // the end-of-story character, not written
  std::u16string content;
  for (size_t i = 0; i < total;) {
    TextRange p = model->ParagraphAt(i);
    if (p.length == 0) break;
    const size_t pend = std::min(p.End(), total);
    pugi::xml_node para = story.append_child("ParagraphStyleRange");
    SetAttr(para, "AppliedParagraphStyle", ParagraphStyleRef(model->ParagraphStyleAt(i)));
    // Paragraph-level overrides of character kinds lie under the character style here;
    // in the format a range's own values lie over it, so they move to the character
    // ranges whose style leaves them open.
    const AttributeList& pover = model->ParagraphOverridesAt(i);
    AttributeList paragraphOnly, characterKinds;
    for (const Attribute& a : pover)
      (IsParagraphKind(a.kind) ? paragraphOnly : characterKinds).Set(a);
    TextAttributes(para, paragraphOnly);

    for (size_t j = i; j < pend;) {
      TextRange r = model->CharacterRunAt(j);
      const size_t rend = std::clamp(r.End(), j + 1, pend);
      pugi::xml_node run = para.append_child("CharacterStyleRange");
      UID cstyle = model->CharacterStyleAt(j);
      SetAttr(run, "AppliedCharacterStyle", CharacterStyleRef(cstyle));
      AttributeList local = model->CharacterOverridesAt(j);
      const UID chain = cstyle == kInvalidUID ? rootCharacter_ : cstyle;
      for (const Attribute& a : characterKinds)
        if (!local.Has(a.kind) && !resolver_.FromStyle(chain, a.kind)) local.Set(a);
      TextAttributes(run, local);

      const std::u16string text = model->Text(j, rend - j);
      std::vector<Anchor> anchors = model->InlineObjectsIn(j, rend - j);
      size_t next_anchor = 0;
      auto flush = [&] {
        if (content.empty()) return;
        run.append_child("Content").text().set(XmlText(content).c_str());
        content.clear();
      };
      for (size_t k = 0; k < text.size(); ++k) {
        const size_t at = j + k;
        const char16_t c = text[k];
        while (next_anchor < anchors.size() && anchors[next_anchor].position < at) ++next_anchor;
        if (at == last) break;
        if (c == kObjectReplacement && next_anchor < anchors.size() &&
            anchors[next_anchor].position == at) {
          flush();
          PageItem(run, anchors[next_anchor].uid, Placement{.inlineItem = true, .layer = {}});
          continue;
        }
        if (c == kParagraphEnd) {
          flush();
          run.append_child("Br");
          continue;
        }
        content += c == u'\n' ? u'\u2028' : c;
      }
      flush();
      j = rend;
    }
    i = std::max(i + 1, pend);
  }
  return SerialisePart(doc);
}

}  // namespace tarvelin::idml
