#include "core/import_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/diagnostics.h"
#include "core/string_table.h"
#include "core/utf16.h"

namespace tarvelin {
namespace {

namespace fs = std::filesystem;

class ImportLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tarvelin_log_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    SetLanguage(Language::kEnglish);
  }
  void TearDown() override {
    KInDesignCommon::CloseLog();
    fs::remove_all(dir_);
  }
  static std::vector<uint8_t> Bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  fs::path dir_;
};

TEST_F(ImportLogTest, LogFileSitsBesideTheFrameFileWithItsBaseName) {
  struct Case {
    const char* frame;
    const char* log;
  };
  const Case cases[] = {{"/a/b/ad.rmk", "/a/b/ad.log"},
                        {"/a/b/ad.final.rmk", "/a/b/ad.final.log"},
                        {"/a/noext", "/a/noext.log"}};
  for (const auto& c : cases)
    EXPECT_EQ(KInDesignCommon::LogFileForFrameFile(c.frame), fs::path(c.log)) << c.frame;
}

TEST_F(ImportLogTest, WritesUtf16LinesEndedByCarriageReturnAfterTwoHeaderLines) {
  fs::path frame = dir_ / "ad.rmk";
  diag::Capture capture;
  ASSERT_TRUE(KInDesignCommon::OpenLogForFrameFile(frame));
  EXPECT_TRUE(KInDesignCommon::IsLogOpen());
  KInDesignCommon::LogKey("0x113380kZevStringCouldNotOpenGraphicsFileShortKey", {u"żółw.tif"});
  KInDesignCommon::LogLine(u"plain");
  KInDesignCommon::LogMessage("0x113380kZevStringLogStartedReadingFileKey", {"ad.rmk"});
  KInDesignCommon::LogMessage("%d boxes, %.2f pt, %x, 100%%", {12, 1.5, 255});
  KInDesignCommon::CloseLog();
  EXPECT_FALSE(KInDesignCommon::IsLogOpen());
  EXPECT_EQ(KInDesignCommon::GetLogFile(), dir_ / "ad.log");

  auto bytes = Bytes(dir_ / "ad.log");
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes[0], '/');  // no byte-order mark, little-endian units
  EXPECT_EQ(bytes[1], 0);
  std::u16string text = KInDesignCommon::ReadLogText(dir_ / "ad.log");
  EXPECT_EQ(text.find(u'\n'), std::u16string::npos);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), u'\r') << "every line ends in U+000D";
  std::vector<std::u16string> lines = KInDesignCommon::SplitLogLines(text);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], u"// ----");
  EXPECT_EQ(lines[1].rfind(u"// Log started on ", 0), 0u);
  EXPECT_EQ(lines[1].back(), u'.');
  EXPECT_EQ(lines[2], u"Cannot read the file named \"żółw.tif\". Do you want to continue?");
  EXPECT_EQ(lines[3], u"plain");
  EXPECT_EQ(lines[4], u"Started processing of file \"ad.rmk\".");
  EXPECT_EQ(lines[5], u"12 boxes, 1.50 pt, ff, 100%");
  // Every line is echoed to the diagnostics channel.
  EXPECT_NE(capture.Text().find("plain\n"), std::string::npos);
}

TEST_F(ImportLogTest, SplittingKeepsEmptyLinesAndAnUnendedLastOne) {
  using Lines = std::vector<std::u16string>;
  EXPECT_EQ(KInDesignCommon::SplitLogLines(u""), Lines{});
  EXPECT_EQ(KInDesignCommon::SplitLogLines(u"a\r\rb\r"), (Lines{u"a", u"", u"b"}));
  EXPECT_EQ(KInDesignCommon::SplitLogLines(u"a\rcut"), (Lines{u"a", u"cut"}));
  EXPECT_EQ(KInDesignCommon::SplitLogLines(u"x\ny\r"), Lines{u"x\ny"});
}

TEST_F(ImportLogTest, WritingWhileClosedDoesNothing) {
  diag::Capture capture;
  KInDesignCommon::CloseLog();
  KInDesignCommon::LogLine(u"lost");
  KInDesignCommon::LogKey("0x113380kVorrinShowLogKey", {});
  KInDesignCommon::LogMessage("x %s", {"y"});
  EXPECT_EQ(capture.Text(), "");
}

TEST_F(ImportLogTest, ReopeningReplacesTheFileAndUnwritableFolderOpensNothing) {
  fs::path log = dir_ / "run.log";
  ASSERT_TRUE(KInDesignCommon::OpenLog(log));
  KInDesignCommon::LogLine(u"first run line that is long");
  ASSERT_TRUE(KInDesignCommon::OpenLog(log));
  KInDesignCommon::LogLine(u"second");
  KInDesignCommon::CloseLog();
  auto text = KInDesignCommon::ReadLogText(log);
  EXPECT_EQ(text.find(u"first run"), std::u16string::npos);
  EXPECT_NE(text.find(u"second\r"), std::u16string::npos);

  EXPECT_FALSE(KInDesignCommon::OpenLog(dir_ / "missing-folder" / "x.log"));
  EXPECT_FALSE(KInDesignCommon::IsLogOpen());
  bool ok = true;
  diag::Capture capture;
  EXPECT_EQ(KInDesignCommon::ReadLogText(dir_ / "missing-folder" / "x.log", &ok), u"");
  EXPECT_FALSE(ok);
  EXPECT_EQ(capture.Text(), "stream is nil\n");
}

TEST_F(ImportLogTest, UserTextIsNeverAFormatAndLongOutputIsCut) {
  // Conversions inside an argument are data, not directives.
  EXPECT_EQ(KInDesignCommon::Format(u"[%s]", {"%s%n%d"}), u"[%s%n%d]");
  // Missing arguments give empty text or zero, never a read past the list.
  EXPECT_EQ(KInDesignCommon::Format(u"%s|%d|%f", {}), u"|0|0.000000");
  // Unknown conversions stay as written; a trailing % is kept.
  EXPECT_EQ(KInDesignCommon::Format(u"%q %", {}), u"%q %");
  std::u16string huge(100000, u'x');
  auto cut = KInDesignCommon::Format(u"%s tail", {huge});
  EXPECT_EQ(cut.size(), KInDesignCommon::kMaxMessageUnits);
  EXPECT_EQ(cut.back(), u'\u2026') << "a cut line says so";
  // A line of exactly the limit is whole, and a cut never splits a surrogate pair.
  const std::u16string full(KInDesignCommon::kMaxMessageUnits, u'y');
  EXPECT_EQ(KInDesignCommon::Format(u"%s", {full}), full);
  std::u16string pairs;
  while (pairs.size() < 2 * KInDesignCommon::kMaxMessageUnits) pairs += u"\U0001F600";
  auto cut_pairs = KInDesignCommon::Format(u"%s", {pairs});
  EXPECT_EQ(cut_pairs.back(), u'\u2026');
  EXPECT_TRUE(cut_pairs[cut_pairs.size() - 2] >= 0xDC00 &&
              cut_pairs[cut_pairs.size() - 2] <= 0xDFFF);
}

}  // namespace
}  // namespace tarvelin
