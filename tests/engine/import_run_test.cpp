#include <gtest/gtest.h>

#include <algorithm>

#include "core/string_table.h"
#include "core/utf16.h"
#include "engine_fixture.h"
#include "host/documents/object_style.h"
#include "host/text/text_commands.h"

namespace tarvelin::testing {
namespace {

using plugin_ids::kImportAndProcessAction;
using plugin_ids::kProcessAction;
using plugin_ids::kReconnectAction;

size_t Count(const std::u16string& text, std::u16string_view what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::u16string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::u16string MissingLine(std::u16string_view name) {
  return KInDesignCommon::FormatKey("0x113380kZevStringCouldNotOpenGraphicsFileKey",
                                    {std::u16string(name)});
}

TEST_F(EngineTest, ImportReplacesDefinitionsByStyledTaggedInlineFrames) {
  SetImageFolders({{2, dir_ / "img2"}, {4, dir_ / "img4"}});
  WritePng(dir_ / "img2" / "pic.png", 200, 100);
  WritePng(dir_ / "img4" / "pic.png", 10, 10);
  const auto file = FrameFile(
      "@Normal:Before {#WT hs=100pt, t1=\"A, B\", xmlns:box=x}Hello{$} middle "
      "{#WG fn=pic.png, XMLNS:BOX=y}{$} and {#WG fn=gone.png, vs=30pt}{$} end.\r\n");
  ASSERT_TRUE(Perform(kImportAndProcessAction));

  const std::u16string text = Text(Story());
  EXPECT_EQ(text.find(u'<'), std::u16string::npos) << ToUtf8(text);
  // The header line goes with its line end: no empty first paragraph.
  EXPECT_EQ(text.substr(0, 9), u"Before \uFFFC ");
  const std::vector<UID> frames = Inline(Story());
  ASSERT_EQ(frames.size(), 3u);
  ASSERT_EQ(Count(text, u"\uFFFC"), 3u);

  // The text box: its content, width, wrap and attributes in order, without xmlns:box.
  EXPECT_EQ(Text(Db().Query<ITextFrame>(frames[0])->Story()), u"Hello\r");
  auto box = Db().Query<IPageItem>(frames[0]);
  EXPECT_DOUBLE_EQ(box->Bounds().Width(), 100);
  EXPECT_DOUBLE_EQ(box->Bounds().Height(), 40);  // fitted to its content
  EXPECT_EQ(Db().Query<IGraphicAttributes>(frames[0])->Wrap(), WrapMode::kJumpObject);
  using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;
  EXPECT_EQ(Attributes(frames[0]), (Pairs{{u"FitContentToFrame", u"kTrue"},
                                          {u"kInDesignElement_ListOfAttributesKey", u"hs t1 "},
                                          {u"hs", u"100pt"},
                                          {u"t1", u"A, B"}}));

  // The picture comes from the first folder that has it; the picture attributes come
  // before the definition's, of which "xmlns:box" in any case is left out.
  ASSERT_EQ(KindOf(Db(), frames[1]), FrameKind::kPicture);
  auto image = Db().Query<IImageItem>(ImageOf(Db(), frames[1]));
  EXPECT_EQ(std::filesystem::path(image->File()), dir_ / "img2" / "pic.png");
  EXPECT_EQ(Attributes(frames[1]), (Pairs{{u"imageType", u"true"},
                                          {u"imageLoaded", u"true"},
                                          {u"imageFilename", u"pic.png"},
                                          {u"FitContentToFrame", u"kTrue"},
                                          {u"kInDesignElement_ListOfAttributesKey", u"fn "},
                                          {u"fn", u"pic.png"}}));

  // The missing one keeps its placeholder and says so.
  EXPECT_EQ(KindOf(Db(), frames[2]), FrameKind::kText);
  EXPECT_EQ(Text(Db().Query<ITextFrame>(frames[2])->Story()), u"Image file missing\r");
  EXPECT_EQ(Attribute(frames[2], u"imageLoaded"), u"false");
  EXPECT_EQ(Attribute(frames[2], u"imageFilename"), u"gone.png");
  ASSERT_EQ(alerts_.shown.size(), 1u);
  EXPECT_EQ(alerts_.titles[0], u"Brak danych");
  EXPECT_NE(alerts_.shown[0].find(u"gone.png"), std::u16string::npos);

  // Fitting: text frame to content, placed picture to the column width, a missing
  // picture with a height not at all.
  ASSERT_EQ(layout_.calls.size(), 2u);
  EXPECT_EQ(layout_.calls[0].frame, frames[0]);
  EXPECT_EQ(layout_.calls[0].type, FitType::kFrameToContent);
  EXPECT_EQ(layout_.calls[1].frame, frames[1]);
  EXPECT_EQ(layout_.calls[1].type, FitType::kPictureToWidth);
  EXPECT_DOUBLE_EQ(layout_.calls[1].width, 523);

  const auto started = KInDesignCommon::FormatKey("0x113380kZevStringLogStartedReadingFileKey",
                                                  {FromUtf8(file.string())});
  const auto encoding = KInDesignCommon::FormatKey("0x113380kZevStringLogEncodingKey",
                                                   {u"ad.rmk", u"Windows Central European"});
  EXPECT_EQ(LogLines(dir_ / "ad.log"),
            (std::vector<std::u16string>{started, u"", encoding, MissingLine(u"gone.png")}));
  EXPECT_FALSE(KInDesignCommon::IsLogOpen());

  const RunReport& report = Report();
  EXPECT_TRUE(report.targetFound && report.fileChosen && report.textImported);
  EXPECT_FALSE(report.cancelled || report.failed);
  EXPECT_EQ(report.framesCreated, 3);
  EXPECT_EQ(report.picturesPlaced, 1);
  EXPECT_EQ(report.picturesMissing, 1);
  EXPECT_EQ(report.logFile, dir_ / "ad.log");
  EXPECT_EQ(report.warnings, std::vector<std::u16string>{MissingLine(u"gone.png")});
  ASSERT_EQ(chooser_.filters.size(), 2u);
  EXPECT_EQ(chooser_.filters[0].description, u"Frame (rmk)");
  EXPECT_EQ(chooser_.filters[1].extension, "txt");
}

TEST_F(EngineTest, OneUndoRestoresTheDocumentExactly) {
  FrameFile(
      "@Normal:A {#WT t1=a, fc=\"CMYK:PROCESS:0,1,1,0\"}x{$} {#BE hs=200pt}{#WT t1=in}Inner{$}"
      "{#WG fn=none.png}{$}{$$} B\r\n");
  const std::vector<uint8_t> before = Db().Image();
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  auto& commands = Db().Commands();
  EXPECT_EQ(commands.UndoCount(), 1u);
  EXPECT_EQ(commands.UndoName(), u"Tarvelin: Import");
  const std::vector<uint8_t> after = Db().Image();
  EXPECT_NE(after, before);
  ASSERT_EQ(commands.Undo(), kSuccess);
  EXPECT_EQ(Db().Image(), before);
  ASSERT_EQ(commands.Redo(), kSuccess);
  EXPECT_EQ(Db().Image(), after);
}

TEST_F(EngineTest, AGroupBecomesAFrameWhoseInnerBoxesAreInlineFramesOfItsStory) {
  FrameFile("@Normal:A {#BE hs=200pt, t1=g}{#WT t1=in}Inner{$}{#DT t1=two}Two{$}{$$} B\r\n");
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  const std::vector<UID> outer = Inline(Story());
  ASSERT_EQ(outer.size(), 1u);
  const UID groupStory = Db().Query<ITextFrame>(outer[0])->Story();
  EXPECT_EQ(Text(groupStory).find(u'<'), std::u16string::npos) << ToUtf8(Text(groupStory));
  const std::vector<UID> inner = Inline(groupStory);
  ASSERT_EQ(inner.size(), 2u);
  EXPECT_EQ(Text(Db().Query<ITextFrame>(inner[0])->Story()), u"Inner\r");
  EXPECT_EQ(Text(Db().Query<ITextFrame>(inner[1])->Story()), u"Two\r");
  EXPECT_EQ(Attribute(inner[1], u"t1"), u"two");
  EXPECT_EQ(Attribute(outer[0], u"t1"), u"g");
  // Inner frames are as wide as the group's column.
  EXPECT_DOUBLE_EQ(Db().Query<IPageItem>(inner[0])->Bounds().Width(), 200);
  EXPECT_EQ(Report().framesCreated, 3);
}

TEST_F(EngineTest, WidthIsCappedByTheColumnAndDefaultsToIt) {
  FrameFile("@Normal:A {#WT hs=900pt, t1=a}x{$} {#WT t1=b, vs=20pt}y{$} B\r\n");
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  const std::vector<UID> frames = Inline(Story());
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_DOUBLE_EQ(Db().Query<IPageItem>(frames[0])->Bounds().Width(), 523);
  auto second = Db().Query<IPageItem>(frames[1]);
  EXPECT_DOUBLE_EQ(second->Bounds().Width(), 523);
  EXPECT_DOUBLE_EQ(second->Bounds().Height(), 20);
  EXPECT_EQ(layout_.composed, 0);  // one column width: no composition needed to find it
}

TEST_F(EngineTest, TheDefaultFrameSizeIsTheFirstDocumentsPage) {
  // A placed picture without a height keeps the default height: the fitting of a picture
  // to the column leaves its frame alone.
  SetImageFolders({{1, dir_ / "img"}});
  WritePng(dir_ / "img" / "p.png", 40, 20);
  FrameFile("@Normal:A {#WG fn=p.png}{$} B\r\n");
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  ASSERT_EQ(Inline(Story()).size(), 1u);
  EXPECT_DOUBLE_EQ(Db().Query<IPageItem>(Inline(Story())[0])->Bounds().Height(),
                   PageSetup{}.height);

  PageSetup small;
  small.width = 300;
  small.height = 400;
  Document* second =
      app_->Context().OpenDocument(Document::Create(app_->Registry(), small, u"Small"));
  ASSERT_NE(second, nullptr);
  UIDRef frame;
  ASSERT_EQ(
      CreateTextFrame(*second, second->DefaultSpreadLayer(), {36, 36, 264, 364}, 1, 12, &frame),
      kSuccess);
  Database& db = second->DataBase();
  const UID story = db.Query<ITextFrame>(frame.GetUID())->Story();
  ASSERT_EQ(InsertText({&db, story}, 0, u"x <boxpicture fn=\"p.png\"/> y and more"), kSuccess);
  second->GetSelection().SelectItems(UIDList(frame));
  ASSERT_TRUE(Perform(kProcessAction));
  const std::vector<UID> frames = story::AnchoredItems(db, story);
  ASSERT_EQ(frames.size(), 1u);
  auto item = db.Query<IPageItem>(frames[0]);
  EXPECT_DOUBLE_EQ(item->Bounds().Width(), 228);                  // the column of this document
  EXPECT_DOUBLE_EQ(item->Bounds().Height(), PageSetup{}.height);  // the first one's page
}

TEST_F(EngineTest, ProcessRunsOverTheTextAlreadyInTheFrameAndLogsToTheCacheFolder) {
  ASSERT_EQ(InsertText({&Db(), Story()}, 0,
                       u"x <boxtext t1=\"B\" vs=\"20pt\">\rBody</boxtext> y and more text"),
            kSuccess);
  ASSERT_TRUE(Perform(kProcessAction));
  const std::vector<UID> frames = Inline(Story());
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(Text(Story()), u"x \uFFFC y and more text\r");
  EXPECT_EQ(Text(Db().Query<ITextFrame>(frames[0])->Story()), u"Body\r");
  EXPECT_EQ(Db().Commands().UndoName(), u"Tarvelin: Import");
  const auto log = dir_ / "cache" / "tarvelin" / "Ad.txt";
  EXPECT_EQ(Report().logFile, log);
  EXPECT_EQ(LogLines(log), (std::vector<std::u16string>{u"", u"Finished import process."}));
  EXPECT_TRUE(Report().warnings.empty());
}

TEST_F(EngineTest, TheProcessLogIsNamedAfterTheDocument) {
  struct Case {
    const char* what;
    std::filesystem::path file;  // where the document was saved; empty: never saved
    const char* log;
  };
  for (const Case& c : {Case{"unsaved: its title", {}, "Ad.txt"},
                        Case{"saved: its file's name", dir_ / "Ad.indd", "Ad.indd.txt"},
                        Case{"a file name without extension", dir_ / "proof", "proof.txt"}}) {
    SCOPED_TRACE(c.what);
    doc_->SetFile(c.file);
    doc_->GetSelection().SelectItems(UIDList(frame_));
    ASSERT_TRUE(Perform(kProcessAction));
    const auto log = dir_ / "cache" / "tarvelin" / c.log;
    EXPECT_EQ(Report().logFile, log);
    EXPECT_EQ(LogLines(log), (std::vector<std::u16string>{u"", u"Finished import process."}));
  }
}

TEST_F(EngineTest, PicturesBesideTheFrameFileAndThenBesideTheDocument) {
  std::filesystem::create_directories(dir_ / "ads");
  std::filesystem::create_directories(dir_ / "docs");
  WritePng(dir_ / "ads" / "near.png", 8, 8);
  WritePng(dir_ / "docs" / "home.png", 8, 8);
  FrameFile("@Normal:A {#WG fn=near.png}{$} {#WG fn=home.png}{$} B\r\n", "ads/ad.rmk");
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  std::vector<UID> frames = Inline(Story());
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(Attribute(frames[0], u"imageLoaded"), u"true");  // beside the frame file
  EXPECT_EQ(Attribute(frames[1], u"imageLoaded"), u"false");

  // The action is over: a process run looks beside the document, not the frame file,
  // and an unsaved document has no folder of its own.
  for (const bool saved : {false, true}) {
    SCOPED_TRACE(saved ? "saved" : "unsaved");
    doc_->SetFile(saved ? dir_ / "docs" / "Ad.tvd" : std::filesystem::path());
    const UID story = Story();
    ASSERT_EQ(InsertText({&Db(), story}, Model(story)->TotalLength() - 1,
                         u" <boxpicture fn=\"near.png\"/> <boxpicture fn=\"home.png\"/> end"),
              kSuccess);
    doc_->GetSelection().SelectItems(UIDList(frame_));
    ASSERT_TRUE(Perform(kProcessAction));
    frames = Inline(Story());
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(Attribute(frames[frames.size() - 2], u"imageLoaded"), u"false");
    EXPECT_EQ(Attribute(frames.back(), u"imageLoaded"), saved ? u"true" : u"false");
  }
}

TEST_F(EngineTest, WithoutATextFrameNothingChanges) {
  struct Case {
    const char* what;
    bool select;
    bool pictureFrame;
    size_t alerts;
  };
  for (const Case& c : {Case{"empty selection", false, false, 0},
                        Case{"a frame that holds no text", true, true, 0}}) {
    SCOPED_TRACE(c.what);
    UIDRef empty;
    ASSERT_EQ(CreateRectangleFrame(*doc_, doc_->DefaultSpreadLayer(), {0, 0, 50, 50}, &empty),
              kSuccess);
    Db().Commands().ClearHistory();
    doc_->GetSelection().SelectItems(c.select ? UIDList(empty) : UIDList());
    FrameFile("@Normal:A {#WT t1=a}x{$} B\r\n");
    const auto before = Db().Image();
    ASSERT_TRUE(Perform(kImportAndProcessAction));
    EXPECT_EQ(Db().Image(), before);
    EXPECT_EQ(alerts_.information.size(), c.alerts);
    EXPECT_FALSE(Report().targetFound);
  }
  // No document at all: the alert that asks for a frame.
  app_->Context().CloseDocument(doc_);
  doc_ = nullptr;
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  ASSERT_EQ(alerts_.information.size(), 1u);
  EXPECT_EQ(alerts_.information[0], Translate("0x113380kZevFrameDidntChooseElementKey"));
}

TEST_F(EngineTest, PictureNamesThatArePathsAreNeverLookedUp) {
  std::filesystem::create_directories(dir_ / "sub");
  WritePng(dir_ / "secret.png", 5, 5);
  SetImageFolders({{1, dir_ / "sub"}});
  const std::string absolute = (dir_ / "secret.png").string();
  FrameFile(
      "@Normal:A {#WG fn=../secret.png}{$} {#WG fn=\"" + absolute + "\"}{$} {#WG fn=..}{$} B\r\n",
      "sub/ad.rmk");
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  const std::vector<UID> frames = Inline(Story());
  ASSERT_EQ(frames.size(), 3u);
  for (UID frame : frames) {
    EXPECT_EQ(KindOf(Db(), frame), FrameKind::kText);
    EXPECT_EQ(Attribute(frame, u"imageLoaded"), u"false");
  }
  size_t refused = 0;
  for (const auto& line : Report().warnings)
    refused += line.find(u"not a plain file name") != std::u16string::npos;
  EXPECT_EQ(refused, 3u);
  EXPECT_EQ(Report().picturesMissing, 3);
}

TEST_F(EngineTest, AnImageThatCannotBeReadIsReportedAsMissing) {
  SetImageFolders({{1, dir_ / "img"}});
  std::ofstream(dir_ / "img" / "bad.png", std::ios::binary) << "not an image";
  FrameFile("@Normal:A {#WG fn=bad.png}{$} B\r\n");
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  const std::vector<UID> frames = Inline(Story());
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(KindOf(Db(), frames[0]), FrameKind::kText);
  EXPECT_EQ(Attribute(frames[0], u"imageLoaded"), u"false");
  // The failed placing is the diagnostic's own line; its cause follows on the next.
  EXPECT_NE(diagnostics_.find("\nKInDesignCommon::LoadImageUsingPlaceGun: Command failed!\n"),
            std::string::npos)
      << diagnostics_;
  const auto& warnings = Report().warnings;
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_NE(warnings[0].find(u"bad.png"), std::u16string::npos);
  EXPECT_EQ(warnings[1], MissingLine(u"bad.png"));
  EXPECT_EQ(alerts_.shown.size(), 1u);
}

TEST_F(EngineTest, PictureWarningsComeFromTheStringTables) {
  struct Restore {
    ~Restore() { SetLanguage(Language::kEnglish); }
  } restore;
  SetLanguage(Language::kPolish);
  SetImageFolders({{1, dir_ / "img"}});
  std::ofstream(dir_ / "img" / "bad.png", std::ios::binary) << "not an image";
  FrameFile("@Normal:A {#WG fn=../x.png}{$} {#WG fn=bad.png}{$} B\r\n");
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  const auto& warnings = Report().warnings;
  ASSERT_EQ(warnings.size(), 4u);
  EXPECT_EQ(warnings[0],
            u"Nazwa pliku obrazu \"../x.png\" jest ścieżką, a nie samą nazwą pliku; "
            u"pliku nie szukano.");
  EXPECT_EQ(warnings[1], MissingLine(u"../x.png"));
  const std::u16string placing = u"Nie udało się umieścić pliku obrazu \"" +
                                 FromUtf8((dir_ / "img" / "bad.png").string()) + u"\": ";
  EXPECT_EQ(warnings[2].substr(0, placing.size()), placing);
  EXPECT_EQ(warnings[3], MissingLine(u"bad.png"));
}

TEST_F(EngineTest, TryAgainSilencesTheAlertsAndCancelLeavesTheRestAsText) {
  const std::string body =
      "@Normal:A {#WG fn=a.png}{$} {#WG fn=b.png}{$} {#WT os=NoStyle}c{$} B\r\n";
  {
    FrameFile(body);
    alerts_.answers = {AlertAnswer::kTryAgain};
    ASSERT_TRUE(Perform(kImportAndProcessAction));
    EXPECT_EQ(alerts_.shown.size(), 1u);
    EXPECT_EQ(Inline(Story()).size(), 3u);
    const auto& warnings = Report().warnings;
    ASSERT_EQ(warnings.size(), 3u);  // still logged
    EXPECT_EQ(warnings[2], KInDesignCommon::FormatKey("0x113380kZevStringLogNoSuchObjectStyleKey",
                                                      {u"NoStyle"}));
  }
  ASSERT_EQ(Db().Commands().Undo(), kSuccess);
  doc_->GetSelection().SelectItems(UIDList(frame_));
  alerts_.shown.clear();
  {
    FrameFile(body);
    alerts_.answers = {AlertAnswer::kCancel};
    ASSERT_TRUE(Perform(kImportAndProcessAction));
    EXPECT_EQ(alerts_.shown.size(), 1u) << diagnostics_;
    const std::vector<UID> frames = Inline(Story());
    ASSERT_EQ(frames.size(), 1u);  // the frame being made is finished
    EXPECT_EQ(Attribute(frames[0], u"imageLoaded"), u"false");
    EXPECT_EQ(Count(Text(Story()), u"<boxpicture"), 1u);
    EXPECT_EQ(Count(Text(Story()), u"<boxtext"), 1u);
    EXPECT_TRUE(Report().cancelled);
    EXPECT_EQ(Db().Commands().UndoName(), u"Tarvelin: Import");  // ended, not aborted
  }
}

TEST_F(EngineTest, FittingFollowsHeightPictureAndSelector) {
  SetImageFolders({{1, dir_ / "img"}});
  WritePng(dir_ / "img" / "p.png", 40, 20);
  FrameFile(
      "@Normal:A {#WG fn=p.png, sp=1}{$} {#WG fn=p.png, sp=0}{$} {#WG fn=p.png, sp=-2}{$} "
      "{#WG fn=p.png, sp=-4}{$} {#WG fn=p.png, vs=50pt, sp=0}{$} {#WG fn=missing.png}{$} "
      "{#WG fn=p.png, sp=-1}{$} {#WT t1=after}z{$} B\r\n");
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  const std::vector<UID> frames = Inline(Story());
  ASSERT_EQ(frames.size(), 7u);  // the failed fitting stops the pass after its frame
  std::vector<std::pair<size_t, FitType>> got;
  for (const auto& call : layout_.calls) {
    size_t i =
        static_cast<size_t>(std::find(frames.begin(), frames.end(), call.frame) - frames.begin());
    got.emplace_back(i, call.type);
  }
  using F = FitType;
  EXPECT_EQ(got, (std::vector<std::pair<size_t, FitType>>{{0, F::kContentProportionally},
                                                          {1, F::kContentToFrame},
                                                          {2, F::kFrameToPictureHeight},
                                                          {2, F::kFillProportionally},
                                                          {3, F::kPictureToWidth},
                                                          {4, F::kContentProportionally},
                                                          {5, F::kFrameToContent}}));
  EXPECT_EQ(Count(Text(Story()), u"<boxtext"), 1u);
  const auto& warnings = Report().warnings;
  ASSERT_GE(warnings.size(), 2u);
  EXPECT_EQ(warnings[warnings.size() - 2], u"Fitting of the box:picture frame could not be done.");
  EXPECT_EQ(warnings.back(), u"Newly created frame is UIDRef::gNull!");
}

TEST_F(EngineTest, StylesColoursAndStrokeComeFromTheDocument) {
  ObjectStyleAttributes style;
  style.strokeWeight = 3;
  UIDRef adStyle;
  ASSERT_EQ(CreateObjectStyle(*doc_, u"Ad", style, &adStyle), kSuccess);
  Db().Commands().ClearHistory();
  FrameFile(
      "@Normal:A {#WT os=Ad, fc=\"CMYK:PROCESS:0,1,1,0\", bc=\"RGB:PROCESS:1,0,0\", fw=2pt}a{$} "
      "{#WT fc=\"CMYK:PROCESS:0,1,1,0\"}b{$} {#WT os=Nope, fc=\"SWATCHNAME:Nope\"}c{$} B\r\n");
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  const std::vector<UID> frames = Inline(Story());
  ASSERT_EQ(frames.size(), 3u);
  auto first = Db().Query<IGraphicAttributes>(frames[0]);
  auto second = Db().Query<IGraphicAttributes>(frames[1]);
  auto third = Db().Query<IGraphicAttributes>(frames[2]);
  EXPECT_EQ(first->ObjectStyle(), adStyle.GetUID());
  EXPECT_DOUBLE_EQ(first->StrokeWeight(), 2);  // the definition's weight after the style's
  EXPECT_NE(first->FillSwatch(), kInvalidUID);
  EXPECT_NE(first->StrokeSwatch(), kInvalidUID);
  EXPECT_EQ(second->FillSwatch(), first->FillSwatch());  // same values, one swatch
  EXPECT_EQ(third->ObjectStyle(), kInvalidUID);
  const std::u16string noSwatch =
      KInDesignCommon::FormatKey("0x113380kZevStringLogNoSuchSwatchKey", {u"Nope"});
  EXPECT_EQ(Report().warnings,
            (std::vector<std::u16string>{
                KInDesignCommon::FormatKey("0x113380kZevStringLogNoSuchObjectStyleKey", {u"Nope"}),
                noSwatch}));
  EXPECT_EQ(alerts_.shown.size(), 2u);
  EXPECT_EQ(alerts_.shown[1], noSwatch);
}

TEST_F(EngineTest, ReconnectFindsAPictureAddedAfterwards) {
  FrameFile("@Normal:A {#WG fn=late.png}{$} {#WT t1=t}x{$} B\r\n");
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  const std::vector<UID> frames = Inline(Story());
  ASSERT_EQ(frames.size(), 2u);
  ASSERT_EQ(Attribute(frames[0], u"imageLoaded"), u"false");

  SetImageFolders({{3, dir_ / "later"}});
  WritePng(dir_ / "later" / "late.png", 30, 30);
  doc_->GetSelection().SelectItems(UIDList{&Db()});
  UIDList selection(&Db());
  selection.Append(frames[1]);  // not a missing picture: left alone
  selection.Append(frames[0]);
  doc_->GetSelection().SelectItems(selection);
  ASSERT_TRUE(Perform(kReconnectAction));
  ASSERT_EQ(KindOf(Db(), frames[0]), FrameKind::kPicture);
  EXPECT_EQ(std::filesystem::path(Db().Query<IImageItem>(ImageOf(Db(), frames[0]))->File()),
            dir_ / "later" / "late.png");
  EXPECT_EQ(Attribute(frames[0], u"imageLoaded"), u"true");
  EXPECT_EQ(KindOf(Db(), frames[1]), FrameKind::kText);
  EXPECT_EQ(Db().Commands().UndoName(), u"Tarvelin: Reconnect missing graphics file");
  EXPECT_EQ(Report().picturesPlaced, 1);
  ASSERT_EQ(Report().warnings.size(), 1u);  // no fitting type was stored
  EXPECT_NE(Report().warnings[0].find(u"fitting type"), std::u16string::npos);
}

TEST_F(EngineTest, CancelInReconnectTakesBackWhatItPlaced) {
  FrameFile("@Normal:A {#WG fn=one.png}{$} {#WG fn=two.png}{$} {#WG fn=False.png}{$} B\r\n");
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  const std::vector<UID> frames = Inline(Story());
  ASSERT_EQ(frames.size(), 3u);
  SetImageFolders({{1, dir_ / "img"}});
  WritePng(dir_ / "img" / "one.png", 8, 8);
  WritePng(dir_ / "img" / "False.png", 8, 8);
  // A value in another case is not "false": that frame is not searched for.
  {
    auto seq = Db().Commands().BeginCommandSequence(u"edit");
    Db().Query<IAdvertisementAttributes>(frames[2])->SetAttribute(u"imageLoaded", u"False");
    Db().Commands().EndCommandSequence(seq);
  }
  const size_t undoBefore = Db().Commands().UndoCount();
  UIDList all(&Db());
  for (UID f : frames) all.Append(f);
  doc_->GetSelection().SelectItems(all);
  alerts_.shown.clear();
  alerts_.answers = {AlertAnswer::kCancel};
  ASSERT_TRUE(Perform(kReconnectAction));
  EXPECT_EQ(alerts_.shown.size(), 1u);
  EXPECT_TRUE(Report().cancelled);
  for (UID f : frames) EXPECT_EQ(KindOf(Db(), f), FrameKind::kText);
  EXPECT_EQ(Attribute(frames[0], u"imageLoaded"), u"false");
  EXPECT_EQ(Db().Commands().UndoCount(), undoBefore);
}

}  // namespace
}  // namespace tarvelin::testing

namespace tarvelin::testing {
namespace {

TEST_F(EngineTest, TheExtensionChoosesTheImportPath) {
  // A text file is imported as it stands and then processed; its log ends the run.
  {
    chooser_.file = dir_ / "ad.txt";
    std::ofstream(*chooser_.file, std::ios::binary)
        << "x <boxtext t1=\"T\">\r\nBody</boxtext> y and some more text\r\n";
    ASSERT_TRUE(Perform(kImportAndProcessAction));
    const std::vector<UID> frames = Inline(Story());
    ASSERT_EQ(frames.size(), 1u) << diagnostics_;
    EXPECT_EQ(Attribute(frames[0], u"t1"), u"T");
    const auto lines = LogLines(dir_ / "ad.log");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), u"Finished import process.");
  }
  // The extension is compared ignoring case; an rmk log has no closing line.
  {
    doc_->GetSelection().SelectItems(UIDList(frame_));
    FrameFile("@Normal:A {#WT t1=caps}x{$} B\r\n", "caps.RMK");
    ASSERT_TRUE(Perform(kImportAndProcessAction));
    EXPECT_TRUE(Report().textImported);
    EXPECT_EQ(Report().framesCreated, 1);
    const auto lines = LogLines(dir_ / "caps.log");
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back(), u"Finished import process.");
  }
  // Cancelling the chooser imports nothing.
  doc_->GetSelection().SelectItems(UIDList(frame_));
  chooser_.file.reset();
  const auto before = Db().Image();
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  EXPECT_TRUE(Report().cancelled);
  EXPECT_FALSE(Report().fileChosen);
  EXPECT_EQ(Db().Image(), before);
}

}  // namespace
}  // namespace tarvelin::testing

namespace tarvelin::testing {
namespace {

// The about box names the loaded module and its revision; both About actions show it.
TEST_F(EngineTest, TheAboutActionsShowTheComponentsAndTheRevisionLine) {
  for (ActionID action : {plugin_ids::kAboutAction, plugin_ids::kAboutAction2}) {
    alerts_.information.clear();
    ASSERT_TRUE(Perform(action));
    ASSERT_EQ(alerts_.information.size(), 1u);
    const std::u16string& text = alerts_.information[0];
    EXPECT_EQ(text.rfind(u"Components:\n", 0), 0u) << ToUtf8(text);
    EXPECT_NE(text.find(u"Tarvelin 1.1"), std::u16string::npos) << ToUtf8(text);
    EXPECT_NE(text.find(u"(revision: 10366)"), std::u16string::npos) << ToUtf8(text);
  }
}

}  // namespace
}  // namespace tarvelin::testing
