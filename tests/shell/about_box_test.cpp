#include "shell/about_box.h"

#include <gtest/gtest.h>

namespace tarvelin {
namespace {

TEST(AboutBoxTest, RevisionLineNamesTheFirstMatchingPlugIn) {
  const struct {
    const char* what;
    std::vector<std::string> names;
    std::string_view revision;
    std::string expected;
  } cases[] = {
      {"the product itself", {"Tarvelin"}, "10366", "Tarvelin (revision: 10366)"},
      {"first match, compared in upper case",
       {"Other", "tarvelin helper", "Tarvelin"},
       "10366",
       "tarvelin helper (revision: 10366)"},
      {"a trailing non-digit is dropped", {"Tarvelin"}, "10366M", "Tarvelin (revision: 10366)"},
      {"only one character is dropped", {"Tarvelin"}, "10366MS", "Tarvelin (revision: 10366M)"},
      {"an empty revision loses the blank", {"Tarvelin"}, "", "Tarvelin (revision:)"},
      {"no loaded plug-in matches", {"Other", "Tarvel"}, "10366", "Tarvelin"},
      {"nothing loaded", {}, "10366", "Tarvelin"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AboutBoxRevisionLine(c.names, c.revision), c.expected) << c.what;
  EXPECT_EQ(AboutBoxRevisionLine({"Tarvelin"}), "Tarvelin (revision: 10366)");
}

TEST(AboutBoxTest, RevisionLineOfTheLoadedModule) {
  PlugInLoader loader;
  std::string error;
  ASSERT_NE(loader.Load(TARVELIN_PLUGIN_MODULE, &error), nullptr) << error;
  EXPECT_EQ(AboutBoxRevisionLine(loader.PlugIns()), "Tarvelin (revision: 10366)");
  EXPECT_EQ(AboutBoxRevisionLine(std::vector<LoadedPlugIn>{}), "Tarvelin");
}

}  // namespace
}  // namespace tarvelin
