// What an import run measures and what it keeps between its frames: the stage times of
// the report, and the images probed once per run.
#include <chrono>
#include <filesystem>
#include <map>

#include "engine_fixture.h"
#include "host/text/text_commands.h"

namespace tarvelin::testing {
namespace {

using plugin_ids::kImportAndProcessAction;
using plugin_ids::kProcessAction;

class CountingProbe final : public ImageProbe {
 public:
  ImageInfo Probe(const std::filesystem::path& file) const override {
    ++calls[file.filename().string()];
    return inner.Probe(file);
  }
  FakeImageProbe inner;
  mutable std::map<std::string, int> calls;
};

class RunStagesTest : public EngineTest {
 protected:
  void SetUp() override {
    images_ = &counting_;
    EngineTest::SetUp();
  }
  // The pixel width of the image placed in a picture frame; 0 when it holds none.
  int32_t ImageWidth(UID frame) {
    auto image = Db().Query<IImageItem>(ImageOf(Db(), frame));
    return image ? image->PixelWidth() : 0;
  }

  CountingProbe counting_;
};

TEST_F(RunStagesTest, AnImageIsProbedOncePerRunAndAgainInTheNext) {
  WritePng(dir_ / "logo.png", 80, 20);
  WritePng(dir_ / "photo.png", 30, 30);
  FrameFile(
      "@Normal:A {#WG fn=logo.png}{$} B {#WG fn=photo.png}{$} C {#WG fn=logo.png}{$}\r\n"
      "@Normal:{#BE hs=200pt}\r\n{#WG fn=logo.png}{$}{$$} D\r\n");
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  EXPECT_EQ(Report().picturesPlaced, 3);
  EXPECT_EQ(counting_.calls, (std::map<std::string, int>{{"logo.png", 1}, {"photo.png", 1}}));
  const std::vector<UID> frames = Inline(Story());
  ASSERT_EQ(frames.size(), 4u);
  // The repeated picture got the same answer both times.
  EXPECT_EQ(ImageWidth(frames[0]), 80);
  EXPECT_EQ(ImageWidth(frames[1]), 30);
  EXPECT_EQ(ImageWidth(frames[2]), 80);

  // A changed file is probed again by the next run, whose frames take its new size.
  WritePng(dir_ / "logo.png", 160, 20);
  std::filesystem::last_write_time(
      dir_ / "logo.png",
      std::filesystem::last_write_time(dir_ / "logo.png") + std::chrono::seconds(2));
  FrameFile("@Normal:E {#WG fn=logo.png}{$} F {#WG fn=logo.png}{$}\r\n");
  doc_->GetSelection().SelectItems(UIDList(frame_));
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  EXPECT_EQ(Report().picturesPlaced, 2);
  EXPECT_EQ(counting_.calls["logo.png"], 2);
  const std::vector<UID> after = Inline(Story());
  ASSERT_EQ(after.size(), 6u);
  EXPECT_EQ(ImageWidth(after[4]), 160);
  EXPECT_EQ(ImageWidth(after[5]), 160);
}

TEST_F(RunStagesTest, ReportTimesTheStagesThatRan) {
  FrameFile("@Normal:A {#WT hs=100pt}Text{$} B {#DT}More{$}\r\n");
  ASSERT_TRUE(Perform(kImportAndProcessAction));
  const StageTimes imported = Report().times;
  EXPECT_EQ(Report().framesCreated, 2);
  for (double t : {imported.preprocess, imported.taggedImport, imported.storyMove,
                   imported.boxSearch, imported.frameCreation})
    EXPECT_GT(t, 0);

  // Process finds the text in place: only the pass runs, and the last run's times are gone.
  ASSERT_EQ(InsertText({&Db(), Story()}, 0, u"x <boxtext vs=\"20pt\">\rBody</boxtext> y"),
            kSuccess);
  ASSERT_TRUE(Perform(kProcessAction));
  const StageTimes processed = Report().times;
  EXPECT_EQ(processed.preprocess, 0);
  EXPECT_EQ(processed.taggedImport, 0);
  EXPECT_EQ(processed.storyMove, 0);
  EXPECT_GT(processed.boxSearch, 0);
  EXPECT_GT(processed.frameCreation, 0);
}

}  // namespace
}  // namespace tarvelin::testing
