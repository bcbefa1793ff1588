// The story implementation behind ITextModel, and the byte layout it saves.
//
// Stream layout of ReadWrite (little-endian; the whole story, for saving and images):
//
//   size      field
//   4         version (1)
//   4         T = total length in units, the end-of-story character included
//   2 * T     the text
//   4         S = number of override lists
//   ...       S lists, AttributeList stream form (text_attributes.h); list i is
//             referred to as i + 1, 0 meaning no overrides. Lists appear in order of
//             first use (character runs, then paragraph runs), so the bytes depend on
//             the story's content only, not on its edit history.
//   4         C = number of character runs; C x (4 length, 4 style UID, 4 list number)
//   4         P = number of paragraphs; P x (4 length, 4 style UID, 4 list number),
//             each paragraph's length running through its U+000D
//   4         A = number of anchors; A x (4 position, 4 UID), ascending position
//
// Reading replaces the whole story. Damaged formatting (run lengths that do not add up,
// paragraphs that do not end at U+000D, anchors not at U+FFFC) is dropped with a
// diagnostic and the text is kept. Edits never call PreDirty: they add undo records.
#pragma once

#include <array>
#include <memory>
#include <unordered_set>

#include "host/text/story_strands.h"
#include "host/text/text_model.h"

namespace tarvelin {

class UndoRecord;

// A piece of a story in the story's own terms (formats index its FormatTable): what an
// insert adds and what a delete removes. `paragraphs` has one entry per piece between
// paragraph ends; the first applies to the paragraph the insertion point is in, the last
// to the paragraph that the text after the insertion point ends up in.
struct StoryFragment {
  std::u16string text;
  std::vector<Run> characters;
  std::vector<Format> paragraphs;
  std::vector<Anchor> anchors;  // offsets into text
  // Where the paragraph ends lie in text, when the maker looked already: a long text is then
  // not read through once more.
  std::optional<std::vector<uint32_t>> paragraphEnds;
};

// The text of a move between two stories that both keep undo records: held by whichever
// of the move's two records has it out of its story, so that the undo copies none of it.
using MovedText = std::shared_ptr<std::u16string>;

class StoryImpl final : public ITextModel, public PersistentImpl {
 public:
  StoryImpl();

  size_t TotalLength() const override { return text_.size(); }
  char16_t CharAt(size_t index) const override;
  std::u16string Text(size_t pos, size_t length) const override;
  TextRange CharacterRunAt(size_t index) const override;
  UID CharacterStyleAt(size_t index) const override;
  const AttributeList& CharacterOverridesAt(size_t index) const override;
  TextRange ParagraphAt(size_t index) const override;
  size_t ParagraphCount() const override { return paras_.RunCount(); }
  UID ParagraphStyleAt(size_t index) const override;
  const AttributeList& ParagraphOverridesAt(size_t index) const override;
  UID InlineObjectAt(size_t index) const override;
  std::vector<Anchor> InlineObjectsIn(size_t pos, size_t length) const override;
  std::optional<size_t> FindInlineObject(UID object) const override;
  StyledText ExtractStyled(size_t pos, size_t length) const override;
  uint64_t Revision() const override { return revision_; }
  size_t ChangedFrom(uint64_t revision) const override;

  ErrorCode Insert(size_t pos, std::u16string_view text) override;
  ErrorCode InsertStyled(size_t pos, StyledText text) override;
  ErrorCode Delete(size_t pos, size_t length, AnchorPolicy policy) override;
  ErrorCode ApplyAttributes(size_t pos, size_t length, const AttributeList& list,
                            TextLevel level) override;
  ErrorCode ClearOverrides(size_t pos, size_t length, const AttrKindSet& kinds,
                           TextLevel level) override;
  ErrorCode ApplyStyle(size_t pos, size_t length, UID style, TextLevel level) override;
  ErrorCode InsertInlineObject(size_t pos, UID object) override;
  void Reserve(size_t units) override { text_.Reserve(units); }

  void ReadWrite(Stream& s, ImplementationID id) override;

  // Moves the range into `target`, another story, at `at`; its inline objects go along.
  ErrorCode MoveTo(size_t pos, size_t length, StoryImpl& target, size_t at);

  // Raw edits, no checks and no undo records: the undo records replay through these.
  // With `take` (the fragment's own text, no longer needed), the text may become the
  // story's buffer instead of being copied into it.
  void RawInsert(size_t pos, const StoryFragment& fragment, std::u16string* take = nullptr);
  // `whole`: the fragment carries the text and formats removed (for an undo record);
  // otherwise only the anchors.
  StoryFragment RawDelete(size_t pos, size_t length, bool whole = true);
  void RawOverwrite(TextLevel level, size_t start, const std::vector<Run>& runs);
  void SetParagraphFormatAt(size_t pos, Format format);
  void SetEndOfStoryFormat(Format format);

  const FormatTable& Formats() const { return formats_; }
  size_t CharacterRunCount() const { return chars_.RunCount(); }

 private:
  void Reset();
  void ReadStory(Stream& s);
  Database* Db() const;
  UID Self() const;
  bool Recording() const;
  void Record(std::unique_ptr<UndoRecord> record);
  size_t Clamp(size_t index) const;
  Format InsertionFormat(size_t pos) const;
  Format EndOfStoryFormat() const;
  ErrorCode CheckInsert(size_t pos, size_t n) const;
  ErrorCode DoInsert(size_t pos, StoryFragment fragment, MovedText moved = nullptr);
  ErrorCode InsertStyledFrom(size_t pos, StyledText& text, MovedText moved,
                             std::optional<std::vector<uint32_t>> ends);
  StyledText Styling(size_t pos, size_t length, std::vector<uint32_t>* ends = nullptr) const;
  template <typename Fn>
  ErrorCode ChangeFormats(size_t pos, size_t length, TextLevel level, Fn&& change);

  GapText text_;
  RunArray chars_{true};
  RunArray paras_{false};
  AnchorArray anchors_;
  std::unordered_set<UID> anchored_;  // the UIDs in anchors_, for duplicate checks
  FormatTable formats_;
  void Changed(size_t pos);  // after an edit at or after `pos`

  uint64_t revision_ = 0;
  // Where the last edits began, by revision (story positions fit 32 bits).
  std::array<uint32_t, 32> changes_{};
};

}  // namespace tarvelin
