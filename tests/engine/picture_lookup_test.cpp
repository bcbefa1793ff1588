#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine/picture_placement.h"

namespace tarvelin {
namespace {

TEST(PictureNameTest, OnlyPlainNamesAreLookedUp) {
  struct Case {
    std::u16string_view name;
    PictureNameCheck expected;
  };
  for (const Case& c :
       {Case{u"ad.png", PictureNameCheck::kPlain}, Case{u"..ad.png", PictureNameCheck::kPlain},
        Case{u"", PictureNameCheck::kEmpty}, Case{u".", PictureNameCheck::kNotPlain},
        Case{u"..", PictureNameCheck::kNotPlain}, Case{u"../ad.png", PictureNameCheck::kNotPlain},
        Case{u"/etc/passwd", PictureNameCheck::kNotPlain},
        Case{u"sub\\ad.png", PictureNameCheck::kNotPlain},
        Case{std::u16string_view(u"a\0b", 3), PictureNameCheck::kNotPlain}}) {
    EXPECT_EQ(CheckPictureName(c.name), c.expected) << std::string(c.name.begin(), c.name.end());
  }
}

class PictureLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        std::filesystem::temp_directory_path() / ("tarvelin_lookup_" + std::to_string(::getpid()));
    for (const char* f : {"f1", "f2", "f3", "f4", "frame"})
      std::filesystem::create_directories(dir_ / f);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Touch(const std::filesystem::path& file) { std::ofstream(file) << "x"; }
  std::array<std::u16string, 4> Folders() {
    return {(dir_ / "f1").u16string(), (dir_ / "f2").u16string() + u"/", (dir_ / "f3").u16string(),
            (dir_ / "f4").u16string()};
  }
  std::filesystem::path dir_;
};

TEST_F(PictureLookupTest, FoldersOneToFourComeBeforeTheFrameFileFolder) {
  EXPECT_EQ(FindPicture(u"a.png", Folders(), dir_ / "frame").source, 0);
  Touch(dir_ / "frame" / "a.png");
  EXPECT_EQ(FindPicture(u"a.png", Folders(), dir_ / "frame").source, 5);
  Touch(dir_ / "f4" / "a.png");
  EXPECT_EQ(FindPicture(u"a.png", Folders(), dir_ / "frame").source, 4);
  Touch(dir_ / "f2" / "a.png");
  PictureLookup found = FindPicture(u"a.png", Folders(), dir_ / "frame");
  EXPECT_EQ(found.source, 2);
  // A trailing separator does not double.
  EXPECT_EQ(found.file, dir_ / "f2" / "a.png");
  // An unset folder is skipped, and a folder of the picture's name is not a picture.
  std::filesystem::create_directories(dir_ / "f1" / "b.png");
  Touch(dir_ / "f3" / "b.png");
  auto folders = Folders();
  folders[1].clear();
  EXPECT_EQ(FindPicture(u"b.png", folders, {}).source, 3);
  // A path-like name finds nothing even where the file exists.
  EXPECT_EQ(FindPicture(u"../f2/a.png", Folders(), dir_ / "frame").source, 0);
  EXPECT_EQ(FindPicture(u"", Folders(), dir_ / "frame").source, 0);
}

}  // namespace
}  // namespace tarvelin
