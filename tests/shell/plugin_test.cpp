#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include <unistd.h>

#include "core/string_table.h"
#include "host/application/application.h"
#include "host/application/host_registry.h"
#include "host/application/plugin_loader.h"
#include "host/objects/class_registry.h"
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
  // The plug-in adds to the host's classes, so it registers into the host's registry.
  auto registry = CreateHostRegistry();
  ASSERT_TRUE(registry);
  EXPECT_EQ(plugIn->RegisterImplementations(*registry), kSuccess);
  EXPECT_FALSE(plugIn->Resources().actions.empty());

  EXPECT_EQ(loader.Load("/nonexistent/module.so", &error), nullptr);
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace tarvelin

namespace tarvelin {
namespace {

TEST(ApplicationTest, StartsWithTheModuleAndKnowsItsActions) {
  StartOptions options;
  options.plugInFolder = std::filesystem::path(TARVELIN_PLUGIN_MODULE).parent_path();
  options.workspaceFile = std::filesystem::path();  // fresh, never saved
  std::string error;
  auto app = Application::Start(options, &error);
  ASSERT_TRUE(app) << error;
  EXPECT_EQ(Application::Current(), app.get());
  ASSERT_EQ(app->PlugIns().size(), 1u);
  EXPECT_NE(app->Actions().Find(plugin_ids::kImportAndProcessAction), nullptr);
  EXPECT_EQ(app->Actions().Find(0x12345), nullptr);
  EXPECT_FALSE(app->Actions().PerformAction(0x12345));
  // A second host in the same process is refused.
  EXPECT_FALSE(Application::Start(options, &error));
  EXPECT_FALSE(error.empty());
  app.reset();
  EXPECT_EQ(Application::Current(), nullptr);
}

TEST(ApplicationTest, AModuleThatCannotLoadStopsTheStartWithItsReason) {
  auto folder = std::filesystem::temp_directory_path() /
                ("tarvelin_bad_module_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  { std::ofstream(folder / "broken.so") << "not a shared object"; }
  StartOptions options;
  options.plugInFolder = folder;
  options.workspaceFile = std::filesystem::path();
  std::string error;
  EXPECT_FALSE(Application::Start(options, &error));
  EXPECT_NE(error.find("broken.so"), std::string::npos) << error;
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tarvelin
