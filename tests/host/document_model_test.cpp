// The layout side of the document model: pages, frames, columns, threads, object styles,
// inline frames, selection; every change undone and redone exactly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "host/application/active_context.h"
#include "host/application/host_registry.h"
#include "host/documents/document.h"
#include "host/documents/object_style.h"
#include "host/documents/page_item.h"
#include "host/documents/page_item_commands.h"
#include "host/documents/spread.h"
#include "host/objects/class_registry.h"
#include "host/objects/command_processor.h"
#include "host/text/swatch_list.h"
#include "host/text/text_commands.h"
#include "host/text/text_model.h"

namespace tarvelin {
namespace {

class DocumentModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_ = CreateHostRegistry();
    ASSERT_TRUE(registry_);
    PageSetup setup;
    setup.width = 500;
    setup.height = 700;
    setup.margins = {20, 30, 20, 30};
    setup.columns = 2;
    setup.gutter = 10;
    doc_ = Document::Create(registry_, setup, u"Test");
    ASSERT_TRUE(doc_);
    layer_ = doc_->DefaultSpreadLayer();
    ASSERT_TRUE(layer_);
  }

  Database& Db() { return doc_->DataBase(); }
  UIDRef TextFrame(const PMRect& r, int32_t columns = 1, double gutter = 0) {
    UIDRef f;
    EXPECT_EQ(CreateTextFrame(*doc_, layer_, r, columns, gutter, &f), kSuccess);
    return f;
  }
  UID StoryOf(const UIDRef& frame) { return Db().Query<ITextFrame>(frame.GetUID())->Story(); }
  UIDRef StoryRef(const UIDRef& frame) { return {&Db(), StoryOf(frame)}; }
  std::shared_ptr<ITextModel> Model(const UIDRef& frame) {
    return Db().Query<ITextModel>(StoryOf(frame));
  }
  UID Swatch(std::u16string_view name) {
    return FindSwatchByName(Db(), doc_->TextWorkspaceRefs(), name);
  }
  bool Listed(UID story) { return doc_->Stories()->Find(story) != IStoryList::npos; }

  std::shared_ptr<ClassRegistry> registry_;
  std::unique_ptr<Document> doc_;
  UIDRef layer_;
};

TEST_F(DocumentModelTest, NewDocumentHasOnePageOfTheSetupAndTheTextWorkspace) {
  auto pages = DocumentPages(*doc_);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].page.bounds, (PMRect{0, 0, 500, 700}));
  EXPECT_EQ(pages[0].page.columns, 2);
  EXPECT_EQ(pages[0].page.margins, (Insets{20, 30, 20, 30}));
  EXPECT_TRUE(doc_->TextWorkspaceRefs().IsValid());
  EXPECT_NE(Swatch(u"Black"), kInvalidUID);
  EXPECT_FALSE(Db().Commands().CanUndo());
  ASSERT_EQ(doc_->Data()->Layers().size(), 1u);
  EXPECT_EQ(Db().Query<ILayer>(doc_->Data()->Layers()[0])->Name(), u"Layer 1");
}

TEST(PageSetupTest, ImpossibleSetupsAreRefusedWithAReason) {
  struct Case {
    const char* what;
    PageSetup setup;
  };
  auto with = [](auto change) {
    PageSetup s;
    change(s);
    return s;
  };
  const Case bad[] = {
      {"zero width", with([](PageSetup& s) { s.width = 0; })},
      {"negative height", with([](PageSetup& s) { s.height = -5; })},
      {"NaN width", with([](PageSetup& s) { s.width = std::nan(""); })},
      {"too large", with([](PageSetup& s) { s.height = 20000; })},
      {"margins eat the page", with([](PageSetup& s) {
         s.margins = {300, 0, 300, 0};
       })},
      {"negative margin", with([](PageSetup& s) { s.margins.top = -1; })},
      {"no columns", with([](PageSetup& s) { s.columns = 0; })},
      {"too many columns", with([](PageSetup& s) { s.columns = 65; })},
      {"gutters eat the columns", with([](PageSetup& s) { s.columns = 10, s.gutter = 100; })},
  };
  auto registry = CreateHostRegistry();
  for (const Case& c : bad) {
    EXPECT_FALSE(ValidatePageSetup(c.setup).empty()) << c.what;
    EXPECT_EQ(Document::Create(registry, c.setup, u"x"), nullptr) << c.what;
  }
  EXPECT_EQ(ValidatePageSetup(PageSetup{}), "");
}

