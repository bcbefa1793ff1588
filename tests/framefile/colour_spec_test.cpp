#include "framefile/colour_spec.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "core/diagnostics.h"
#include "core/import_log.h"
#include "core/utf16.h"

namespace tarvelin {
namespace {

constexpr std::u16string_view kSeparatorMessage =
    u"* Atrybut \"fc\" lub \"bc\" posiada rozdzielnik \":\" za którym nic nie stoi.";
constexpr std::u16string_view kKindMessage =
    u"* Atrybut \"fc\" lub \"bc\" posiada znacznik LAB, CMYK lub RGB ale nie posiada drugiego "
    u"znacznika PROCESS lub SPOT.";
constexpr std::u16string_view kFloatMessage =
    u"* Atrybut \"fc\" lub \"bc\" posiada znacznik LAB, CMYK lub RGB ale nie posiada definicji "
    u"koloru w postaci float,float,float.";

ColourSpec Spec(std::u16string swatch, std::array<float, 4> c, int32_t space, int32_t process) {
  ColourSpec s;
  s.swatchName = std::move(swatch);
  s.components = c;
  s.colourSpace = space;
  s.processFlag = process;
  return s;
}

TEST(ColourSpecTest, DefaultTable) {
  const auto& t = DefaultColourTable();
  EXPECT_EQ(t[0], Spec(u"", {0, 0, 0, 0}, 3, 1));
  EXPECT_EQ(t[1], Spec(u"", {0, 0, 0, 1}, 3, 1));
  EXPECT_EQ(t[2], Spec(u"", {0, 1, 0.99f, 0}, 3, 1));
  EXPECT_EQ(t[3], Spec(u"", {0.62f, 0, 1, 0}, 3, 1));
}

// Each value is decoded over a spec that already holds something, so that "fields the
// value does not mention keep what they held" is visible.
TEST(ColourSpecTest, DecodesValuesOverAnExistingSpec) {
  const ColourSpec start = Spec(u"Old", {0.1f, 0.2f, 0.3f, 0.4f}, 4, 0);
  struct Case {
    std::u16string_view value;
    ColourSpec expected;
    std::u16string_view message;  // empty: none
  };
  const Case cases[] = {
      {u"2", Spec(u"Old", {0, 1, 0.99f, 0}, 3, 1), u""},
      {u"0", Spec(u"Old", {0, 0, 0, 0}, 3, 1), u""},
      {u"4", start, u""},
      {u"02", start, u""},
      {u"CMYK", start, u""},
      {u"", start, u""},
      {u"SWATCHNAME:Ad red", Spec(u"Ad red", start.components, 1, 0), u""},
      {u"SWATCHNAME:a:b", Spec(u"a:b", start.components, 1, 0), u""},
      {u"SWATCHNAME:", Spec(u"Old", start.components, 1, 0), kSeparatorMessage},
      {u"CMYK:PROCESS:0,1,1,0", Spec(u"Old", {0, 1, 1, 0}, 3, 1), u""},
      {u"RGB:SPOT:1,0,0", Spec(u"Old", {1, 0, 0, 0.4f}, 4, 0), u""},
      {u"LAB:PROCESS:50,-20.5,30", Spec(u"Old", {50, -20.5f, 30, 0.4f}, 2, 1), u""},
      {u"CMYK:OTHER:1", Spec(u"Old", {1, 0.2f, 0.3f, 0.4f}, 3, 0), u""},
      {u"CMYK:PROCESS:x,,0.5", Spec(u"Old", {0.1f, 0.2f, 0.5f, 0.4f}, 3, 1), u""},
      {u"CMYK:PROCESS", Spec(u"Old", start.components, 3, 0), kFloatMessage},
      {u"CMYK:", Spec(u"Old", start.components, 3, 0), kKindMessage},
      {u"cmyk:PROCESS:1,0,0,0", Spec(u"Old", start.components, 0, 0), u""},
      {u"HSB:PROCESS:1,0,0", Spec(u"Old", start.components, 0, 0), u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(c.value)));
    ColourSpec spec = start;
    diag::Capture capture;
    ParseColour(spec, c.value);
    EXPECT_EQ(spec, c.expected);
    std::string expectedLine;
    if (!c.message.empty()) expectedLine = ToUtf8(c.message) + "\n";
    EXPECT_EQ(capture.Text(), expectedLine);
  }
}

TEST(ColourSpecTest, MessagesGoToTheOpenImportLog) {
  auto file = std::filesystem::temp_directory_path() /
              ("tarvelin_colour_spec_test_" + std::to_string(::getpid()) + ".log");
  ASSERT_TRUE(KInDesignCommon::OpenLog(file));
  ColourSpec spec;
  diag::Capture capture;
  ParseColour(spec, u"SWATCHNAME:");
  ParseColour(spec, u"RGB:SPOT");
  KInDesignCommon::CloseLog();
  std::u16string text = KInDesignCommon::ReadLogText(file);
  EXPECT_NE(text.find(std::u16string(kSeparatorMessage) + u"\r"), std::u16string::npos);
  EXPECT_NE(text.find(std::u16string(kFloatMessage) + u"\r"), std::u16string::npos);
  // Echoed once each, not twice.
  EXPECT_EQ(std::count(capture.Text().begin(), capture.Text().end(), '\n'), 2);
  EXPECT_EQ(spec.colourSpace, 4);
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace tarvelin
