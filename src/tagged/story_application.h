// StoryApplication: the tagged-text scanner's operations carried out on a real story of
// a document, and its questions answered from the document's text workspace.
//
// Everything happens at the end of the story. The insertion point's character format
// (style and overrides) is what the end-of-story character carries; text typed at the end
// takes it, and character-level changes change it. Two modes give the same story:
//
//   kImmediate  every operation is its own story command, in the order it arrives
//   kBatched    text is collected with its runs and inserted by one command when
//               something needs the story itself: a paragraph-level change, a question
//               about the formatting in effect, Finish, or a full buffer. Character-level
//               changes only change the tracked insertion-point format; it is written to
//               the end-of-story character on the next flush.
//
// Neither mode uses a placeholder character, so a failed application leaves nothing in
// the text. Tagged attributes become host attributes here: a colour name becomes the
// swatch the lookups resolve, a family name the registered family, a rule its seven
// kinds. Values that are not finite numbers are dropped with a diagnostic.
//
// Call Finish after the scan: what is still collected goes into the story then.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/text/text_model.h"
#include "tagged/lookups.h"
#include "tagged/scanner_sink.h"

namespace tarvelin {

enum class ApplyMode : uint8_t { kImmediate, kBatched };

class StoryApplication final : public ScannerSink, public ScannerLookup {
 public:
  // `story`: the story to write into; null to create a new one in OpenStory.
  StoryApplication(TextLookups& lookups, UIDRef story = UIDRef::Null(),
                   ApplyMode mode = ApplyMode::kBatched);
  ~StoryApplication() override;
  StoryApplication(const StoryApplication&) = delete;
  StoryApplication& operator=(const StoryApplication&) = delete;

  // Writes what is still collected into the story. 0, or the code of the first failure
  // that kept text out of the story.
  ErrorCode Finish();
  UIDRef Story() const { return story_; }
  // The first story edit that failed (0 when none did).
  ErrorCode FirstError() const { return first_error_; }

  // Converts a tagged attribute list to the host's; entries that cannot be had (an
  // unknown swatch or family, a value that is not a number) are left out.
  AttributeList Convert(std::span<const TaggedAttribute> list);

  // ScannerSink
  bool OpenStory(size_t inputUnits) override;
  void InsertText(std::u16string_view text) override;
  bool ApplyPending(std::span<const TaggedAttribute> list, TaggedLevel level) override;
  void RevertAttribute(TaggedAttrKind kind) override;
  void RevertAll() override;
  bool ApplyParagraphStyle(std::u16string_view name, bool clearFontOverride) override;
  bool ApplyCharacterStyle(std::u16string_view name) override;
  bool ApplyRootCharacterStyle() override;
  void DefineCharacterStyle(std::u16string_view name,
                            std::span<const TaggedAttribute> list) override;
  void DefineParagraphStyle(std::u16string_view name,
                            std::span<const TaggedAttribute> list) override;
  void DefineColor(std::u16string_view name, ColourSpace space, double c1, double c2, double c3,
                   double c4) override;
  std::u16string CurrentFace() override;
  std::u16string CurrentFamily() override;

  // ScannerLookup
  bool ParagraphStyleExists(std::u16string_view name) override;
  bool CharacterStyleExists(std::u16string_view name) override;
  bool SwatchExists(std::u16string_view name) override;
  bool ResolveTextColour(std::u16string_view name) override;
  bool FontFamilyExists(std::u16string_view family) override;
  std::u16string FaceName(std::u16string_view family, TaggedFaceKind kind) override;

 private:
  bool Batched() const { return mode_ == ApplyMode::kBatched; }
  bool Note(ErrorCode e);
  ErrorCode Flush();
  // Writes the tracked insertion-point format to the end-of-story character.
  ErrorCode SyncEndFormat();
  bool ApplyCharacterStyleUID(UID style, std::u16string_view name);
  void ClearCharacterOverrides(const AttrKindSet& kinds);
  UID ColourUID(std::u16string_view name);
  UID FamilyUID(std::u16string_view name);
  void AddConverted(const TaggedAttribute& attr, AttributeList& out);
  size_t EndPosition() const { return model_->EndPosition(); }

  TextLookups& lookups_;
  Database& db_;
  UIDRef story_;
  std::shared_ptr<ITextModel> model_;
  ApplyMode mode_;
  ErrorCode first_error_ = kSuccess;
  ErrorCode insert_error_ = kSuccess;
  UID root_character_ = kInvalidUID;
  UID root_paragraph_ = kInvalidUID;

  // Batched mode: the insertion-point format and the text collected since the last flush.
  UID char_style_ = kInvalidUID;
  AttributeList char_overrides_;
  bool end_format_dirty_ = false;
  StyledText pending_;

  std::unordered_map<std::u16string, UID> colours_;
  std::unordered_map<std::u16string, UID> families_;
};

}  // namespace tarvelin