TEST_F(DocumentModelTest, ColumnsDivideTheTextAreaAndTheFrameListFollowsTheThread) {
  UIDRef a = TextFrame({100, 100, 410, 300}, 3, 5);
  ASSERT_EQ(SetTextInsets(*doc_, UIDList(a), {10, 20, 0, 10}), kSuccess);
  auto cols = FrameColumns(Db(), a.GetUID());
  ASSERT_EQ(cols.size(), 3u);
  // text area 110..410 x 120..290: (300 - 2 * 5) / 3 = 96.666...
  EXPECT_DOUBLE_EQ(cols[0].bounds.left, 110);
  EXPECT_DOUBLE_EQ(cols[0].bounds.right, 110 + 290.0 / 3);
  EXPECT_DOUBLE_EQ(cols[2].bounds.right, 410);
  EXPECT_DOUBLE_EQ(cols[1].bounds.top, 120);
  EXPECT_DOUBLE_EQ(cols[1].bounds.bottom, 290);

  UIDRef b = TextFrame({100, 400, 300, 500});
  UIDRef c = TextFrame({300, 400, 400, 500}, 2, 4);
  ASSERT_EQ(ThreadFrames(*doc_, a, c), kSuccess);
  ASSERT_EQ(ThreadFrames(*doc_, a, b), kSuccess);  // b goes between a and c
  auto list = StoryFrameList(*doc_, StoryOf(a));
  ASSERT_EQ(list.size(), 6u);
  std::vector<UID> order;
  for (const auto& col : list) order.push_back(col.frame);
  EXPECT_EQ(order, (std::vector<UID>{a.GetUID(), a.GetUID(), a.GetUID(), b.GetUID(), c.GetUID(),
                                     c.GetUID()}));
  EXPECT_EQ(StoryOf(b), StoryOf(a));
  EXPECT_EQ(ColumnHoldingIndex(list, 50), 0);  // nothing composed yet

  // Composition says what each column holds.
  struct Spans : ColumnSpans {
    std::optional<std::pair<int32_t, int32_t>> Span(UID, int32_t column) const override {
      return std::pair{column * 10, column * 10 + 10};
    }
  } spans;
  doc_->SetColumnSpans(&spans);
  list = StoryFrameList(*doc_, StoryOf(a));
  EXPECT_EQ(ColumnHoldingIndex(list, 25), 2);  // a's third column
  EXPECT_EQ(ColumnHoldingIndex(list, 500), 5);
  doc_->SetColumnSpans(nullptr);
}

TEST_F(DocumentModelTest, DeletingThreadedFramesClosesTheThreadAndTheLastTakesTheStory) {
  UIDRef a = TextFrame({0, 0, 100, 100});
  UIDRef b = TextFrame({0, 100, 100, 200});
  UIDRef c = TextFrame({0, 200, 100, 300});
  UID b_story = StoryOf(b);
  ASSERT_EQ(ThreadFrames(*doc_, a, b), kSuccess);
  EXPECT_FALSE(Db().Contains(b_story));  // b's empty story went
  ASSERT_EQ(ThreadFrames(*doc_, b, c), kSuccess);
  UID story = StoryOf(a);
  ASSERT_EQ(DeletePageItems(*doc_, UIDList(b)), kSuccess);
  EXPECT_EQ(StoryThread(*doc_, story), (std::vector<UID>{a.GetUID(), c.GetUID()}));
  ASSERT_EQ(DeletePageItems(*doc_, UIDList(a)), kSuccess);
  EXPECT_EQ(doc_->Stories()->Entries()[doc_->Stories()->Find(story)].firstFrame, c.GetUID());
  ASSERT_EQ(DeletePageItems(*doc_, UIDList(c)), kSuccess);
  EXPECT_FALSE(Db().Contains(story));
  EXPECT_FALSE(Listed(story));
  EXPECT_TRUE(Db().Query<ISpreadLayer>(layer_.GetUID())->Items().empty());
}

