// Inline-frame creation: each box definition the pass collected becomes a frame that
// takes the definition's place in its story as an inline (anchored) frame.
//
// For a record, with S its current first index (recorded start - m - 1, see the pass)
// and L its length:
//
//   1  a rectangle of the requested size (the page size by default, never wider than
//      the column that holds S + 3) on the parent's spread layer; object style; made a
//      text frame; a picture definition gets the placeholder text
//   2  the definition's content (after its begin tag and the line break behind it, up
//      to its end tag) goes into the new frame's story with its formatting, and the
//      definition's text is removed from the parent story
//   3  picture placement, colours, stroke weight, text insets, wrap (jump object),
//      fitting, width to column (text kinds without a width)
//   4  anchored at S; attributes stored: "FitContentToFrame", the list of attribute
//      names and each attribute except "xmlns:box"
//
// A definition whose text cannot be removed stays in the story; the records after it in
// the same pass are shifted by what it kept, so they still find their own text. The
// text at S must still begin with '<' and end with '>' before anything is removed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>

#include "engine/box_definition_pass.h"
#include "engine/engine_run.h"
#include "engine/story_text.h"
#include "host/objects/uid.h"
#include "host/text/text_model.h"

namespace tarvelin {

// A host story read by the passes.
class ModelStoryText final : public StoryText {
 public:
  explicit ModelStoryText(std::shared_ptr<const ITextModel> model) : model_(std::move(model)) {}
  int64_t Length() const override { return static_cast<int64_t>(model_->TotalLength()); }
  char16_t CharAt(int64_t index) const override {
    return model_->CharAt(static_cast<size_t>(index));
  }
  void Read(int64_t start, int64_t count, char16_t* out) const override;

 private:
  std::shared_ptr<const ITextModel> model_;
};

// The story of a text frame; null, after the diagnostic of the missing link, when the
// frame is not a page item, not a frame or holds no story.
struct FrameStory {
  std::shared_ptr<ITextModel> model;
  UIDRef story;
};
std::optional<FrameStory> StoryOfFrame(Database& db, UID frame);

// The spread layer that holds a frame, or (an inline frame) the frame that shows its
// anchor story; the document's first spread layer when there is none.
UIDRef SpreadLayerOf(Document& doc, UID item);

class EngineFrameCreator final : public IFrameCreator {
 public:
  explicit EngineFrameCreator(EngineContext& ctx) : ctx_(ctx) {}

  bool CanCreateIn(FrameRef parent) override;
  FrameRef CreateInlineFrame(BoxDefinition& record, FrameRef parent, int k, int64_t m,
                             int nestingLevel) override;
  std::unique_ptr<StoryText> StoryOf(FrameRef frame) override;

  // The width of the column that holds `index` of the story; nullopt without a frame list.
  std::optional<double> ColumnWidthAt(UID story, int32_t index);

 private:
  UIDRef CreateFrame(const BoxDefinition& record, UID parentFrame, const FrameStory& parent,
                     int64_t s);
  void Tag(const UIDRef& frame, const BoxDefinition& record);

  EngineContext& ctx_;
  // Per parent frame: units that definitions left in place add to the later records'
  // positions of the same pass.
  std::unordered_map<UID, int64_t> shift_;
};

}  // namespace tarvelin
