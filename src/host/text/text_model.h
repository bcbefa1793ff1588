// Stories: styled UTF-16 text with a paragraph strand, a character strand and inline
// anchors (ITextModel, implemented by the story class of text_classes.h).
//
// The text's small grammar:
//
//   story      := paragraph* last
//   paragraph  := unit* U+000D              a paragraph end
//   last       := unit* U+000D              the end-of-story character, always present;
//                                           TotalLength() counts it
//   unit       := any UTF-16 unit except U+000D; U+FFFC may be an anchor (an inline
//                 object's UID is kept for it), U+000A is a forced line break
//
// Character strand: every unit, the end-of-story character included, has a character
// style and a list of local overrides. Paragraph strand: every paragraph has a paragraph
// style and local overrides. Style kInvalidUID stands for the root style of its kind.
//
// Rules the edits follow:
//
//   * Inserted plain text takes the character formatting of the insertion point: at the
//     end position (before the end-of-story character) that character's own; elsewhere the
//     unit before it, or the unit at it at the start of a paragraph. The end-of-story
//     character thus carries what text typed at the end will get: a character-level change
//     whose range ends at the end position reaches it too, and deleting text that ends
//     there leaves it the formatting of the first deleted unit.
//   * Inserted paragraph ends split their paragraph; both parts keep its formatting.
//   * Deleting paragraph ends joins paragraphs; the joined paragraph keeps the formatting of
//     the first one, unless the deletion began at that paragraph's start (then the joined
//     paragraph begins with the last one's text and keeps its formatting).
//   * Styled insertion (copy, move) brings paragraph formatting only with paragraph ends:
//     a paragraph made by the inserted text takes the formatting its text had, the
//     paragraph the insertion point was in keeps its own unless the insertion began at its
//     start and contains a paragraph end.
//   * Paragraph-level changes act on every paragraph the range touches (an empty range: the
//     paragraph holding its position). Character-level changes to an empty range do
//     nothing.
//   * Deleting a U+FFFC anchor deletes its inline object through the inline-object deleter
//     (below), unless the caller moves the text elsewhere. Copies keep the character but
//     not the anchor: an object is not duplicated.
//
// Edits apply at once and, while the database records (inside a command or sequence),
// leave a small reversible undo record; they never snapshot the story. Call them from
// commands (text_commands.h). Every edit is bounded by the text it touches plus the
// distance from the previous edit. The saved byte layout is in story_impl.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/objects/error_code.h"
#include "host/objects/interface.h"
#include "host/objects/uid.h"
#include "host/text/story_strands.h"
#include "host/text/text_attributes.h"

namespace tarvelin {

class Database;

inline constexpr char16_t kParagraphEnd = u'\r';
inline constexpr char16_t kEndOfStory = u'\r';
inline constexpr char16_t kObjectReplacement = u'\uFFFC';
// The longest story accepted, in units; longer edits fail with kInvalidArgument.
inline constexpr size_t kMaxStoryLength = size_t{1} << 30;

enum class TextLevel : uint8_t { kCharacter, kParagraph };
enum class AnchorPolicy : uint8_t { kDeleteObjects, kKeepObjects };

struct TextRange {
  size_t start = 0;
  size_t length = 0;
  size_t End() const { return start + length; }
  friend bool operator==(const TextRange&, const TextRange&) = default;
};

struct StyledRun {
  size_t length = 0;
  UID style = kInvalidUID;
  AttributeList overrides;
  friend bool operator==(const StyledRun&, const StyledRun&) = default;
};

struct ParagraphFormat {
  UID style = kInvalidUID;
  AttributeList overrides;
  friend bool operator==(const ParagraphFormat&, const ParagraphFormat&) = default;
};

// Styled text apart from any story: what a copy carries and what importers insert in one
// edit. `characters`: runs whose lengths add up to the text's length, or empty to take the
// insertion point's formatting. `paragraphs`: empty, or one entry per piece of the text
// between paragraph ends (number of U+000D + 1), the formatting each piece's paragraph
// had. `anchors`: offsets into the text, each at a U+FFFC (used by moves).
struct StyledText {
  std::u16string text;
  std::vector<StyledRun> characters;
  std::vector<ParagraphFormat> paragraphs;
  std::vector<Anchor> anchors;
};

class ITextModel : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0110};

  // ---- reading (positions outside the story give the last unit's answer)
  virtual size_t TotalLength() const = 0;
  // TotalLength() - 1: the insertion point before the end-of-story character.
  size_t EndPosition() const { return TotalLength() - 1; }
  virtual char16_t CharAt(size_t index) const = 0;
  virtual std::u16string Text(size_t pos, size_t length) const = 0;
  virtual TextRange CharacterRunAt(size_t index) const = 0;
  virtual UID CharacterStyleAt(size_t index) const = 0;
  virtual const AttributeList& CharacterOverridesAt(size_t index) const = 0;
  virtual TextRange ParagraphAt(size_t index) const = 0;
  virtual size_t ParagraphCount() const = 0;
  virtual UID ParagraphStyleAt(size_t index) const = 0;
  virtual const AttributeList& ParagraphOverridesAt(size_t index) const = 0;
  virtual UID InlineObjectAt(size_t index) const = 0;
  virtual std::vector<Anchor> InlineObjectsIn(size_t pos, size_t length) const = 0;
  virtual std::optional<size_t> FindInlineObject(UID object) const = 0;
  // The range with its formatting and anchors.
  virtual StyledText ExtractStyled(size_t pos, size_t length) const = 0;
  // Counts edits (not persistent): a cheap "has it changed" for caches.
  virtual uint64_t Revision() const = 0;
  // The first index that edits since `revision` may have changed: paragraphs that end
  // before it are as they were. TotalLength() when nothing changed; 0 when the edits are
  // too many to tell.
  virtual size_t ChangedFrom(uint64_t revision) const = 0;

  // ---- editing (see the rules above); kInvalidArgument for a range outside the story
  // or one that would remove the end-of-story character
  virtual ErrorCode Insert(size_t pos, std::u16string_view text) = 0;
  virtual ErrorCode InsertStyled(size_t pos, StyledText text) = 0;
  virtual ErrorCode Delete(size_t pos, size_t length,
                           AnchorPolicy policy = AnchorPolicy::kDeleteObjects) = 0;
  virtual ErrorCode ApplyAttributes(size_t pos, size_t length, const AttributeList& list,
                                    TextLevel level) = 0;
  virtual ErrorCode ClearOverrides(size_t pos, size_t length, const AttrKindSet& kinds,
                                   TextLevel level) = 0;
  // Sets the style and keeps the local overrides.
  virtual ErrorCode ApplyStyle(size_t pos, size_t length, UID style, TextLevel level) = 0;
  // Inserts U+FFFC at pos anchoring the object (which must exist in the story's database).
  virtual ErrorCode InsertInlineObject(size_t pos, UID object) = 0;
  // Makes room for about `units` more units, so that a long text inserted in pieces is not
  // moved again each time the story outgrows its memory. Not an edit: nothing is recorded.
  virtual void Reserve(size_t units) = 0;
};

// A new empty story (just the end-of-story character) in the database.
UIDRef CreateStory(Database& db);

}  // namespace tarvelin
