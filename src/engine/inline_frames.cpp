#include "engine/inline_frames.h"

#include <algorithm>

#include "attributes/advertisement_suite.h"
#include "core/diagnostics.h"
#include "core/import_log.h"
#include "core/string_table.h"
#include "core/utf16.h"
#include "engine/frame_fitting.h"
#include "engine/frame_styling.h"
#include "engine/picture_placement.h"
#include "framefile/box_definition.h"
#include "host/application/layout_service.h"
#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "host/documents/page_item_commands.h"
#include "host/documents/spread.h"
#include "host/objects/database.h"
#include "host/text/text_commands.h"

namespace tarvelin {

namespace {

// Deeper than any nesting the parser accepts.
constexpr int kMaxAnchorDepth = BoxDefinition::kMaxNesting + 1;

}  // namespace

void ModelStoryText::Read(int64_t start, int64_t count, char16_t* out) const {
  const std::u16string text = model_->Text(static_cast<size_t>(start), static_cast<size_t>(count));
  std::copy(text.begin(), text.end(), out);
}

std::optional<FrameStory> StoryOfFrame(Database& db, UID frame) {
  if (!db.Query<IPageItem>(frame)) {
    diag::Write("Frame Hierarchy is nil!\n");
    return std::nullopt;
  }
  if (!db.Query<IGraphicAttributes>(frame)) {
    diag::Write("graphicFrameData is nil!\n");
    return std::nullopt;
  }
  auto textFrame = db.Query<ITextFrame>(frame);
  if (!textFrame) {
    diag::Write("multiColumnTtextFrame is nil!\n");
    return std::nullopt;
  }
  auto model = db.Query<ITextModel>(textFrame->Story());
  if (!model) {
    diag::Write("dstTextModel is nil!\n");
    return std::nullopt;
  }
  return FrameStory{std::move(model), {&db, textFrame->Story()}};
}

UIDRef SpreadLayerOf(Document& doc, UID item) {
  Database& db = doc.DataBase();
  for (int depth = 0; depth < kMaxAnchorDepth && item != kInvalidUID; ++depth) {
    auto pageItem = db.Query<IPageItem>(item);
    if (!pageItem) break;
    if (pageItem->Parent() != kInvalidUID && db.Query<ISpreadLayer>(pageItem->Parent()))
      return {&db, pageItem->Parent()};
    if (pageItem->AnchorStory() != kInvalidUID) {
      std::vector<UID> thread = StoryThread(doc, pageItem->AnchorStory());
      if (thread.empty()) break;
      item = thread.front();
    } else {
      item = pageItem->Parent();
    }
  }
  return doc.DefaultSpreadLayer();
}

bool EngineFrameCreator::CanCreateIn(FrameRef parent) {
  if (!StoryOfFrame(ctx_.doc.DataBase(), parent.uid)) {
    diag::Write("Nic\n");
    return false;
  }
  return true;
}

std::unique_ptr<StoryText> EngineFrameCreator::StoryOf(FrameRef frame) {
  auto story = StoryOfFrame(ctx_.doc.DataBase(), frame.uid);
  if (!story) return nullptr;
  return std::make_unique<ModelStoryText>(story->model);
}

std::optional<double> EngineFrameCreator::ColumnWidthAt(UID story, int32_t index) {
  // Which column holds the index is composition's answer where the columns differ in width.
  std::optional<double> width;
  if (LayoutService* layout = ctx_.services.layout) {
    width = layout->ColumnWidthAt(ctx_.doc, story, index);
  } else {
    width = WidthOfColumnHolding(StoryFrameList(ctx_.doc, story), index);
  }
  if (!width) diag::Write("Framelist is nil\n");
  return width;
}

UIDRef EngineFrameCreator::CreateFrame(const BoxDefinition& record, UID parentFrame,
                                       const FrameStory& parent, int64_t s) {
  Database& db = ctx_.doc.DataBase();
  if (!ctx_.lifetime.defaultPageRect) {
    auto data = ctx_.doc.Data();
    if (!data) {
      diag::Write("KInDesignCommon::CreateFrame: no IPageSetupPrefs.\n");
      return {};
    }
    const PageSetup& setup = data->GetPageSetup();
    ctx_.lifetime.defaultPageRect = PMRect{0, 0, setup.width, setup.height};
  }
  const PMRect& page = *ctx_.lifetime.defaultPageRect;
  double width = record.width != 0 ? record.width : page.Width();
  const double height = record.height != 0 ? record.height : page.Height();

  const auto total = static_cast<int64_t>(parent.model->TotalLength());
  const int64_t index = s > total ? total - 1 : s + 3;
  if (auto column = ColumnWidthAt(parent.story.GetUID(), static_cast<int32_t>(index))) {
    ctx_.run.columnWidth = static_cast<float>(*column);
    ctx_.lifetime.lastColumnWidth = static_cast<float>(*column);
    if (*column < width || record.width == 0) width = *column;
  }

  UIDRef frame;
  if (ErrorCode e = CreateRectangleFrame(ctx_.doc, SpreadLayerOf(ctx_.doc, parentFrame),
                                         {0, 0, width, height}, &frame);
      e != kSuccess) {
    diag::Write("Could not create frame!\n");
    ReportFrameCommand(ctx_, kInvalidUID, "CreateRectangleFrame", e);
  }
  if (frame.IsNull()) {
    diag::Write("Could not insert new frame!\n");
    return {};
  }
  ctx_.doc.GetSelection().SelectItems(UIDList(frame));
  ApplyObjectStyleByName(ctx_, frame, record.objectStyleName);
  if (ErrorCode e = ConvertToTextFrame(ctx_.doc, frame); e != kSuccess) {
    diag::Write("suit is nil\n");
    ReportFrameCommand(ctx_, frame.GetUID(), "ConvertToTextFrame", e);
    return frame;
  }
  auto textFrame = db.Query<ITextFrame>(frame.GetUID());
  if (!textFrame || textFrame->Story() == kInvalidUID) return frame;
  ctx_.doc.GetSelection().SelectText(&db, {textFrame->Story(), 0, 0});
  if (record.kind == BoxKind::kPicture) {
    const std::u16string placeholder =
        KInDesignCommon::FormatKey("0x113380kZevStringMissingGraphicsFileKey", {record.fileName});
    ReportFrameCommand(ctx_, frame.GetUID(), "InsertText",
                       InsertText({&db, textFrame->Story()}, 0, placeholder));
  }
  return frame;
}

void EngineFrameCreator::Tag(const UIDRef& frame, const BoxDefinition& record) {
  ctx_.doc.GetSelection().SelectItems(UIDList(frame));
  auto suite = QueryAdvertisementSuite(&ctx_.doc);
  if (!suite) {
    // The frame would come out without its attributes.
    ReportFrameCommand(ctx_, frame.GetUID(), "Tag", kNotFound);
    return;
  }
  suite->SetAttribute(kFitContentToFrameKey, u"kTrue");
  std::u16string list;
  std::vector<size_t> stored;
  for (size_t i = 0; i < record.attributeNames.size(); ++i) {
    if (EqualsIgnoreCaseAscii(record.attributeNames[i], u"xmlns:box")) continue;
    list += record.attributeNames[i];
    list += u' ';
    stored.push_back(i);
  }
  if (!stored.empty()) suite->SetAttribute(kListOfAttributesKey, list);
  for (size_t i : stored) suite->SetAttribute(record.attributeNames[i], record.attributeValues[i]);
}

FrameRef EngineFrameCreator::CreateInlineFrame(BoxDefinition& record, FrameRef parentRef, int k,
                                               int64_t m, int /*nestingLevel*/) {
  Database& db = ctx_.doc.DataBase();
  if (k == 0) shift_[parentRef.uid] = 0;
  auto parent = StoryOfFrame(db, parentRef.uid);
  if (!parent) return {};
  int64_t& shift = shift_[parentRef.uid];
  const int64_t s = static_cast<int64_t>(record.storyStart) - m - 1 + shift;
  const int64_t length = static_cast<int64_t>(record.storyEnd) - record.storyStart;

  const UIDRef frame = CreateFrame(record, parentRef.uid, *parent, s);
  if (frame.IsNull()) return {};
  record.frameUID = frame.GetUID();
  record.frameDatabase = &db;
  const FrameRef created{&db, frame.GetUID()};
  // The definition stays as text: later records of this pass lie further on.
  auto leftAsText = [&]() {
    shift += length - 1;
    return created;
  };

  if (!db.Query<IGraphicAttributes>(frame.GetUID())) {
    KInDesignCommon::LogLine(u"\tNie można pobrać IGraphicFrameData z nowo utworzonej ramki.");
    return leftAsText();
  }
  auto frameStory = StoryOfFrame(db, frame.GetUID());
  if (!frameStory) {
    KInDesignCommon::LogLine(u"\tNie można pobrać IMultiColumnTextFrame z nowo utworzonej ramki.");
    return leftAsText();
  }

  const auto total = static_cast<int64_t>(parent->model->TotalLength());
  const bool removable = s >= 0 && length > 0 && s < total && s + length < total &&
                         parent->model->CharAt(static_cast<size_t>(s)) == u'<' &&
                         parent->model->CharAt(static_cast<size_t>(s + length - 1)) == u'>';
  int64_t contentLength = 0;
  if (record.kind != BoxKind::kPicture && record.headerEnd >= 0 && record.endTagStart >= 0) {
    const int64_t from = s + record.headerEnd + 1;
    contentLength = std::max<int64_t>(0, record.endTagStart - record.headerEnd - 1);
    if (contentLength > 0) {
      // The content starts a paragraph of the parent (the header ends in a line break);
      // text without a paragraph end of its own would arrive without that paragraph's
      // style and look, so the new story's paragraph takes it over.
      const UID paragraphStyle = parent->model->ParagraphStyleAt(static_cast<size_t>(from));
      const AttributeList paragraphOverrides =
          parent->model->ParagraphOverridesAt(static_cast<size_t>(from));
      // Moving (rather than copying) keeps inline frames that the content already holds.
      const ErrorCode e =
          removable ? MoveStyledText(parent->story, static_cast<size_t>(from),
                                     static_cast<size_t>(contentLength), frameStory->story, 0)
                    : CopyStyledText(parent->story, static_cast<size_t>(from),
                                     static_cast<size_t>(contentLength), frameStory->story, 0);
      if (e != kSuccess) {
        KInDesignCommon::LogLine(
            u"\tNie udało się skopiować sformatowanego tekstu do nowo utworzonej ramki.");
        return leftAsText();
      }
      ReportFrameCommand(
          ctx_, frame.GetUID(), "ApplyTextStyle",
          ApplyTextStyle(frameStory->story, 0, 0, paragraphStyle, TextLevel::kParagraph));
      if (!paragraphOverrides.empty())
        ReportFrameCommand(ctx_, frame.GetUID(), "ApplyTextAttributes",
                           ApplyTextAttributes(frameStory->story, 0, 0, paragraphOverrides,
                                               TextLevel::kParagraph));
    }
  }
  if (!removable) {
    diag::Write("Delete command is nil!\n");
    return leftAsText();
  }
  if (ErrorCode e = DeleteText(parent->story, static_cast<size_t>(s),
                               static_cast<size_t>(length - contentLength));
      e != kSuccess) {
    diag::Printf("Delete command failed (%s)\n", ErrorCodeName(e));
    return leftAsText();
  }

  if (record.kind == BoxKind::kPicture) PlacePicture(ctx_, record, frame);
  ApplyColours(ctx_, frame, record);
  ApplyStrokeWeight(ctx_, frame, record.strokeWeight);
  const Insets insets{record.insets[0], record.insets[1], record.insets[2], record.insets[3]};
  ReportFrameCommand(ctx_, frame.GetUID(), "SetTextInsets",
                     SetTextInsets(ctx_.doc, UIDList(frame), insets));
  if (record.offsetFlag) {
    auto graphic = db.Query<IGraphicAttributes>(frame.GetUID());
    if (graphic && (graphic->Wrap() != WrapMode::kJumpObject || graphic->WrapOffsets() != Insets{}))
      ReportFrameCommand(ctx_, frame.GetUID(), "SetTextWrap",
                         SetTextWrap(ctx_.doc, UIDList(frame), WrapMode::kJumpObject, {}));
  }
  const ErrorCode fit = FitAfterCreation(ctx_, record, frame);
  ReportFrameCommand(ctx_, frame.GetUID(), "Fit", fit);
  const bool fitted = fit == kSuccess;
  if (!fitted) KInDesignCommon::LogLine(u"Fitting of the box:picture frame could not be done.");
  if (record.kind != BoxKind::kPicture && record.width == 0 && ctx_.run.columnWidth > 0) {
    auto item = db.Query<IPageItem>(frame.GetUID());
    if (item && item->Bounds().Width() != ctx_.run.columnWidth) {
      PMRect bounds = item->Bounds();
      bounds.right = bounds.left + ctx_.run.columnWidth;
      if (SetBounds(ctx_.doc, frame, bounds) != kSuccess)
        KInDesignCommon::LogLine(u"Did not manage to resize a box to column width.");
    }
  }
  // A frame whose fitting failed is still anchored and tagged: its content has left the
  // story already, and a free frame would lose its place in the text.
  if (ErrorCode e = ChangeToInline(ctx_.doc, parent->story, static_cast<int32_t>(s), frame);
      e != kSuccess) {
    diag::Write("Could not change to inline!\n");
    ReportFrameCommand(ctx_, frame.GetUID(), "ChangeToInline", e);
    shift -= 1;  // no anchor stands where the definition was
  } else {
    ++ctx_.report.framesCreated;
    if (!record.innerBoxes.empty()) ctx_.run.framesWithInnerBoxes.push_back(frame);
  }
  Tag(frame, record);
  return fitted ? created : FrameRef{};
}

}  // namespace tarvelin
