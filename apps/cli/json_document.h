// JSON of the text side of a document, shared by the commands that print one (dump, tags):
// swatches, style names and attribute values as docs/json-format.md spells them.
#pragma once

#include <string>

#include "host/objects/database.h"
#include "host/text/swatch_list.h"
#include "host/text/text_attributes.h"
#include "json_writer.h"

namespace tarvelin::cli {

// A swatch W: {"name", "space", "components", "process"} on one line.
void WriteSwatch(JsonWriter& json, const ISwatch& swatch);

// The name of style `uid`; empty when it is none or not a style.
std::u16string StyleName(const Database& db, UID uid);

// One attribute's value: numbers as numbers, automatic leading as "auto", font families and
// swatches by name (null when the UID names neither).
void WriteAttributeValue(JsonWriter& json, const Database& db, const Attribute& attribute);

// How an attribute object shows a paragraph rule's seven kinds.
enum class RuleMembers {
  kFlat,     // each kind its own member ("ruleAboveOn", "ruleAboveWidth", ...)
  kGrouped,  // one object per rule: "ruleAbove": {"on", "width", "colour", ...}
};

// An attribute object on one line, members in kind order, keyed by the kinds' names.
void WriteAttributes(JsonWriter& json, const Database& db, const AttributeList& list,
                     RuleMembers rules);

// The members every run R opens with: "start", "end", "style" and "overrides" (the caller
// has begun the object and may add members after them).
void WriteRunMembers(JsonWriter& json, const Database& db, size_t start, size_t end, UID style,
                     const AttributeList& overrides, RuleMembers rules);

}  // namespace tarvelin::cli