TEST_F(DocumentModelTest, ThreadingRefusesFramesWithTextPicturesOrLoops) {
  UIDRef a = TextFrame({0, 0, 100, 100});
  UIDRef b = TextFrame({0, 100, 100, 200});
  UIDRef pic;
  ASSERT_EQ(CreateRectangleFrame(*doc_, layer_, {0, 300, 50, 350}, &pic), kSuccess);
  ImageInfo info;
  info.ok = true, info.widthPt = 10, info.heightPt = 10;
  ASSERT_EQ(PlaceImage(*doc_, pic, "/tmp/x.png", info), kSuccess);
  ASSERT_EQ(InsertText(StoryRef(b), 0, u"text"), kSuccess);
  auto before = Db().Image();
  EXPECT_EQ(ThreadFrames(*doc_, a, b), kInvalidArgument);    // b holds text
  EXPECT_EQ(ThreadFrames(*doc_, a, pic), kInvalidArgument);  // a picture
  EXPECT_EQ(ThreadFrames(*doc_, a, a), kInvalidArgument);
  EXPECT_EQ(ThreadFrames(*doc_, pic, a), kInvalidArgument);  // from a frame without text
  EXPECT_EQ(Db().Image(), before);
}

TEST_F(DocumentModelTest, ObjectStyleSetsWhatItDefinesAndLeavesTheRest) {
  UID black = Swatch(u"Black");
  ObjectStyleAttributes attrs;
  attrs.stroke = black;
  attrs.strokeWeight = 0.5;
  attrs.insets = Insets{2, 2, 2, 2};
  UIDRef style;
  ASSERT_EQ(CreateObjectStyle(*doc_, u"Ramka", attrs, &style), kSuccess);
  EXPECT_EQ(CreateObjectStyle(*doc_, u"Ramka", attrs), kAlreadyExists);
  EXPECT_EQ(CreateObjectStyle(*doc_, u"", attrs), kInvalidArgument);
  EXPECT_EQ(FindObjectStyle(*doc_, u"Ramka"), style.GetUID());

  UIDRef f = TextFrame({0, 0, 100, 100});
  UID paper = Swatch(u"Paper");
  ASSERT_EQ(SetFillSwatch(*doc_, UIDList(f), paper), kSuccess);
  ASSERT_EQ(ApplyObjectStyle(*doc_, UIDList(f), style.GetUID()), kSuccess);
  auto g = Db().Query<IGraphicAttributes>(f.GetUID());
  EXPECT_EQ(g->FillSwatch(), paper);  // not defined by the style
  EXPECT_EQ(g->StrokeSwatch(), black);
  EXPECT_EQ(g->StrokeWeight(), 0.5);
  EXPECT_EQ(g->ObjectStyle(), style.GetUID());
  EXPECT_EQ(Db().Query<ITextFrame>(f.GetUID())->TextInsets(), (Insets{2, 2, 2, 2}));
}

TEST_F(DocumentModelTest, BadArgumentsChangeNothing) {
  UIDRef f = TextFrame({0, 0, 100, 100});
  UIDRef spare = TextFrame({0, 0, 5, 5});
  UIDRef story = StoryRef(f);
  const auto before = Db().Image();
  const double nan = std::nan("");
  UIDRef ignored;
  const std::pair<const char*, ErrorCode> cases[] = {
      {"inverted bounds", CreateRectangleFrame(*doc_, layer_, {10, 10, 0, 20}, &ignored)},
      {"NaN bounds", SetBounds(*doc_, f, {0, 0, nan, 10})},
      {"huge bounds", SetBounds(*doc_, f, {0, 0, 1e300, 10})},
      {"frame as layer", CreateRectangleFrame(*doc_, f, {0, 0, 10, 10}, &ignored)},
      {"story as frame", SetFillSwatch(*doc_, UIDList(story), kInvalidUID)},
      {"no such swatch", SetFillSwatch(*doc_, UIDList(f), 999999)},
      {"negative weight", SetStrokeWeight(*doc_, UIDList(f), -1)},
      {"negative inset", SetTextInsets(*doc_, UIDList(f), {-1, 0, 0, 0})},
      {"zero columns", SetColumns(*doc_, UIDList(f), 0, 0)},
      {"65 columns", SetColumns(*doc_, UIDList(f), 65, 0)},
      {"wrap mode 9", SetTextWrap(*doc_, UIDList(f), static_cast<WrapMode>(9), {})},
      {"style that is not one", ApplyObjectStyle(*doc_, UIDList(f), f.GetUID())},
      {"unreadable image", PlaceImage(*doc_, f, "x.png", ImageInfo{})},
      {"anchor beyond the story", ChangeToInline(*doc_, story, 5, spare)},
      {"negative anchor index", ChangeToInline(*doc_, story, -1, spare)},
      {"anchor in its own story", ChangeToInline(*doc_, story, 0, f)},
      {"empty delete", DeletePageItems(*doc_, UIDList(&Db()))},
  };
  for (const auto& [what, code] : cases) EXPECT_EQ(code, kInvalidArgument) << what;
  EXPECT_EQ(Db().Image(), before);
}

