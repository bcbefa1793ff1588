#include "preferences/preference_data.h"

#include <gtest/gtest.h>

#include "core/diagnostics.h"
#include "core/stream.h"
#include "core/utf16.h"
#include "host/application/host_registry.h"
#include "host/application/session_workspace.h"
#include "host/objects/class_registry.h"
#include "host/objects/database.h"
#include "host/objects/object.h"
#include "preferences/preference_types.h"

namespace tarvelin {
namespace {

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

Pairs Entries(const KDictionary& d) {
  Pairs out;
  for (size_t i = 0; i < d.Keys().size(); ++i) out.emplace_back(d.Keys()[i], d.Values()[i]);
  return out;
}

class PreferenceDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_ = CreateHostRegistry();
    ASSERT_TRUE(registry_);
    ASSERT_EQ(RegisterPreferenceClasses(*registry_), kSuccess);
    workspace_ = SessionWorkspace::Create(registry_);
    ASSERT_TRUE(workspace_);
    data_ = QueryPreferenceData(workspace_.get());
    ASSERT_TRUE(data_);
  }
  Database& Db() { return workspace_->DataBase(); }
  ErrorCode Change(std::vector<PreferenceEdit> edits) {
    return ChangePreferences(*workspace_, edits);
  }

  std::shared_ptr<ClassRegistry> registry_;
  std::unique_ptr<SessionWorkspace> workspace_;
  std::shared_ptr<ICommonPreferenceData> data_;
};

TEST_F(PreferenceDataTest, KeysAreStoredWithAColonAndFoundInEitherForm) {
  ASSERT_EQ(Change({{u"image_folder1", u"/a"}, {u"image_folder2:", u"/b"}}), kSuccess);
  EXPECT_EQ(Entries(data_->GetDictionary()),
            (Pairs{{u"image_folder1:", u"/a"}, {u"image_folder2:", u"/b"}}));
  for (std::u16string_view key : {u"image_folder1", u"image_folder1:"})
    EXPECT_EQ(data_->Get(key), u"/a");
  EXPECT_EQ(data_->Get(u"image_folder3"), std::nullopt);
  EXPECT_EQ(data_->Get(u"IMAGE_FOLDER1"), std::nullopt) << "keys are case-sensitive";

  ASSERT_EQ(Change({{u"image_folder1", u"/c"}}), kSuccess);
  EXPECT_EQ(Entries(data_->GetDictionary()),
            (Pairs{{u"image_folder2:", u"/b"}, {u"image_folder1:", u"/c"}}))
      << "setting again keeps one entry, moved to the end";
}

TEST_F(PreferenceDataTest, GetTriesTheKeyThenTheKeyWithAColonAppended) {
  // Set adds a colon only when it is missing, so "dir::" is stored as written.
  ASSERT_EQ(Change({{u"image_folder1", u"/a"}, {u"dir::", u"/d"}}), kSuccess);
  const struct {
    std::u16string_view key;
    std::optional<std::u16string> expected;
  } cases[] = {
      {u"image_folder1", u"/a"}, {u"image_folder1:", u"/a"}, {u"image_folder1::", std::nullopt},
      {u"dir::", u"/d"},         {u"dir:", u"/d"},           {u"dir", std::nullopt},
      {u"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(data_->Get(c.key), c.expected) << ToUtf8(c.key);
}

TEST_F(PreferenceDataTest, ChangesKeepOtherValuesAndRemoveUnsetOnes) {
  struct Case {
    const char* name;
    std::vector<PreferenceEdit> edits;
    Pairs expected;
  };
  const Case cases[] = {
      {"set one",
       {{u"image_folder3", u"/3"}},
       {{u"image_folder1:", u"/1"}, {u"image_folder2:", u"/2"}, {u"image_folder3:", u"/3"}}},
      {"unset by either form",
       {{u"image_folder1", std::nullopt}, {u"image_folder2:", std::nullopt}},
       {}},
      {"unset what is not there",
       {{u"image_folder4", std::nullopt}},
       {{u"image_folder1:", u"/1"}, {u"image_folder2:", u"/2"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Change({{u"image_folder1", u"/1"},
                      {u"image_folder2", u"/2"},
                      {u"image_folder3", std::nullopt}}),
              kSuccess);
    ASSERT_EQ(Change(c.edits), kSuccess);
    EXPECT_EQ(Entries(data_->GetDictionary()), c.expected);
  }
}

TEST_F(PreferenceDataTest, CommandReplacesTheWholeDictionaryAndUndoes) {
  ASSERT_EQ(Change({{u"image_folder1", u"/1"}, {u"image_folder2", u"/2"}}), kSuccess);
  // A command whose data lacks a key removes it.
  auto cmd = CreateCommand(*registry_, kCommonPreferenceCommandClass);
  ASSERT_TRUE(cmd);
  auto cmdData = cmd->Owner()->Query<ICommonPreferenceData>();
  cmdData->Set(u"image_folder2", u"/new");
  cmd->SetItemList(UIDList(workspace_->Root()));

  std::vector<PreferenceDataChange> notices;
  auto id = AddPreferenceObserver([&](const PreferenceDataChange& c) { notices.push_back(c); });
  ASSERT_EQ(Db().Commands().ProcessCommand(cmd), kSuccess);
  RemovePreferenceObserver(id);

  EXPECT_EQ(Entries(data_->GetDictionary()), (Pairs{{u"image_folder2:", u"/new"}}));
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].item, workspace_->Root());
  EXPECT_EQ(notices[0].changeId, 0x113389u);
  EXPECT_EQ(Db().Commands().UndoName(), u"alamakota");

  ASSERT_EQ(Db().Commands().Undo(), kSuccess);
  EXPECT_EQ(Entries(data_->GetDictionary()),
            (Pairs{{u"image_folder1:", u"/1"}, {u"image_folder2:", u"/2"}}));
}

TEST_F(PreferenceDataTest, CommandWithoutItemsFailsAndChangesNothing) {
  ASSERT_EQ(Change({{u"image_folder1", u"/1"}}), kSuccess);
  auto cmd = CreateCommand(*registry_, kCommonPreferenceCommandClass);
  ASSERT_TRUE(cmd);
  cmd->SetItemList(UIDList(&Db()));
  EXPECT_EQ(Db().Commands().ProcessCommand(cmd), kFailure);
  EXPECT_EQ(data_->Get(u"image_folder1"), u"/1");
}

TEST_F(PreferenceDataTest, ValuesSurviveSavingAndLoadingTheWorkspace) {
  ASSERT_EQ(Change({{u"image_folder3", u"/obrazy/zdjęcia"}, {u"image_folder1", u"C:\\img\\"}}),
            kSuccess);
  Database copy(registry_);
  Db().ForEachObject(
      [&](const Object& o) { ASSERT_EQ(copy.LoadObject(Db().CaptureObject(o)), kSuccess); });
  auto loaded = QueryInterface<ICommonPreferenceData>(UIDRef(&copy, workspace_->Root().GetUID()));
  ASSERT_TRUE(loaded);
  EXPECT_EQ(Entries(loaded->GetDictionary()), Entries(data_->GetDictionary()));
  EXPECT_EQ(copy.Image(), Db().Image());
}

TEST(PreferenceRecordLayout, VersionThenDictionary) {
  KCommonPreferenceDataImpl data;
  data.Set(u"k", u"v");
  auto out = MemoryStream::Write();
  data.ReadWrite(*out, kCommonPreferenceDataImpl);
  const std::vector<uint8_t> expected = {1, 0,                        // version
                                         1, 0, 0, 0,                  // count
                                         2, 0, 0, 0, 'k', 0, ':', 0,  // key
                                         1, 0, 0, 0, 'v', 0};         // value
  auto bytes = out->Bytes();
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), expected);

  KCommonPreferenceDataImpl back;
  back.Set(u"stale", u"x");
  auto in = MemoryStream::ReadView(bytes);
  back.ReadWrite(*in, kCommonPreferenceDataImpl);
  EXPECT_EQ(Entries(back.GetDictionary()), (Pairs{{u"k:", u"v"}})) << "reading replaces the state";
}

