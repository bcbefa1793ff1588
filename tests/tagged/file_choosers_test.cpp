#include "tagged/file_choosers.h"

#include <gtest/gtest.h>

#include <optional>

#include "host/application/application.h"

namespace tarvelin {
namespace {

class ScriptedChooser final : public FileChooser {
 public:
  std::optional<std::filesystem::path> ChooseFileToOpen(const std::u16string& t,
                                                        const std::vector<FileFilter>& f) override {
    title = t;
    filters = f;
    return answer;
  }
  std::optional<std::filesystem::path> ChooseFolder(const std::u16string& t,
                                                    const std::filesystem::path& s) override {
    title = t;
    start = s;
    return answer;
  }
  std::optional<std::filesystem::path> answer;
  std::u16string title;
  std::vector<FileFilter> filters;
  std::filesystem::path start;
};

class FileChoosersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartOptions options;
    options.workspaceFile = std::filesystem::path();
    options.services.chooser = &chooser;
    std::string error;
    app = Application::Start(options, &error);
    ASSERT_TRUE(app) << error;
  }
  ScriptedChooser chooser;
  std::unique_ptr<Application> app;
};

using Offered = std::vector<std::pair<std::u16string, std::string>>;

Offered OfferedBy(const std::vector<FileFilter>& filters) {
  Offered out;
  for (const auto& f : filters) out.emplace_back(f.description, f.extension);
  return out;
}

TEST_F(FileChoosersTest, TheDialogOffersTheFiltersAsTheyWereAdded) {
  struct Case {
    const char* name;
    Offered added;
    bool allFiles;
    Offered offered;
  };
  const Case cases[] = {
      {"none", {}, false, {{u"PubFileFamily", "tvd"}, {u"All Documents", "*"}}},
      {"one", {{u"Frame (rmk)", "rmk"}}, false, {{u"Frame (rmk)", "rmk"}}},
      {"one and all files",
       {{u"Frame (rmk)", "rmk"}},
       true,
       {{u"Frame (rmk)", "rmk"}, {u"All Documents", "*"}}},
      {"the import action's two",
       {{u"Frame (rmk)", "rmk"}, {u"Text file(txt)", "txt"}},
       false,
       {{u"Frame (rmk)", "rmk"}, {u"Text file(txt)", "txt"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SDKFileOpenChooser open;
    for (const auto& [description, extension] : c.added)
      open.AddFilter(0x54455854, extension, description);
    if (c.allFiles) open.AddAllFiles();
    chooser.answer = std::filesystem::path("/ads/a.rmk");
    open.ShowDialog();
    EXPECT_EQ(chooser.title, u"Open a File");
    EXPECT_EQ(OfferedBy(chooser.filters), c.offered);
    EXPECT_TRUE(open.IsChosen());
  }
}

TEST_F(FileChoosersTest, CancelLeavesTheChoiceUnmadeAndThePreviousFile) {
  SDKFolderChooser folder;
  folder.SetStartFolder("/images/old");
  chooser.answer = std::filesystem::path("/images/new");
  folder.ShowDialog();
  EXPECT_EQ(chooser.title, u"Choose a Folder");
  EXPECT_EQ(chooser.start, std::filesystem::path("/images/old"));
  ASSERT_TRUE(folder.IsChosen());
  EXPECT_EQ(folder.GetPath(), u"/images/new");

  chooser.answer.reset();
  folder.ShowDialog();
  EXPECT_FALSE(folder.IsChosen());
  EXPECT_EQ(folder.GetPath(), u"/images/new");

  // Without a host chooser nothing is asked and nothing chosen.
  app.reset();
  SDKFileOpenChooser open;
  open.ShowDialog();
  EXPECT_FALSE(open.IsChosen());
}

}  // namespace
}  // namespace tarvelin