TEST_F(DocumentModelTest, UndoOfAFrameSequenceRestoresTheDatabaseExactly) {
  UIDRef main_frame = TextFrame({20, 30, 480, 670}, 2, 10);
  ASSERT_EQ(InsertText(StoryRef(main_frame), 0, u"Hello world\rSecond"), kSuccess);
  Db().Commands().ClearHistory();
  const auto before = Db().Image();

  SequenceId seq = Db().Commands().BeginCommandSequence(u"Import");
  UIDRef f;
  ASSERT_EQ(CreateRectangleFrame(*doc_, layer_, {0, 0, 100, 50}, &f), kSuccess);
  ASSERT_EQ(SetBounds(*doc_, f, {0, 0, 120, 60}), kSuccess);
  ASSERT_EQ(ConvertToTextFrame(*doc_, f), kSuccess);
  ASSERT_EQ(InsertText(StoryRef(f), 0, u"inner"), kSuccess);
  ASSERT_EQ(SetFillSwatch(*doc_, UIDList(f), Swatch(u"Paper")), kSuccess);
  ASSERT_EQ(SetStrokeSwatch(*doc_, UIDList(f), Swatch(u"Black")), kSuccess);
  ASSERT_EQ(SetStrokeWeight(*doc_, UIDList(f), 1.5), kSuccess);
  ASSERT_EQ(SetTextInsets(*doc_, UIDList(f), {2, 2, 2, 2}), kSuccess);
  ASSERT_EQ(SetTextWrap(*doc_, UIDList(f), WrapMode::kJumpObject, {}), kSuccess);
  ASSERT_EQ(SetColumns(*doc_, UIDList(f), 2, 3), kSuccess);
  ASSERT_EQ(ChangeToInline(*doc_, StoryRef(main_frame), 6, f), kSuccess);
  UIDRef pic;
  ASSERT_EQ(CreateRectangleFrame(*doc_, layer_, {0, 0, 80, 80}, &pic), kSuccess);
  ImageInfo info;
  info.ok = true, info.widthPt = 200, info.heightPt = 100, info.pixelWidth = 200,
  info.pixelHeight = 100;
  ASSERT_EQ(PlaceImage(*doc_, pic, "/images/a.png", info), kSuccess);
  ASSERT_EQ(SetImageBounds(*doc_, pic, {0, 0, 100, 50}), kSuccess);
  ASSERT_EQ(ChangeToInline(*doc_, StoryRef(f), 0, pic), kSuccess);
  UIDRef gone;
  ASSERT_EQ(CreateRectangleFrame(*doc_, layer_, {5, 5, 10, 10}, &gone), kSuccess);
  ASSERT_EQ(DeletePageItems(*doc_, UIDList(gone)), kSuccess);
  ASSERT_EQ(Db().Commands().EndCommandSequence(seq), kSuccess);
  const auto after = Db().Image();
  ASSERT_NE(after, before);

  EXPECT_EQ(ImageScale(Db(), ImageOf(Db(), pic.GetUID())), (std::pair<double, double>{0.5, 0.5}));
  EXPECT_EQ(Db().Commands().UndoCount(), 1u);
  ASSERT_EQ(Db().Commands().Undo(), kSuccess);
  EXPECT_EQ(Db().Image(), before);
  ASSERT_EQ(Db().Commands().Redo(), kSuccess);
  EXPECT_EQ(Db().Image(), after);
}

