// Fit operations: the picture geometry of each fit type, frame to content for text and
// picture frames (one and several columns), frame to picture height, picture to width,
// the errors, and undo.
#include <gtest/gtest.h>

#include "compose_test_document.h"
#include "layout/composer.h"
#include "layout/fitting.h"
#include "layout/layout_service_qt.h"

namespace tarvelin {
namespace {

using testdoc::MakeDocument;
using testdoc::TestDocument;

// Pictures written on the fly store their resolution in whole dots per metre, so their
// size in points is off by up to a hundredth of a point.
void ExpectRect(const PMRect& got, const PMRect& want, const char* what, double tolerance = 0.02) {
  EXPECT_NEAR(got.left, want.left, tolerance) << what;
  EXPECT_NEAR(got.top, want.top, tolerance) << what;
  EXPECT_NEAR(got.right, want.right, tolerance) << what;
  EXPECT_NEAR(got.bottom, want.bottom, tolerance) << what;
}

TEST(FitGeometryTest, PictureBoundsOfEachFitType) {
  const PMRect frame{100, 100, 300, 200};    // 200 x 100
  const PMRect picture{100, 100, 150, 200};  // 50 x 100 at 50 %: natural 100 x 200
  struct Case {
    FitType type;
    double width;
    PMRect expected;
    const char* name;
  };
  const Case cases[] = {
      {FitType::kContentToFrame, 0, frame, "content to frame"},
      {FitType::kCentreContent, 0, {175, 100, 225, 200}, "centre"},
      {FitType::kContentProportionally, 0, {175, 100, 225, 200}, "proportionally: height limits"},
      {FitType::kFillProportionally, 0, {100, -50, 300, 350}, "fill: width limits, centred"},
      {FitType::kPictureToWidth, 80, {100, 100, 180, 260}, "to width, aspect of the bounds"},
  };
  for (const Case& c : cases) {
    auto got = FittedPictureBounds(c.type, frame, picture, 100, 200, c.width);
    ASSERT_TRUE(got.has_value()) << c.name;
    ExpectRect(*got, c.expected, c.name, 1e-9);
  }
  // Sizes that cannot be scaled are refused, not turned into infinities.
  EXPECT_FALSE(FittedPictureBounds(FitType::kContentProportionally, frame, picture, 0, 200));
  EXPECT_FALSE(FittedPictureBounds(FitType::kPictureToWidth, frame, picture, 100, 200, 0));
  EXPECT_FALSE(
      FittedPictureBounds(FitType::kPictureToWidth, frame, {100, 100, 100, 200}, 100, 200, 50));
  EXPECT_FALSE(FittedPictureBounds(FitType::kFrameToContent, frame, picture, 100, 200));
}

struct FitFixture : ::testing::Test {
  TestDocument t = MakeDocument();
  QtLayoutService service;
  std::filesystem::path dir = testdoc::TempDir("fit");

