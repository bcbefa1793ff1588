#include "preferences/preference_model.h"

#include <gtest/gtest.h>

#include "preferences/preference_types.h"

namespace tarvelin {
namespace {

using Names = std::vector<std::u16string>;

Names Children(KCommonPrefeernceModel& model, std::u16string_view name) {
  Names out;
  int32_t n = model.GetChildCount(name);
  for (int32_t i = 0; i < n; ++i) out.push_back(model.GetNthChildName(name, i));
  return out;
}

TEST(PreferenceModel, ImageFoldersHangFromTheRoot) {
  KCommonPreferenceTypesList list;
  PreferencesStartUp(&list);
  KCommonPrefeernceModel model(list);
  EXPECT_EQ(model.GetRootName(), u"");
  model.SetRoot(u"Root");
  EXPECT_EQ(model.GetRootName(), u"Root");
  EXPECT_EQ(Children(model, u"Root"),
            (Names{u"image_folder1:", u"image_folder2:", u"image_folder3:", u"image_folder4:"}));
  for (const auto& key : list.GetKeys()) {
    SCOPED_TRACE(std::string(key.begin(), key.end()));
    EXPECT_EQ(model.GetChildCount(key), 0);
    EXPECT_EQ(model.GetParentName(key), u"Root");
    const PnlTrvDataNode* node = model.GetNode(key);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->key, key);
    EXPECT_EQ(node->type, kPreferenceTypeFolder);
  }
  EXPECT_EQ(model.GetNode(u"image_folder3:")->label, u"Image folder 3:");
  EXPECT_EQ(model.GetParentName(u"Root"), u"");
  EXPECT_EQ(model.GetChildIndex(u"Root", u"image_folder3:"), 2);
  EXPECT_EQ(model.GetChildIndex(u"Root", u"image_folder3"), -1);
  EXPECT_EQ(model.GetChildIndex(u"Nowhere", u"image_folder3:"), -1);
  EXPECT_EQ(model.GetNthChildName(u"Root", 4), u"");
  EXPECT_EQ(model.GetNthChildName(u"Nowhere", 0), u"");
}

TEST(PreferenceModel, GroupsFollowRunsOfEqualGroups) {
  KCommonPreferenceTypesList list;
  const std::pair<const char16_t*, const char16_t*> entries[] = {
      {u"top", u""}, {u"g1", u"G"}, {u"g2", u"G"}, {u"h1", u"H"}, {u"g3", u"G"}, {u"top2", u""}};
  for (const auto& [key, group] : entries) list.AddPreference(key, "0x113380kNoSuchKey", group, 1);
  KCommonPrefeernceModel model(list);
  model.SetRoot(u"Root");

  EXPECT_EQ(Children(model, u"Root"), (Names{u"top:", u"G", u"H", u"G", u"top2:"}))
      << "a group that comes back gets a second node";
  EXPECT_EQ(Children(model, u"G"), (Names{u"g1:", u"g2:"})) << "the name finds the first G";
  EXPECT_EQ(Children(model, u"H"), (Names{u"h1:"}));
  EXPECT_EQ(model.GetParentName(u"g3:"), u"G");
  EXPECT_EQ(model.GetNode(u"G")->type, 0);
  EXPECT_EQ(model.GetParentName(u"top2:"), u"Root");

  model.SetRoot(u"");
  EXPECT_EQ(model.GetRootName(), u"");
  EXPECT_EQ(model.GetNode(u"G"), nullptr);
  EXPECT_EQ(model.GetChildCount(u"Root"), 0);
}

TEST(PreferenceModel, ChildrenAreBuiltOnceRegistrationHasHappened) {
  KCommonPreferenceTypesList list;
  KCommonPrefeernceModel model(list);
  model.SetRoot(u"Root");
  EXPECT_EQ(model.GetChildCount(u"Root"), 0);
  PreferencesStartUp(&list);
  EXPECT_EQ(model.GetChildCount(u"Root"), 4) << "an empty root is built again when asked";
  EXPECT_EQ(model.GetChildCount(u"Root"), 4) << "and not twice";
}

}  // namespace
}  // namespace tarvelin