TEST(PreferenceTypes, StartUpRegistersTheFourImageFoldersInOrder) {
  KCommonPreferenceTypesList list;
  diag::Capture capture;
  PreferencesStartUp(&list);
  EXPECT_EQ(capture.Text(), "starting up 1\n");
  EXPECT_EQ(list.GetKeys(), (std::vector<std::u16string>{u"image_folder1:", u"image_folder2:",
                                                         u"image_folder3:", u"image_folder4:"}));
  EXPECT_EQ(list.GetLabels()[0], u"Image folder 1:");
  EXPECT_EQ(list.GetLabels()[3], u"Image folder 4:");
  EXPECT_EQ(list.GetGroups(), std::vector<std::u16string>(4));
  EXPECT_EQ(list.GetTypes(), std::vector<int32_t>(4, kPreferenceTypeFolder));
  PreferencesStartUp(nullptr);  // no registry: nothing to do, nothing breaks
}

TEST(PreferenceTypes, ASecondStartUpDoesNotListTheFoldersTwice) {
  KCommonPreferenceTypesList list;
  list.AddPreference(u"other", "0x113380kNoSuchKey", u"", 1);
  PreferencesStartUp(&list);
  PreferencesStartUp(&list);  // the host started again while the module stayed loaded
  EXPECT_EQ(list.GetKeys(),
            (std::vector<std::u16string>{u"other:", u"image_folder1:", u"image_folder2:",
                                         u"image_folder3:", u"image_folder4:"}));
  EXPECT_EQ(list.GetLabels().size(), 5u);
  EXPECT_EQ(list.GetTypes().size(), 5u);
}

TEST(PreferenceTypes, OptionsAreFoundByTheStoredKeyOnly) {
  KCommonPreferenceTypesList list;
  std::vector<std::u16string> labels{u"One", u"Two"}, values{u"1", u"2"};
  list.AddPreference(u"mode", "0x113380kNoSuchKey", u"", kPreferenceTypeChoice, labels, values);
  list.AddPreference(u"half:", "0x113380kNoSuchKey", u"", kPreferenceTypeChoice, labels,
                     std::nullopt);
  EXPECT_EQ(list.GetOptionLabels(u"mode:"), labels);
  EXPECT_EQ(list.GetOptionValues(u"mode:"), values);
  EXPECT_TRUE(list.GetOptionLabels(u"mode").empty());
  EXPECT_TRUE(list.GetOptionLabels(u"half:").empty()) << "one list without the other gives neither";
  EXPECT_EQ(list.GetKeys()[1], u"half:") << "a key with its colon gets no second one";
}

TEST_F(PreferenceDataTest, RegistryReadsTheWorkspaceValues) {
  KCommonPreferenceTypesList list;
  PreferencesStartUp(&list);
  ASSERT_EQ(Change({{u"image_folder2", u"/two"}}), kSuccess);
  EXPECT_EQ(list.GetPreference(u"image_folder2:", workspace_.get()), u"/two");
  EXPECT_EQ(list.GetPreference(u"image_folder1", workspace_.get()), std::nullopt);
  diag::Capture capture;
  EXPECT_EQ(list.GetPreference(u"image_folder2", nullptr), std::nullopt);
  EXPECT_NE(capture.Text().find("GetPrefrenceData returned nil!"), std::string::npos);
}

}  // namespace
}  // namespace tarvelin
