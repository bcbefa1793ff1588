#include "tagged/story_application.h"

#include <cmath>
#include <utility>

#include "core/diagnostics.h"
#include "core/utf16.h"
#include "host/objects/database.h"
#include "host/text/font_families.h"
#include "host/text/text_commands.h"

namespace tarvelin {

namespace {

// Collected text goes into the story at least this often, so one insertion (and its undo
// record) stays bounded.
constexpr size_t kFlushUnits = size_t{1} << 16;

std::string Utf8(std::u16string_view s) {
  return ToUtf8(s);
}

// Tagged kinds up to kLeading are numbered as the host's; a rule's seven host kinds follow
// one another in the order on, width, colour, left, right, offset, mode.
static_assert(static_cast<int>(TaggedAttrKind::kLeading) == static_cast<int>(AttrKind::kLeading));
static_assert(static_cast<int>(TaggedAttrKind::kFontFamily) ==
              static_cast<int>(AttrKind::kFontFamily));
static_assert(static_cast<int>(AttrKind::kRuleAboveMode) ==
              static_cast<int>(AttrKind::kRuleAboveOn) + 6);
static_assert(static_cast<int>(AttrKind::kRuleBelowMode) ==
              static_cast<int>(AttrKind::kRuleBelowOn) + 6);

// The host kinds a tagged kind stands for (a rule is seven of them).
AttrKindSet HostKinds(TaggedAttrKind kind) {
  using T = TaggedAttrKind;
  using K = AttrKind;
  switch (kind) {
    case T::kRuleAbove:
      return KindSetOf({K::kRuleAboveOn, K::kRuleAboveWidth, K::kRuleAboveColour,
                        K::kRuleAboveLeftIndent, K::kRuleAboveRightIndent, K::kRuleAboveOffset,
                        K::kRuleAboveMode});
    case T::kRuleBelow:
      return KindSetOf({K::kRuleBelowOn, K::kRuleBelowWidth, K::kRuleBelowColour,
                        K::kRuleBelowLeftIndent, K::kRuleBelowRightIndent, K::kRuleBelowOffset,
                        K::kRuleBelowMode});
    default:
      // The first nineteen kinds are numbered alike on both sides.
      return KindSetOf({static_cast<K>(static_cast<uint8_t>(kind))});
  }
}

void DropDiagnostic(const TaggedAttribute& attr) {
  diag::Printf("StoryApplication: the %s value is not a number; left out.\n",
               std::string(TaggedAttrName(attr.kind)).c_str());
}

}  // namespace

StoryApplication::StoryApplication(TextLookups& lookups, UIDRef story, ApplyMode mode)
    : lookups_(lookups), db_(lookups.DataBase()), story_(story), mode_(mode) {}

StoryApplication::~StoryApplication() {
  if (model_ && (!pending_.text.empty() || end_format_dirty_)) {
    diag::Write("StoryApplication: Finish was not called; the collected text goes in now.\n");
    Finish();
  }
}

bool StoryApplication::Note(ErrorCode e) {
  if (e != kSuccess && first_error_ == kSuccess) first_error_ = e;
  return e == kSuccess;
}

bool StoryApplication::OpenStory(size_t inputUnits) {
  if (story_.IsNull()) {
    UIDRef made;
    ErrorCode e = ProcessFunction(db_, u"New story", [&]() -> ErrorCode {
      made = CreateStory(db_);
      return made.IsNull() ? kFailure : kSuccess;
    });
    if (e != kSuccess) return false;
    story_ = made;
  }
  model_ = QueryInterface<ITextModel>(story_);
  if (!model_) return false;
  // Tags take a few percent of the input: room for all of it is about exact, the story's
  // memory is asked for once, and a story made here can be moved on whole without a copy.
  model_->Reserve(inputUnits);
  root_character_ = lookups_.FindStyle(StyleKind::kCharacter, u"").uid;
  root_paragraph_ = lookups_.FindStyle(StyleKind::kParagraph, u"").uid;
  char_style_ = model_->CharacterStyleAt(EndPosition());
  char_overrides_ = model_->CharacterOverridesAt(EndPosition());
  end_format_dirty_ = false;
  return true;
}

ErrorCode StoryApplication::Finish() {
  if (!model_) return kSuccess;
  ErrorCode e = Flush();
  Note(e);
  return insert_error_ != kSuccess ? insert_error_ : e;
}

// ---------------------------------------------------------------- writing the story

ErrorCode StoryApplication::Flush() {
  if (!model_) return kNotFound;
  ErrorCode result = kSuccess;
  if (!pending_.text.empty()) {
    StyledText text = std::exchange(pending_, StyledText{});
    const size_t units = text.text.size();
    result = InsertStyledText(story_, EndPosition(), std::move(text));
    if (result != kSuccess) {
      if (insert_error_ == kSuccess) insert_error_ = result;
      diag::Printf("StoryApplication: %zu characters could not be inserted (%s).\n", units,
                   ErrorCodeName(result));
    }
  }
  if (ErrorCode e = SyncEndFormat(); result == kSuccess) result = e;
  return result;
}

ErrorCode StoryApplication::SyncEndFormat() {
  if (!end_format_dirty_) return kSuccess;
  end_format_dirty_ = false;
  const size_t end = EndPosition();
  ErrorCode e = kSuccess;
  if (model_->CharacterOverridesAt(end) != char_overrides_) {
    e = ClearTextOverrides(story_, end, 1, AllAttrKinds(), TextLevel::kCharacter);
    if (e == kSuccess && !char_overrides_.empty()) {
      e = ApplyTextAttributes(story_, end, 1, char_overrides_, TextLevel::kCharacter);
    }
  }
  if (e == kSuccess && model_->CharacterStyleAt(end) != char_style_) {
    e = ApplyTextStyle(story_, end, 1, char_style_, TextLevel::kCharacter);
  }
  return e;
}

void StoryApplication::InsertText(std::u16string_view text) {
  if (!model_ || text.empty()) return;
  if (!Batched()) {
    ErrorCode e = tarvelin::InsertText(story_, EndPosition(), text);
    if (e != kSuccess && insert_error_ == kSuccess) insert_error_ = e;
    Note(e);
    return;
  }
  std::vector<StyledRun>& runs = pending_.characters;
  if (!runs.empty() && runs.back().style == char_style_ &&
      runs.back().overrides == char_overrides_) {
    runs.back().length += text.size();
  } else {
    runs.push_back({text.size(), char_style_, char_overrides_});
  }
  pending_.text.append(text);
  if (pending_.text.size() >= kFlushUnits) Note(Flush());
}

bool StoryApplication::ApplyPending(std::span<const TaggedAttribute> list, TaggedLevel level) {
  if (!model_) return false;
  AttributeList host = Convert(list);
  if (level == TaggedLevel::kParagraph) {
    if (Batched() && !Note(Flush())) return false;
    if (host.empty()) return true;
    return Note(ApplyTextAttributes(story_, EndPosition(), 0, host, TextLevel::kParagraph));
  }
  if (host.empty()) return true;
  if (Batched()) {
    char_overrides_.Merge(host);
    end_format_dirty_ = true;
    return true;
  }
  return Note(ApplyTextAttributes(story_, EndPosition(), 1, host, TextLevel::kCharacter));
}

void StoryApplication::ClearCharacterOverrides(const AttrKindSet& kinds) {
  if (!model_) return;
  if (Batched()) {
    if (char_overrides_.RemoveKinds(kinds) > 0) end_format_dirty_ = true;
    return;
  }
  const size_t end = EndPosition();
  if ((model_->CharacterOverridesAt(end).Kinds() & kinds).none()) return;
  Note(ClearTextOverrides(story_, end, 1, kinds, TextLevel::kCharacter));
}

void StoryApplication::RevertAttribute(TaggedAttrKind kind) {
  ClearCharacterOverrides(HostKinds(kind));
}

void StoryApplication::RevertAll() {
  ClearCharacterOverrides(AllAttrKinds());
}

// ---------------------------------------------------------------- styles

bool StoryApplication::ApplyCharacterStyleUID(UID style, std::u16string_view name) {
  // The root style stands in the story as "no style".
  if (style == root_character_) style = kInvalidUID;
  if (Batched()) {
    if (style != char_style_) {
      char_style_ = style;
      end_format_dirty_ = true;
    }
    return true;
  }
  if (!Note(ApplyTextStyle(story_, EndPosition(), 1, style, TextLevel::kCharacter))) {
    diag::Printf("Could not apply character style named \"%s\".\n", Utf8(name).c_str());
    return false;
  }
  return true;
}

bool StoryApplication::ApplyCharacterStyle(std::u16string_view name) {
  if (!model_) return false;
  UID style = lookups_.FindStyle(StyleKind::kCharacter, name).uid;
  if (style == kInvalidUID) {
    StyleLookup normal = lookups_.FindStyle(StyleKind::kParagraph, u"Normal");
    if (normal.status != 0) diag::Printf("Could not get paragraph style named \"%s\".\n", "Normal");
    UID parent = normal.uid;
    if (parent == kInvalidUID) {
      StyleLookup fallback = lookups_.FindStyle(StyleKind::kCharacter, u"_Normal");
      if (fallback.status != 0) {
        diag::Printf("Could not get paragraph style named \"%s\".\n", "_Normal");
        return false;
      }
      parent = fallback.uid;
    }
    lookups_.CreateStyle(StyleKind::kCharacter, name, {}, parent);
    style = lookups_.FindStyle(StyleKind::kCharacter, name).uid;
    if (style == kInvalidUID) {
      diag::Printf("Could not get the newly created style named \"%s\".\n", Utf8(name).c_str());
      return false;
    }
  }
  return ApplyCharacterStyleUID(style, name);
}

bool StoryApplication::ApplyRootCharacterStyle() {
  if (!model_) return false;
  if (root_character_ == kInvalidUID) return false;
  return ApplyCharacterStyleUID(root_character_, u"");
}

bool StoryApplication::ApplyParagraphStyle(std::u16string_view name, bool clearFontOverride) {
  if (!model_) return false;
  UID style = lookups_.FindStyle(StyleKind::kParagraph, name).uid;
  if (style == kInvalidUID) {
    UID parent = lookups_.FindStyle(StyleKind::kParagraph, u"Normal").uid;
    if (parent == kInvalidUID) {
      StyleLookup fallback = lookups_.FindStyle(StyleKind::kParagraph, u"_Normal");
      if (fallback.status != 0) {
        diag::Printf("Could not get paragraph style named \"%s\".\n", "_Normal");
        return false;
      }
      parent = fallback.uid;
    }
    if (parent == kInvalidUID) return false;
    lookups_.CreateStyle(StyleKind::kParagraph, name, {}, parent);
    style = lookups_.FindStyle(StyleKind::kParagraph, name).uid;
    if (style == kInvalidUID) return false;
  }
  if (style == root_paragraph_) style = kInvalidUID;
  if (clearFontOverride) ClearCharacterOverrides(KindSetOf({AttrKind::kFontFamily}));
  if (Batched() && !Note(Flush())) return false;
  if (!Note(ApplyTextStyle(story_, EndPosition(), 0, style, TextLevel::kParagraph))) {
    diag::Printf("Could not apply paragraph style named \"%s\".\n", Utf8(name).c_str());
    return false;
  }
  return true;
}

void StoryApplication::DefineCharacterStyle(std::u16string_view name,
                                            std::span<const TaggedAttribute> list) {
  if (lookups_.FindStyle(StyleKind::kCharacter, name).uid != kInvalidUID) return;
  if (ErrorCode e = lookups_.CreateStyle(StyleKind::kCharacter, name, Convert(list), kInvalidUID)) {
    diag::Printf("Could not create character style named \"%s\" (%s).\n", Utf8(name).c_str(),
                 ErrorCodeName(e));
  }
}

void StoryApplication::DefineParagraphStyle(std::u16string_view name,
                                            std::span<const TaggedAttribute> list) {
  if (lookups_.FindStyle(StyleKind::kParagraph, name).uid != kInvalidUID) return;
  UID root = lookups_.FindStyle(StyleKind::kParagraph, u"").uid;
  if (ErrorCode e = lookups_.CreateStyle(StyleKind::kParagraph, name, Convert(list), root)) {
    diag::Printf("Could not create paragraph style named \"%s\" (%s).\n", Utf8(name).c_str(),
                 ErrorCodeName(e));
  }
}

void StoryApplication::DefineColor(std::u16string_view name, ColourSpace space, double c1,
                                   double c2, double c3, double c4) {
  const bool cmyk = space == ColourSpace::kCmyk;
  std::array<float, 4> components{static_cast<float>(c1), static_cast<float>(c2),
                                  static_cast<float>(c3), cmyk ? static_cast<float>(c4) : 0.0f};
  UID made = kInvalidUID;
  bool finite = true;
  for (float c : components) finite = finite && std::isfinite(c);
  if (finite) {
    made = lookups_.CreateSwatch(name, components, space, true);
  }
  if (made == kInvalidUID) {
    diag::Printf("Could not create color \"%s\" with values (%f, %f, %f, %f)\n", Utf8(name).c_str(),
                 c1, c2, c3, cmyk ? c4 : 0.0);
    return;
  }
  colours_[std::u16string(name)] = made;
}

// ---------------------------------------------------------------- formatting in effect

std::u16string StoryApplication::CurrentFace() {
  if (!model_) return {};
  if (Batched()) Note(Flush());
  TextResolver resolver(db_, lookups_.Workspace());
  return std::u16string(resolver.Effective(*model_, EndPosition(), AttrKind::kFontStyle).AsText());
}

std::u16string StoryApplication::CurrentFamily() {
  if (!model_) return {};
  if (Batched()) Note(Flush());
  TextResolver resolver(db_, lookups_.Workspace());
  UID family = resolver.Effective(*model_, EndPosition(), AttrKind::kFontFamily).AsUID();
  auto f = db_.Query<IFontFamily>(family);
  return f ? f->Name() : std::u16string();
}

// ---------------------------------------------------------------- attributes

UID StoryApplication::ColourUID(std::u16string_view name) {
  if (name.empty()) return kInvalidUID;
  auto it = colours_.find(std::u16string(name));
  if (it != colours_.end() && db_.Contains(it->second)) return it->second;
  UID uid = lookups_.FindSwatchByName(name);
  // A one-letter name is a colour by letter: a process colour when no swatch has it.
  if (uid == kInvalidUID && name.size() == 1) uid = lookups_.FindTaggedTextSwatch(name);
  if (uid != kInvalidUID) colours_[std::u16string(name)] = uid;
  return uid;
}

UID StoryApplication::FamilyUID(std::u16string_view name) {
  if (name.empty()) return kInvalidUID;
  auto it = families_.find(std::u16string(name));
  if (it != families_.end() && db_.Contains(it->second)) return it->second;
  UID uid = lookups_.FindFontFamily(name);
  if (uid != kInvalidUID) families_[std::u16string(name)] = uid;
  return uid;
}

void StoryApplication::AddConverted(const TaggedAttribute& attr, AttributeList& out) {
  using T = TaggedAttrKind;
  using K = AttrKind;
  const auto host = static_cast<K>(static_cast<uint8_t>(attr.kind));
  auto number = [&](double v) {
    if (!std::isfinite(v)) {
      DropDiagnostic(attr);
      return;
    }
    out.Set(Attribute::Double(host, v));
  };
  switch (attr.kind) {
    case T::kFontFamily:
    case T::kColour: {
      const auto* name = std::get_if<std::u16string>(&attr.value);
      if (!name) return;
      UID uid = attr.kind == T::kColour ? ColourUID(*name) : FamilyUID(*name);
      if (uid == kInvalidUID) {
        if (attr.kind == T::kColour && name->size() == 1) {
          diag::Write("Could not create iTextAttrUID of kTextAttrColorBoss.\n");
        }
        return;
      }
      out.Set(Attribute::Uid(host, uid));
      return;
    }
    case T::kFontStyle:
      if (const auto* face = std::get_if<std::u16string>(&attr.value)) {
        out.Set(Attribute::Text(K::kFontStyle, *face));
      }
      return;
    case T::kRuleAbove:
    case T::kRuleBelow: {
      const auto* rule = std::get_if<TaggedRule>(&attr.value);
      if (!rule) return;
      const bool above = attr.kind == T::kRuleAbove;
      const K on = above ? K::kRuleAboveOn : K::kRuleBelowOn;
      auto kind = [&](int offset) { return static_cast<K>(static_cast<uint8_t>(on) + offset); };
      for (double v : {rule->width, rule->leftIndent, rule->rightIndent, rule->offset}) {
        if (!std::isfinite(v)) {
          diag::Printf("StoryApplication: the %s has a value that is not a number; left out.\n",
                       std::string(TaggedAttrName(attr.kind)).c_str());
          return;
        }
      }
      out.Set(Attribute::Int(on, rule->on ? 1 : 0));
      out.Set(Attribute::Double(kind(1), rule->width));
      if (!rule->colour.empty()) {
        if (UID colour = ColourUID(rule->colour)) out.Set(Attribute::Uid(kind(2), colour));
      }
      if (rule->leftIndent != 0) out.Set(Attribute::Double(kind(3), rule->leftIndent));
      if (rule->rightIndent != 0) out.Set(Attribute::Double(kind(4), rule->rightIndent));
      if (rule->offset != 0) out.Set(Attribute::Double(kind(5), rule->offset));
      if (rule->toColumn) out.Set(Attribute::Int(kind(6), kRuleToColumn));
      return;
    }
    default:
      break;
  }
  if (const auto* d = std::get_if<double>(&attr.value)) {
    number(*d);
  } else if (const auto* i = std::get_if<int32_t>(&attr.value)) {
    out.Set(Attribute::Int(host, *i));
  }
}

AttributeList StoryApplication::Convert(std::span<const TaggedAttribute> list) {
  AttributeList out;
  for (const TaggedAttribute& attr : list) AddConverted(attr, out);
  return out;
}

// ---------------------------------------------------------------- lookup

bool StoryApplication::ParagraphStyleExists(std::u16string_view name) {
  return lookups_.FindStyle(StyleKind::kParagraph, name).uid != kInvalidUID;
}

bool StoryApplication::CharacterStyleExists(std::u16string_view name) {
  return lookups_.FindStyle(StyleKind::kCharacter, name).uid != kInvalidUID;
}

bool StoryApplication::SwatchExists(std::u16string_view name) {
  return lookups_.FindSwatchByName(name) != kInvalidUID;
}

bool StoryApplication::ResolveTextColour(std::u16string_view name) {
  return ColourUID(name) != kInvalidUID;
}

bool StoryApplication::FontFamilyExists(std::u16string_view family) {
  return FamilyUID(family) != kInvalidUID;
}

std::u16string StoryApplication::FaceName(std::u16string_view family, TaggedFaceKind kind) {
  return lookups_.GetFaceName(family, static_cast<FaceKind>(static_cast<int32_t>(kind)));
}

}  // namespace tarvelin