  PMRect Bounds(const UIDRef& item) const {
    return t.db().Query<IPageItem>(item.GetUID())->Bounds();
  }
  PMRect PictureBounds(const UIDRef& frame) const {
    return t.db().Query<IPageItem>(ImageOf(t.db(), frame.GetUID()))->Bounds();
  }
  // A free frame at (50, 50) of w x h showing a 200 x 100 pt picture.
  UIDRef PictureFrame(double w, double h) {
    UIDRef f;
    EXPECT_EQ(
        CreateRectangleFrame(*t.doc, t.doc->DefaultSpreadLayer(), {50, 50, 50 + w, 50 + h}, &f),
        kSuccess);
    auto file = testdoc::WritePicture(dir / "p.png", 400, 200, 144);
    ImageInfo info = QtImageProbe().Probe(file);
    EXPECT_EQ(PlaceImage(*t.doc, f, file.string(), info), kSuccess);
    return f;
  }
};

TEST_F(FitFixture, FrameToContentGivesATextFrameTheHeightOfItsText) {
  UIDRef box;
  ASSERT_EQ(CreateTextFrame(*t.doc, t.doc->DefaultSpreadLayer(), {50, 50, 250, 800}, 1, 0, &box),
            kSuccess);
  ASSERT_EQ(SetTextInsets(*t.doc, UIDList(box), {4, 5, 6, 7}), kSuccess);
  UIDRef story{&t.db(), t.db().Query<ITextFrame>(box.GetUID())->Story()};
  ASSERT_EQ(InsertText(story, 0,
                       u"Four words of text\rand a second paragraph that is long enough to wrap "
                       u"over the narrow column more than once."),
            kSuccess);
  ASSERT_EQ(service.Fit(*t.doc, box, FitType::kFrameToContent), kSuccess);
  PMRect b = Bounds(box);
  EXPECT_EQ(b.left, 50);
  EXPECT_EQ(b.right, 250);
  EXPECT_EQ(b.top, 50);

  // The text fits exactly: composed in the fitted frame nothing is overset, and one point
  // less would overset it.
  ASSERT_EQ(service.Compose(*t.doc), kSuccess);
  const ComposedStory* s = service.State(*t.doc)->Story(story.GetUID());
  ASSERT_NE(s, nullptr);
  EXPECT_FALSE(s->overset);
  EXPECT_NEAR(s->TextHeight() + 5 + 7, b.Height(), 1e-6);
  ASSERT_EQ(SetBounds(*t.doc, box, {b.left, b.top, b.right, b.bottom - 1}), kSuccess);
  ASSERT_EQ(service.Compose(*t.doc), kSuccess);
  EXPECT_TRUE(service.StoryState(*t.doc, story.GetUID()).overset);

  // Undo brings the old bounds back (the fit was a command).
  ASSERT_EQ(t.db().Commands().Undo(), kSuccess);  // the shrink
  ASSERT_EQ(t.db().Commands().Undo(), kSuccess);  // the fit
  EXPECT_EQ(Bounds(box).bottom, 800);
}

TEST_F(FitFixture, FrameToContentWithColumnsFindsTheLeastHeight) {
  UIDRef one, two;
  ASSERT_EQ(CreateTextFrame(*t.doc, t.doc->DefaultSpreadLayer(), {50, 50, 250, 800}, 1, 0, &one),
            kSuccess);
  ASSERT_EQ(CreateTextFrame(*t.doc, t.doc->DefaultSpreadLayer(), {50, 50, 462, 800}, 2, 12, &two),
            kSuccess);
  std::u16string text;
  for (int i = 0; i < 20; ++i) text += u"Line number something\r";
  for (const UIDRef& f : {one, two})
    ASSERT_EQ(InsertText({&t.db(), t.db().Query<ITextFrame>(f.GetUID())->Story()}, 0, text),
              kSuccess);
  ASSERT_EQ(service.Fit(*t.doc, one, FitType::kFrameToContent), kSuccess);
  ASSERT_EQ(service.Fit(*t.doc, two, FitType::kFrameToContent), kSuccess);
  double h1 = Bounds(one).Height(), h2 = Bounds(two).Height();
  // 21 lines in one column, 11 in the taller of two.
  EXPECT_NEAR(h1, 10.69 + 20 * 14.4 + 2.59, 0.05);
  EXPECT_NEAR(h2, 10.69 + 10 * 14.4 + 2.59, 0.1);
  ASSERT_EQ(service.Compose(*t.doc), kSuccess);
  EXPECT_FALSE(service.StoryState(*t.doc, t.db().Query<ITextFrame>(two.GetUID())->Story()).overset);
}

TEST_F(FitFixture, PictureFitTypesMoveAndScaleThePicture) {
  UIDRef f = PictureFrame(100, 100);
  ExpectRect(PictureBounds(f), {50, 50, 250, 150}, "placed at 100 %");

  ASSERT_EQ(service.Fit(*t.doc, f, FitType::kContentProportionally), kSuccess);
  ExpectRect(PictureBounds(f), {50, 75, 150, 125}, "proportionally");
  ASSERT_EQ(service.Fit(*t.doc, f, FitType::kFillProportionally), kSuccess);
  ExpectRect(PictureBounds(f), {0, 50, 200, 150}, "fill");
  ASSERT_EQ(service.Fit(*t.doc, f, FitType::kContentToFrame), kSuccess);
  ExpectRect(PictureBounds(f), {50, 50, 150, 150}, "content to frame");
  ExpectRect(Bounds(f), {50, 50, 150, 150}, "the frame stays");

  // Picture to width: 60 wide keeping the 1:1 aspect the picture has now, then the frame
  // takes the picture's bounds.
  ASSERT_EQ(service.Fit(*t.doc, f, FitType::kPictureToWidth, 60), kSuccess);
  ExpectRect(PictureBounds(f), {50, 50, 110, 110}, "to width");
  ExpectRect(Bounds(f), {50, 50, 110, 110}, "frame to the picture");
}

TEST_F(FitFixture, FrameToPictureHeightKeepsTheWidth) {
  UIDRef f = PictureFrame(120, 300);
  ASSERT_EQ(service.Fit(*t.doc, f, FitType::kFrameToPictureHeight), kSuccess);
  ExpectRect(Bounds(f), {50, 50, 170, 150}, "frame");
  ASSERT_EQ(service.Fit(*t.doc, f, FitType::kFrameToContent), kSuccess);
  ExpectRect(Bounds(f), {50, 50, 250, 150}, "frame to picture");
}

TEST_F(FitFixture, FitsThatCannotApplyAreRefused) {
  UIDRef empty;
  ASSERT_EQ(CreateRectangleFrame(*t.doc, t.doc->DefaultSpreadLayer(), {10, 10, 20, 20}, &empty),
            kSuccess);
  struct Case {
    UIDRef frame;
    FitType type;
    ErrorCode expected;
    const char* name;
  };
  const Case cases[] = {
      {empty, FitType::kFrameToContent, kNotFound, "empty frame to content"},
      {empty, FitType::kCentreContent, kNotFound, "centre without picture"},
      {t.frame, FitType::kContentToFrame, kNotFound, "text frame has no picture"},
      {t.story, FitType::kFrameToContent, kInvalidArgument, "a story is not a frame"},
      {UIDRef(), FitType::kFrameToContent, kInvalidArgument, "null"},
      {empty, static_cast<FitType>(7), kInvalidArgument, "unknown type"},
  };
  for (const Case& c : cases) EXPECT_EQ(service.Fit(*t.doc, c.frame, c.type), c.expected) << c.name;
  UIDRef pic = PictureFrame(50, 50);
  EXPECT_EQ(service.Fit(*t.doc, pic, FitType::kPictureToWidth, -5), kInvalidArgument);
  ExpectRect(Bounds(pic), {50, 50, 100, 100}, "unchanged after a refused fit");
}

}  // namespace
}  // namespace tarvelin
