#include "json_document.h"

#include "host/text/font_families.h"
#include "host/text/style_table.h"

namespace tarvelin::cli {

namespace {

using Inline = JsonWriter::Layout;

bool IsRuleKind(AttrKind kind, bool above) {
  auto k = static_cast<int>(kind);
  int first = static_cast<int>(above ? AttrKind::kRuleAboveOn : AttrKind::kRuleBelowOn);
  return k >= first && k <= first + 6;
}

// A rule's kinds in the order on, width, colour, left indent, right indent, offset, mode.
void WriteRule(JsonWriter& json, const Database& db, const AttributeList& list, bool above) {
  static const char* const kMembers[] = {"on",          "width",  "colour", "leftIndent",
                                         "rightIndent", "offset", "mode"};
  json.BeginObject(Inline::kInline);
  int first = static_cast<int>(above ? AttrKind::kRuleAboveOn : AttrKind::kRuleBelowOn);
  for (int i = 0; i < 7; ++i) {
    if (const Attribute* member = list.Find(static_cast<AttrKind>(first + i))) {
      json.Key(kMembers[i]);
      WriteAttributeValue(json, db, *member);
    }
  }
  json.EndObject();
}

}  // namespace

void WriteSwatch(JsonWriter& json, const ISwatch& swatch) {
  const Colour& c = swatch.GetColour();
  json.BeginObject(Inline::kInline);
  json.Key("name");
  json.String(swatch.Name());
  json.Key("space");
  json.String(ColourSpaceName(c.space));
  json.Key("components");
  json.BeginArray(Inline::kInline);
  for (size_t i = 0; i < ComponentCount(c.space); ++i) json.Float(c.components[i]);
  json.EndArray();
  json.Key("process");
  json.Bool(c.process);
  json.EndObject();
}

std::u16string StyleName(const Database& db, UID uid) {
  auto style = db.Query<IStyle>(uid);
  return style ? style->Name() : std::u16string();
}

void WriteAttributeValue(JsonWriter& json, const Database& db, const Attribute& a) {
  switch (ValueTypeOf(a.kind)) {
    case AttrValueType::kInt:
      json.Int(a.AsInt());
      return;
    case AttrValueType::kDouble:
      if (a.kind == AttrKind::kLeading && a.AsDouble() == kAutoLeading) {
        json.String("auto");
      } else {
        json.Double(a.AsDouble());
      }
      return;
    case AttrValueType::kText:
      json.String(a.AsText());
      return;
    case AttrValueType::kUID:
      if (auto family = db.Query<IFontFamily>(a.AsUID())) {
        json.String(family->Name());
      } else if (auto swatch = db.Query<ISwatch>(a.AsUID())) {
        json.String(swatch->Name());
      } else {
        json.Null();
      }
      return;
  }
}

void WriteAttributes(JsonWriter& json, const Database& db, const AttributeList& list,
                     RuleMembers rules) {
  json.BeginObject(Inline::kInline);
  bool rule_done[2] = {false, false};
  for (const Attribute& a : list) {
    if (rules == RuleMembers::kGrouped) {
      bool rule = false;
      for (bool above : {true, false}) {
        if (!IsRuleKind(a.kind, above)) continue;
        rule = true;
        if (rule_done[above]) continue;
        rule_done[above] = true;
        json.Key(above ? "ruleAbove" : "ruleBelow");
        WriteRule(json, db, list, above);
      }
      if (rule) continue;
    }
    json.Key(AttrKindName(a.kind));
    WriteAttributeValue(json, db, a);
  }
  json.EndObject();
}

void WriteRunMembers(JsonWriter& json, const Database& db, size_t start, size_t end, UID style,
                     const AttributeList& overrides, RuleMembers rules) {
  json.Key("start");
  json.Int(static_cast<int64_t>(start));
  json.Key("end");
  json.Int(static_cast<int64_t>(end));
  json.Key("style");
  json.String(StyleName(db, style));
  json.Key("overrides");
  WriteAttributes(json, db, overrides, rules);
}

}  // namespace tarvelin::cli