TEST_F(DocumentModelTest, DeletingAnAnchorDeletesTheInlineFrameWithEverythingItHolds) {
  UIDRef top = TextFrame({0, 0, 300, 300});
  ASSERT_EQ(InsertText(StoryRef(top), 0, u"ab"), kSuccess);
  // top's story holds B at 1; B's story holds C; C's story holds a picture frame D.
  UIDRef b = TextFrame({0, 0, 100, 100});
  UIDRef c = TextFrame({0, 0, 50, 50});
  UIDRef d;
  ASSERT_EQ(CreateRectangleFrame(*doc_, layer_, {0, 0, 20, 20}, &d), kSuccess);
  ImageInfo info;
  info.ok = true, info.widthPt = 10, info.heightPt = 10;
  ASSERT_EQ(PlaceImage(*doc_, d, "/i/d.png", info), kSuccess);
  UID d_image = ImageOf(Db(), d.GetUID());
  ASSERT_EQ(ChangeToInline(*doc_, StoryRef(top), 1, b), kSuccess);
  ASSERT_EQ(ChangeToInline(*doc_, StoryRef(b), 0, c), kSuccess);
  ASSERT_EQ(ChangeToInline(*doc_, StoryRef(c), 0, d), kSuccess);
  EXPECT_EQ(Model(top)->Text(0, 3), u"a\uFFFCb");
  EXPECT_EQ(SpreadOf(*doc_, d.GetUID()), SpreadOf(*doc_, top.GetUID()));
  EXPECT_EQ(SpreadLayerOf(*doc_, d.GetUID()), layer_);

  UID b_story = StoryOf(b), c_story = StoryOf(c);
  Db().Commands().ClearHistory();
  const auto before = Db().Image();
  ASSERT_EQ(DeleteText(StoryRef(top), 0, 2), kSuccess);  // "a" and the anchor
  for (UID gone : {b.GetUID(), c.GetUID(), d.GetUID(), d_image, b_story, c_story}) {
    EXPECT_FALSE(Db().Contains(gone)) << gone;
  }
  EXPECT_FALSE(Listed(b_story));
  EXPECT_FALSE(Listed(c_story));
  ASSERT_EQ(Db().Commands().Undo(), kSuccess);
  EXPECT_EQ(Db().Image(), before);

  // Deleting the inline item itself removes its anchor character.
  ASSERT_EQ(DeletePageItems(*doc_, UIDList(b)), kSuccess);
  EXPECT_EQ(Model(top)->Text(0, 2), u"ab");
  EXPECT_FALSE(Db().Contains(c.GetUID()));
}

TEST_F(DocumentModelTest, AnchoringAFrameInsideItselfIsRefused) {
  UIDRef outer = TextFrame({0, 0, 100, 100});
  UIDRef inner = TextFrame({0, 0, 50, 50});
  ASSERT_EQ(ChangeToInline(*doc_, StoryRef(outer), 0, inner), kSuccess);
  // outer into inner's story: inner lives in outer's story, so outer would contain itself.
  EXPECT_EQ(ChangeToInline(*doc_, StoryRef(inner), 0, outer), kInvalidArgument);
  EXPECT_EQ(Model(inner)->TotalLength(), 1u);
}

