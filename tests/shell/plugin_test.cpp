#include <gtest/gtest.h>

#include <set>

#include "core/string_table.h"
#include "host/class_registry.h"
#include "host/plugin_loader.h"
#include "shell/plugin_ids.h"
#include "shell/plugin_resources.h"

namespace tarvelin {
namespace {

TEST(PlugInResourcesTest, EveryMenuTextHasBothTranslations) {
  auto resources = TarvelinResources();
  auto english = TableKeys(Language::kEnglish);
  auto polish = TableKeys(Language::kPolish);
  std::set<std::string_view> en(english.begin(), english.end());
  std::set<std::string_view> pl(polish.begin(), polish.end());
  for (const auto& a : resources.actions) {
    if (a.nameKey.empty()) continue;
    EXPECT_TRUE(en.count(a.nameKey)) << a.nameKey;
    EXPECT_TRUE(pl.count(a.nameKey)) << a.nameKey;
  }
}

TEST(PlugInResourcesTest, PanelMenuListsTheActionsInOrder) {
  using namespace plugin_ids;
  auto resources = TarvelinResources();
  std::vector<ActionID> popup;
  double last = -1;
  for (const auto& m : resources.menus) {
    if (m.path.rfind("0x113380kVorrinInternalPopupMenuNameKey", 0) != 0) continue;
    EXPECT_GT(m.position, last);
    last = m.position;
    popup.push_back(m.action);
  }
  EXPECT_EQ(popup,
            (std::vector<ActionID>{kAboutAction, kPreferencesAction, kSeparatorAction,
                                   kImportAndProcessAction, kProcessAction, kShowLogAction}));
  // Process and reconnect share their name but are different actions.
  std::map<ActionID, std::string> keys;
  for (const auto& a : resources.actions) keys[a.id] = a.nameKey;
  EXPECT_EQ(keys[kProcessAction], keys[kReconnectAction]);
  EXPECT_EQ(keys[kProcessAction], "0x113380kVorrinProcessOnlyKey");
}

TEST(PlugInModuleTest, TheModuleExportsGetPlugInAndRegisters) {
  PlugInLoader loader;
  std::string error;
  IPlugIn* plugIn = loader.Load(TARVELIN_PLUGIN_MODULE, &error);
  ASSERT_NE(plugIn, nullptr) << error;
  EXPECT_EQ(plugIn->Name(), "Tarvelin");
  EXPECT_EQ(plugIn->Version(), "1.1");
  plugIn->SetPlugInID(plugin_ids::kPlugInID);
  EXPECT_EQ(plugIn->GetPlugInID(), plugin_ids::kPlugInID);
  ClassRegistry registry;
  EXPECT_EQ(plugIn->RegisterImplementations(registry), kSuccess);
  EXPECT_FALSE(plugIn->Resources().actions.empty());

  EXPECT_EQ(loader.Load("/nonexistent/module.so", &error), nullptr);
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace tarvelin
