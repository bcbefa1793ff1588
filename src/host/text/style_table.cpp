#include "host/text/style_table.h"

#include "core/stream.h"
#include "host/objects/database.h"
#include "host/text/text_classes.h"
#include "host/text/text_commands.h"
#include "host/text/text_model.h"
#include "host/text/text_workspace_impl.h"

namespace tarvelin {

// ---------------------------------------------------------------- StyleImpl

void StyleImpl::Set(StyleKind kind, std::u16string name, UID parent, AttributeList attributes) {
  PreDirty();
  kind_ = kind;
  name_ = std::move(name);
  parent_ = parent;
  attributes_ = std::move(attributes);
}

void StyleImpl::SetAttributes(AttributeList attributes) {
  PreDirty();
  attributes_ = std::move(attributes);
}

void StyleImpl::ReadWrite(Stream& s, ImplementationID) {
  uint8_t kind = static_cast<uint8_t>(kind_);
  s.XferByte(kind);
  s.XferText(name_);
  s.XferInt32(parent_);
  attributes_.ReadWrite(s);
  if (s.IsReading()) kind_ = kind == 1 ? StyleKind::kCharacter : StyleKind::kParagraph;
}

// ---------------------------------------------------------------- StyleTableImpl

UID StyleTableImpl::Find(std::u16string_view name) const {
  if (name.empty()) return root_;
  auto it = by_name_.find(std::u16string(name));
  return it == by_name_.end() ? kInvalidUID : it->second;
}

void StyleTableImpl::SetKind(StyleKind kind) {
  PreDirty();
  kind_ = kind;
}

bool StyleTableImpl::Add(std::u16string name, UID style) {
  if (style == kInvalidUID) return false;
  if (name.empty() ? root_ != kInvalidUID : by_name_.contains(name)) return false;
  PreDirty();
  if (name.empty())
    root_ = style;
  else
    by_name_.emplace(name, style);
  styles_.emplace_back(std::move(name), style);
  return true;
}

void StyleTableImpl::ReadWrite(Stream& s, ImplementationID) {
  uint8_t kind = static_cast<uint8_t>(kind_);
  s.XferByte(kind);
  s.XferInt32(root_);
  uint32_t count = static_cast<uint32_t>(styles_.size());
  s.XferInt32(count);
  if (s.IsWriting()) {
    for (auto& [name, uid] : styles_) {
      s.XferText(name);
      s.XferInt32(uid);
    }
    return;
  }
  kind_ = kind == 1 ? StyleKind::kCharacter : StyleKind::kParagraph;
  styles_.clear();
  by_name_.clear();
  for (uint32_t i = 0; i < count && s.Good(); ++i) {
    std::u16string name;
    UID uid = kInvalidUID;
    if (!s.XferText(name) || !s.XferInt32(uid)) break;
    if (!name.empty() && !by_name_.emplace(name, uid).second) continue;  // keep the first
    styles_.emplace_back(std::move(name), uid);
  }
}

// ---------------------------------------------------------------- lookups

std::shared_ptr<IStyleTable> StyleTableOf(Database& db, const TextWorkspace& ws, StyleKind kind) {
  UID table = kind == StyleKind::kParagraph ? ws.paragraphStyles : ws.characterStyles;
  return db.Query<IStyleTable>(table);
}

UID FindStyle(Database& db, const TextWorkspace& ws, StyleKind kind, std::u16string_view name) {
  auto table = StyleTableOf(db, ws, kind);
  return table ? table->Find(name) : kInvalidUID;
}

ErrorCode CreateStyle(Database& db, const TextWorkspace& ws, StyleKind kind,
                      std::u16string_view name, const AttributeList& attributes, UID parent,
                      UID* created) {
  if (created) *created = kInvalidUID;
  if (name.empty()) return kInvalidArgument;
  auto table = StyleTableOf(db, ws, kind);
  if (!table) return kNotFound;
  if (table->Find(name) != kInvalidUID) return kAlreadyExists;
  if (parent != kInvalidUID && !db.Query<IStyle>(parent)) return kInvalidArgument;
  UID made = kInvalidUID;
  ErrorCode e = ProcessFunction(db, u"New style", [&]() -> ErrorCode {
    UIDRef ref = db.CreateObject(kStyleClass);
    auto style = db.Query<IStyle>(ref.GetUID());
    if (!style) return kFailure;
    style->Set(kind, std::u16string(name), parent, attributes);
    if (!table->Add(std::u16string(name), ref.GetUID())) return kAlreadyExists;
    made = ref.GetUID();
    return kSuccess;
  });
  if (e == kSuccess && created) *created = made;
  return e;
}

// ---------------------------------------------------------------- resolution

const AttributeList& BuiltInDefaults() {
  static const AttributeList defaults = [] {
    using K = AttrKind;
    AttributeList l;
    l.Set(Attribute::Uid(K::kFontFamily, kInvalidUID));
    l.Set(Attribute::Text(K::kFontStyle, u"Regular"));
    l.Set(Attribute::Double(K::kPointSize, 12));
    l.Set(Attribute::Uid(K::kColour, kInvalidUID));
    l.Set(Attribute::Double(K::kHorizontalScale, 1));
    l.Set(Attribute::Double(K::kVerticalScale, 1));
    for (K k :
         {K::kKerning, K::kTracking, K::kBaselineShift, K::kLeftIndent, K::kFirstLineIndent,
          K::kRightIndent, K::kRuleAboveLeftIndent, K::kRuleAboveRightIndent, K::kRuleAboveOffset,
          K::kRuleBelowLeftIndent, K::kRuleBelowRightIndent, K::kRuleBelowOffset})
      l.Set(Attribute::Double(k, 0));
    for (K k : {K::kCapitalisation, K::kUnderline, K::kStrikethrough, K::kPosition, K::kAlignment,
                K::kKeepWithNext, K::kRuleAboveOn, K::kRuleBelowOn})
      l.Set(Attribute::Int(k, 0));
    l.Set(Attribute::Double(K::kLeading, kAutoLeading));
    l.Set(Attribute::Double(K::kRuleAboveWidth, 1));
    l.Set(Attribute::Double(K::kRuleBelowWidth, 1));
    l.Set(Attribute::Uid(K::kRuleAboveColour, kInvalidUID));
    l.Set(Attribute::Uid(K::kRuleBelowColour, kInvalidUID));
    l.Set(Attribute::Int(K::kRuleAboveMode, kRuleToText));
    l.Set(Attribute::Int(K::kRuleBelowMode, kRuleToText));
    return l;
  }();
  return defaults;
}

TextResolver::TextResolver(Database& db, TextWorkspace ws) : db_(db), ws_(ws) {
  root_paragraph_ = FindStyle(db, ws, StyleKind::kParagraph, {});
  root_character_ = FindStyle(db, ws, StyleKind::kCharacter, {});
}

std::shared_ptr<IStyle> TextResolver::Style(UID uid) const {
  if (uid == kInvalidUID) return nullptr;
  auto [it, inserted] = cache_.try_emplace(uid);
  if (inserted) it->second = db_.Query<IStyle>(uid);
  return it->second;
}

const Attribute* TextResolver::FromStyle(UID uid, AttrKind kind) const {
  // Parents cannot form a cycle through CreateStyle; the bound guards damaged files.
  for (int depth = 0; uid != kInvalidUID && depth < 64; ++depth) {
    auto style = Style(uid);
    if (!style) return nullptr;
    if (const Attribute* a = style->Attributes().Find(kind)) return a;
    uid = style->Parent();
  }
  return nullptr;
}

Attribute TextResolver::Effective(const ITextModel& story, size_t index, AttrKind kind) const {
  if (const Attribute* a = story.CharacterOverridesAt(index).Find(kind)) return *a;
  UID character = story.CharacterStyleAt(index);
  if (const Attribute* a = FromStyle(character ? character : root_character_, kind)) return *a;
  if (const Attribute* a = story.ParagraphOverridesAt(index).Find(kind)) return *a;
  UID paragraph = story.ParagraphStyleAt(index);
  if (const Attribute* a = FromStyle(paragraph ? paragraph : root_paragraph_, kind)) return *a;
  if (const Attribute* a = FromStyle(root_paragraph_, kind)) return *a;
  return *BuiltInDefaults().Find(kind);
}

}  // namespace tarvelin