TEST_F(DocumentModelTest, ThreadAppenderAcceptsAndRefusesWhatThreadFramesDoes) {
  // Inline frames nested as deep as nesting goes: a story one level up may still be
  // threaded on, the innermost one may not.
  std::vector<UIDRef> nest{TextFrame({0, 0, 100, 100})};
  for (int i = 0; i < 64; ++i) {
    UIDRef inner = TextFrame({0, 0, 50, 50});
    ASSERT_EQ(ChangeToInline(*doc_, StoryRef(nest.back()), 0, inner), kSuccess);
    nest.push_back(inner);
  }
  UIDRef with_text = TextFrame({0, 400, 100, 500});
  ASSERT_EQ(InsertText(StoryRef(with_text), 0, u"x"), kSuccess);
  struct Case {
    const char* name;
    UIDRef from, to;
    ErrorCode expected;
  } cases[] = {
      {"one level above the limit", nest[63], TextFrame({0, 200, 100, 300}), kSuccess},
      {"at the limit", nest[64], TextFrame({0, 200, 100, 300}), kInvalidArgument},
      {"a frame with text", nest[0], with_text, kInvalidArgument},
      {"a frame of the story", nest[0], nest[0], kInvalidArgument},
  };
  for (const Case& c : cases) {
    ThreadAppender appender(*doc_, StoryOf(c.from));
    ASSERT_EQ(appender.Append(c.from, c.to), c.expected) << c.name;
    if (c.expected != kSuccess) {
      EXPECT_EQ(ThreadFrames(*doc_, c.from, c.to), c.expected) << c.name;
      continue;
    }
    // Appending again through the same appender, after the frame it added.
    UIDRef next = TextFrame({0, 300, 100, 400});
    ASSERT_EQ(appender.Append(c.to, next), kSuccess) << c.name;
    EXPECT_EQ(StoryThread(*doc_, StoryOf(c.from)),
              (std::vector<UID>{c.from.GetUID(), c.to.GetUID(), next.GetUID()}));
  }
}

TEST_F(DocumentModelTest, PlacingAnImageReplacesTextAndConvertingBackGivesAnEmptyStory) {
  UIDRef f = TextFrame({10, 20, 110, 120});
  UID old_story = StoryOf(f);
  ImageInfo info;
  info.ok = true, info.widthPt = 40, info.heightPt = 30, info.format = "png";
  ASSERT_EQ(PlaceImage(*doc_, f, "/x/y.png", info), kSuccess);
  EXPECT_EQ(KindOf(Db(), f.GetUID()), FrameKind::kPicture);
  EXPECT_FALSE(Db().Contains(old_story));
  UID image = ImageOf(Db(), f.GetUID());
  EXPECT_EQ(Db().Query<IPageItem>(image)->Bounds(), (PMRect{10, 20, 50, 50}));
  EXPECT_EQ(Db().Query<IImageItem>(image)->File(), u"/x/y.png");
  ASSERT_EQ(PlaceImage(*doc_, f, "/x/z.png", info), kSuccess);  // a second image replaces the first
  EXPECT_FALSE(Db().Contains(image));
  ASSERT_EQ(ConvertToTextFrame(*doc_, f), kSuccess);
  EXPECT_EQ(KindOf(Db(), f.GetUID()), FrameKind::kText);
  EXPECT_EQ(Db().Query<IPageItem>(f.GetUID())->Children().size(), 0u);
  EXPECT_TRUE(Listed(StoryOf(f)));
}

TEST_F(DocumentModelTest, TextSelectionStandsForTheFramesThatHoldTheRange) {
  UIDRef a = TextFrame({0, 0, 100, 100});
  UIDRef b = TextFrame({0, 100, 100, 200});
  ASSERT_EQ(ThreadFrames(*doc_, a, b), kSuccess);
  Selection& sel = doc_->GetSelection();
  sel.SelectText(&Db(), {StoryOf(a), 15, 12});
  EXPECT_EQ(sel.Text()->start, 12);
  EXPECT_EQ(sel.SelectedItems().size(), 2u);
  struct Spans : ColumnSpans {
    UID second;
    std::optional<std::pair<int32_t, int32_t>> Span(UID frame, int32_t) const override {
      return frame == second ? std::pair{10, 20} : std::pair{0, 10};
    }
  } spans;
  spans.second = b.GetUID();
  UIDList held = sel.SelectedItems(&spans);
  ASSERT_EQ(held.size(), 1u);
  EXPECT_EQ(held[0], b.GetUID());
  sel.SelectItems(UIDList(a));
  EXPECT_FALSE(sel.Text());
  EXPECT_EQ(sel.SelectedItems()[0], a.GetUID());
  sel.Clear();
  EXPECT_TRUE(sel.IsEmpty());
}

TEST_F(DocumentModelTest, PagesOfFramesOnAMultiPageSpread) {
  UIDRef spread;
  ASSERT_EQ(CreateSpread(*doc_, 2, &spread), kSuccess);
  auto pages = DocumentPages(*doc_);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[2].page.bounds, (PMRect{500, 0, 1000, 700}));
  EXPECT_EQ(PageOfRect(*doc_, spread.GetUID(), {520, 10, 560, 50}).documentIndex, 2);
  EXPECT_EQ(PageOfRect(*doc_, spread.GetUID(), {400, 10, 560, 50}).documentIndex,
            1);  // centre on page 1
  EXPECT_EQ(PageOfRect(*doc_, spread.GetUID(), {-300, -300, -200, -200}).documentIndex,
            1);  // nearest
  EXPECT_EQ(CreateSpread(*doc_, 0), kInvalidArgument);
}

}  // namespace
}  // namespace tarvelin

namespace tarvelin {
namespace {

// Answers as the platform's probe would for a few kinds of file.
class FakeProbe final : public ImageProbe {
 public:
  ImageInfo Probe(const std::filesystem::path& file) const override {
    ImageInfo info;
    std::string name = file.filename().string();
    if (name == "notimage.png") {
      info.error = "unsupported image format";
    } else if (name == "huge.tif") {
      info.ok = true, info.widthPt = 5e6, info.heightPt = 10;
    } else {
      info.ok = true, info.widthPt = 144, info.heightPt = 72, info.format = "png";
    }
    return info;
  }
};

TEST_F(DocumentModelTest, PlacingAFileRefusesWhatIsNotAPlaceableImage) {
  auto dir =
      std::filesystem::temp_directory_path() / ("tarvelin-place-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  for (const char* name : {"ok.png", "notimage.png", "huge.tif"}) std::ofstream(dir / name) << "x";
  UIDRef f;
  ASSERT_EQ(CreateRectangleFrame(*doc_, layer_, {0, 0, 100, 100}, &f), kSuccess);
  FakeProbe probe;
  const auto before = Db().Image();
  const struct {
    const char* file;
    ErrorCode code;
    const char* message;
  } bad[] = {{"missing.png", kNotFound, "no such file"},
             {"notimage.png", kInvalidArgument,
              "not an image that can be placed (unsupported image format)"},
             {"huge.tif", kInvalidArgument, "too large to place"}};
  for (const auto& c : bad) {
    std::string message;
    EXPECT_EQ(PlaceImageFile(*doc_, f, (dir / c.file).string(), probe, &message), c.code) << c.file;
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
  }
  EXPECT_EQ(Db().Image(), before);
  std::string message;
  ASSERT_EQ(PlaceImageFile(*doc_, f, (dir / "ok.png").string(), probe, &message), kSuccess)
      << message;
  EXPECT_EQ(Db().Query<IPageItem>(ImageOf(Db(), f.GetUID()))->Bounds(), (PMRect{0, 0, 144, 72}));
  std::filesystem::remove_all(dir);
}

TEST(ActiveContextTest, TheFrontDocumentFollowsOpeningAndClosing) {
  auto registry = CreateHostRegistry();
  ActiveContext context;
  EXPECT_EQ(context.FrontDocument(), nullptr);
  EXPECT_EQ(context.GetSelection(), nullptr);
  Document* a = context.OpenDocument(Document::Create(registry, PageSetup{}, u"a"));
  Document* b = context.OpenDocument(Document::Create(registry, PageSetup{}, u"b"));
  EXPECT_EQ(context.FrontDocument(), b);
  EXPECT_TRUE(context.SetFrontDocument(a));
  EXPECT_EQ(context.GetSelection(), &a->GetSelection());
  EXPECT_TRUE(context.CloseDocument(a));
  EXPECT_EQ(context.FrontDocument(), b);
  EXPECT_FALSE(context.CloseDocument(a));
  EXPECT_FALSE(context.SetFrontDocument(a));
  EXPECT_TRUE(context.CloseDocument(b));
  EXPECT_EQ(context.FrontDocument(), nullptr);
}

}  // namespace
}  // namespace tarvelin

namespace tarvelin {
namespace {

// Each change by itself: undo gives the database back byte for byte, redo the changed one.
// A setter that forgets to announce its change fails here.
TEST_F(DocumentModelTest, EveryChangeUndoesAndRedoesExactly) {
  UIDRef a = TextFrame({0, 0, 200, 200}, 2, 6);
  UIDRef b = TextFrame({0, 300, 200, 400});
  UIDRef pic;
  ASSERT_EQ(CreateRectangleFrame(*doc_, layer_, {300, 0, 400, 100}, &pic), kSuccess);
  ImageInfo info;
  info.ok = true, info.widthPt = 50, info.heightPt = 25;
  ASSERT_EQ(PlaceImage(*doc_, pic, "/p.png", info), kSuccess);
  ASSERT_EQ(InsertText(StoryRef(a), 0, u"one two three"), kSuccess);
  ObjectStyleAttributes attrs;
  attrs.fill = Swatch(u"Paper");
  attrs.wrapMode = WrapMode::kBoundingBox;
  attrs.wrapOffsets = {1, 1, 1, 1};
  UIDRef style;
  ASSERT_EQ(CreateObjectStyle(*doc_, u"S", attrs, &style), kSuccess);

  const std::pair<const char*, std::function<ErrorCode()>> changes[] = {
      {"new frame",
       [&] {
         return CreateRectangleFrame(*doc_, layer_, {1, 1, 2, 2});
       }},
      {"new text frame",
       [&] {
         return CreateTextFrame(*doc_, layer_, {1, 1, 2, 2}, 3, 1);
       }},
      {"resize",
       [&] {
         return SetBounds(*doc_, a, {5, 5, 50, 50});
       }},
      {"picture bounds",
       [&] {
         return SetImageBounds(*doc_, pic, {300, 0, 500, 100});
       }},
      {"fill", [&] { return SetFillSwatch(*doc_, UIDList(a), Swatch(u"Black")); }},
      {"stroke", [&] { return SetStrokeSwatch(*doc_, UIDList(a), Swatch(u"Black")); }},
      {"weight", [&] { return SetStrokeWeight(*doc_, UIDList(a), 3); }},
      {"insets",
       [&] {
         return SetTextInsets(*doc_, UIDList(a), {1, 2, 3, 4});
       }},
      {"wrap",
       [&] {
         return SetTextWrap(*doc_, UIDList(pic), WrapMode::kContour, {2, 2, 2, 2});
       }},
      {"columns", [&] { return SetColumns(*doc_, UIDList(a), 4, 2); }},
      {"object style", [&] { return ApplyObjectStyle(*doc_, UIDList(a), style.GetUID()); }},
      {"new object style", [&] { return CreateObjectStyle(*doc_, u"T", attrs); }},
      {"thread", [&] { return ThreadFrames(*doc_, a, b); }},
      {"convert picture", [&] { return ConvertToTextFrame(*doc_, pic); }},
      {"place over text", [&] { return PlaceImage(*doc_, a, "/q.png", info); }},
      {"inline", [&] { return ChangeToInline(*doc_, StoryRef(a), 4, b); }},
      {"delete text frame", [&] { return DeletePageItems(*doc_, UIDList(a)); }},
      {"delete picture frame", [&] { return DeletePageItems(*doc_, UIDList(pic)); }},
      {"new spread", [&] { return CreateSpread(*doc_, 2); }},
  };
  for (const auto& [what, change] : changes) {
    Db().Commands().ClearHistory();
    const auto before = Db().Image();
    ASSERT_EQ(change(), kSuccess) << what;
    const auto after = Db().Image();
    EXPECT_NE(after, before) << what;
    ASSERT_EQ(Db().Commands().Undo(), kSuccess) << what;
    EXPECT_EQ(Db().Image(), before) << what;
    ASSERT_EQ(Db().Commands().Redo(), kSuccess) << what;
    EXPECT_EQ(Db().Image(), after) << what;
    ASSERT_EQ(Db().Commands().Undo(), kSuccess)
        << what;  // the next change starts from the same state
  }
}

}  // namespace
}  // namespace tarvelin
