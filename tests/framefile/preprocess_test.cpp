#include "framefile/preprocess_frame_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/diagnostics.h"
#include "core/import_log.h"
#include "core/platform_paths.h"

namespace tarvelin {
namespace {

namespace fs = std::filesystem;

// Every test writes its scratch copies under a private data folder.
class PreprocessTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = fs::temp_directory_path() / ("tarvelin_preprocess_" + std::to_string(::getpid()));
    fs::create_directories(root_);
    ::setenv("XDG_DATA_HOME", root_.c_str(), 1);
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  static fs::path WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    fs::path p = root_ / name;
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return p;
  }
  static std::vector<uint8_t> Utf16Bytes(std::u16string_view text) {
    std::vector<uint8_t> bytes;
    for (char16_t c : text) {
      bytes.push_back(static_cast<uint8_t>(c & 0xFF));
      bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
  }
  static std::u16string ReadUtf16(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
      text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                           static_cast<uint8_t>(bytes[i + 1]) << 8));
    }
    return text;
  }

  // Preprocesses a frame file and returns the scratch copy's text.
  static std::u16string Run(const fs::path& frame, KFileReader& reader, bool headerClose = true,
                            PreprocessResult* out = nullptr) {
    KPreprocessFrameFile pre(frame, headerClose, nullptr);
    PreprocessResult r = pre.Preprocess(reader);
    EXPECT_EQ(r.status, PreprocessStatus::kRewritten);
    std::u16string text = r.status == PreprocessStatus::kRewritten ? ReadUtf16(r.file) : u"";
    EXPECT_TRUE(pre.Finish());
    EXPECT_FALSE(fs::exists(pre.ScratchFile()));
    if (out) *out = r;
    return text;
  }
  static std::u16string RunText(std::u16string_view frame, bool headerClose = true) {
    fs::path p = WriteFile("frame.rmk", Utf16Bytes(frame));
    UNICODEFileReader reader;
    return Run(p, reader, headerClose);
  }
  static std::u16string RewriteText(std::u16string_view definition, bool inner = false) {
    KPreprocessFrameFile pre("unused.rmk", true, nullptr);
    auto s = MemoryStream::Write();
    pre.RewriteDefinition(definition, *s, inner);
    auto bytes = s->Bytes();
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
      text.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
    }
    return text;
  }

  static inline fs::path root_;
};

struct Case {
  const char* name;
  std::u16string_view frame;
  std::u16string_view scratch;
};

// Texts outside definitions, {#DEF lines, the brace form and its header syntax.
const Case kCases[] = {
    {"plain text", u"Zażółć gęślą jaźń\r\nx", u"Zażółć gęślą jaźń\r\nx"},
    {"brace not a definition", u"a{x b{", u"a{x b{"},
    {"def line crlf", u"A\r\n{#DEF x\r\nB", u"A\r\nB"},
    {"def line lone cr keeps next", u"A{#DEF x\rB", u"AB"},
    {"def line lf", u"{#DEF\nB{#DEF\n", u"B"},
    {"worked example", u"{#WT FW=10, FC=Black}Hello{$}",
     u"<\\<>boxtext  FW=\"10\"  FC=\"Black\"<\\>>\rHello<\\<>/boxtext<\\>>"},
    {"text around", u"a{#WG fn=x.tif}{$}b",
     u"a<\\<>boxpicture  fn=\"x.tif\"<\\>>\r<\\<>/boxpicture<\\>>b"},
    {"unknown code is an attribute", u"{#XY a=1}t{$}",
     u"<\\<>boxtext XY a=\"1\"<\\>>\rt<\\<>/boxtext<\\>>"},
    {"quoted value keeps blank", u"{#WT a=\"x y\"}{$}",
     u"<\\<>boxtext  a=\"x y\"<\\>>\r<\\<>/boxtext<\\>>"},
    {"bare value ends at blank", u"{#WT a=x y}{$}",
     u"<\\<>boxtext  a=\"x\" y<\\>>\r<\\<>/boxtext<\\>>"},
    {"commas become blanks", u"{#WT a=1,b=2}{$}",
     u"<\\<>boxtext  a=\"1\" b=\"2\"<\\>>\r<\\<>/boxtext<\\>>"},
    {"blanks after = skipped", u"{#DT a=  7}{$}",
     u"<\\<>boxtext  a=\"7\"<\\>>\r<\\<>/boxtext<\\>>"},
    {"quoted comma kept", u"{#WT t1=\"Kowalski, Jan\"}{$}",
     u"<\\<>boxtext  t1=\"Kowalski, Jan\"<\\>>\r<\\<>/boxtext<\\>>"},
    {"quoted colour kept", u"{#WT fc=\"CMYK:PROCESS:0,1,1,0\",fw=1}{$}",
     u"<\\<>boxtext  fc=\"CMYK:PROCESS:0,1,1,0\" fw=\"1\"<\\>>\r<\\<>/boxtext<\\>>"},
    {"quoted brace kept", u"{#WT t1=\"a}b{c\"}x{$}",
     u"<\\<>boxtext  t1=\"a}b{c\"<\\>>\rx<\\<>/boxtext<\\>>"},
    {"empty quoted last value closes header", u"{#WT a=\"\"}x{$}",
     u"<\\<>boxtext  a=\"\"<\\>>\rx<\\<>/boxtext<\\>>"},
    {"code ended by brace", u"{#WG}{$}", u"<\\<>boxpicture <\\>>\r<\\<>/boxpicture<\\>>"},
    {"group with inner boxes", u"{#BE fn=a}x{#WG PATH=x.tif}{$}y{#DT}z{$}{$$}",
     u"<\\<>boxgroup  fn=\"a\"<\\>>\rx<\\<>innerbox  PATH=\"x.tif\"<\\>>\r<\\<>/innerbox<\\>>"
     u"y<\\<>innerbox <\\>>\rz<\\<>/innerbox<\\>><\\<>/boxgroup<\\>>"},
    {"two blanks before BE", u"{#  BE a=1}x{$}rest", u"<\\<>boxgroup  a=\"1\"<\\>>\rx{$}rest"},
    {"missing end marker", u"{#WT a=1}text", u"<\\<>boxtext  a=\"1\"<\\>>\rtext"},
    {"brace before marker loses nothing", u"{#WT}a{{$}b",
     u"<\\<>boxtext <\\>>\ra{<\\<>/boxtext<\\>>b"},
    {"inner in text box has no outer end", u"{#WT}a{#WT}b{$}c",
     u"<\\<>boxtext <\\>>\ra<\\<>innerbox <\\>>\rb<\\<>/innerbox<\\>>c"},
    {"lone brace", u"{", u"{"},
    {"empty", u"", u""},
    {"unterminated opener", u"{#", u"<\\<>boxtext "},
};

TEST_F(PreprocessTest, RewritesFrameFiles) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RunText(c.frame), c.scratch);
  }
}

// The streamed rewrite of the frame file and the rewrite of a definition text in memory
// are two roads to the same output.
TEST_F(PreprocessTest, StreamedRewriteEqualsRewriteOfTheText) {
  for (const Case& c : kCases) {
    if (c.frame.substr(0, 2) != u"{#" || c.frame.starts_with(u"{#DEF")) continue;
    SCOPED_TRACE(c.name);
    std::u16string_view frame = c.frame;
    // Only whole definitions: cut what follows the end marker the file reading would find.
    if (c.frame.find(u"rest") != std::u16string_view::npos ||
        c.frame.find(u"{{$}") != std::u16string_view::npos) {
      continue;
    }
    if (frame.ends_with(u"c")) frame.remove_suffix(1);
    EXPECT_EQ(RewriteText(frame), RunText(frame));
  }
}

TEST_F(PreprocessTest, HeaderCloseFlagAndInnerTexts) {
  EXPECT_EQ(RunText(u"{#WT a=1}x{$}", false), u"<\\<>boxtext  a=\"1\"\\>\rx<\\<>/boxtext<\\>>");
  EXPECT_EQ(RewriteText(u"{#WG a=1}x{$}", true),
            u"<\\<>innerbox  a=\"1\"<\\>>\rx<\\<>/innerbox<\\>>");
}

TEST_F(PreprocessTest, EncodingsGiveTheSameScratchText) {
  // "Sprzedam rower, Łódź" with a box, in each encoding.
  const std::u16string expected =
      u"Sprzedam rower, Łódź <\\<>boxtext  t1=\"Żółw\"<\\>>\rśćź<\\<>/boxtext<\\>>";
  struct Case {
    int selector;
    std::vector<uint8_t> bytes;
  };
  std::vector<uint8_t> head = {'S', 'p', 'r', 'z', 'e', 'd', 'a', 'm',
                               ' ', 'r', 'o', 'w', 'e', 'r', ',', ' '};
  auto with = [&](std::vector<uint8_t> tail) {
    std::vector<uint8_t> all = head;
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
  };
  const std::vector<uint8_t> box = {'{', '#', 'W', 'T', ' ', 't', '1', '=', '"'};
  auto join = [](std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  };
  const Case cases[] = {
      // Windows-1250: Ł A3, ó F3, d, ź 9F; Ż AF, ó F3, ł B3, w; ś 9C, ć E6, ź 9F
      {kEncodingWinCE,
       with(join({{0xA3, 0xF3, 'd', 0x9F, ' '},
                  box,
                  {0xAF, 0xF3, 0xB3, 'w', '"', '}', 0x9C, 0xE6, 0x9F, '{', '$', '}'}}))},
      // Mac Central European: Ł FC, ó 97, d, ź 90; Ż FB, ó 97, ł B8, w; ś E6, ć 8D, ź 90
      {kEncodingMacCE,
       with(join({{0xFC, 0x97, 'd', 0x90, ' '},
                  box,
                  {0xFB, 0x97, 0xB8, 'w', '"', '}', 0xE6, 0x8D, 0x90, '{', '$', '}'}}))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selector);
    fs::path p = WriteFile("enc.rmk", c.bytes);
    auto reader = CreateReader(c.selector);
    EXPECT_EQ(Run(p, *reader), expected);
  }
  EXPECT_EQ(RunText(u"Sprzedam rower, Łódź {#WT t1=\"Żółw\"}śćź{$}"), expected);
}

// A NUL or the undefined Windows byte 0x83 used to end the copy there without a word.
TEST_F(PreprocessTest, NulsAndUndefinedBytesDoNotEndTheCopyAndAreLoggedOnce) {
  fs::path log = root_ / "frame.log";
  ASSERT_TRUE(KInDesignCommon::OpenLog(log));
  fs::path p = WriteFile(
      "nul.rmk", {'a', 0, 'b', 0x83, 'c', '{', '#', 'W', 'T', 0, '}', 'd', '{', '$', '}', 'e', 0});
  WinCEFileReader reader;
  PreprocessResult r;
  EXPECT_EQ(Run(p, reader, true, &r), u"ab\uFFFDc<\\<>boxtext <\\>>\rd<\\<>/boxtext<\\>>e");
  KInDesignCommon::CloseLog();
  EXPECT_EQ(r.nulCount, 3);
  EXPECT_EQ(r.replacedCount, 1);
  std::u16string text = KInDesignCommon::ReadLogText(log);
  size_t first = text.find(u"nul.rmk");
  ASSERT_NE(first, std::u16string::npos) << "one warning line names the file";
  EXPECT_EQ(text.find(u"nul.rmk", first + 1), std::u16string::npos);
  EXPECT_NE(text.find(u"3 NUL"), std::u16string::npos);
}

TEST_F(PreprocessTest, DefLinesLongerThanTheLimit) {
  diag::Capture capture;
  std::u16string longLine = u"{#DEF " + std::u16string(12000, u'x') + u"\r\nB";
  std::u16string out = RunText(longLine);
  EXPECT_NE(capture.Text().find("overflow error\n"), std::string::npos);
  // The copy goes on from the last character read: the tail of the line survives.
  EXPECT_TRUE(out.ends_with(u"x\r\nB"));
  EXPECT_GT(out.size(), 1900u);
  EXPECT_LT(out.size(), 2100u);

  diag::Capture atEnd;
  EXPECT_EQ(RunText(u"A{#DEF no line end"), u"A");
  EXPECT_NE(atEnd.Text().find("overflow error\n"), std::string::npos);
}

// Hostile nesting must neither exhaust the stack nor take quadratic time.
TEST_F(PreprocessTest, DeepNestingIsLinear) {
  struct Case {
    const char* name;
    std::u16string frame;
  };
  std::u16string blanks, bare;
  for (int i = 0; i < 100000; ++i) {
    blanks += u"{#WT ";
    bare += u"{#";
  }
  const Case cases[] = {
      {"nested with end", blanks + u"x{$}"},
      {"nested without end", blanks},
      {"bare openers", bare},
      {"bare openers in group", u"{#BE}" + bare + u"{$$}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto start = std::chrono::steady_clock::now();
    std::u16string out = RunText(c.frame);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(out.size(), c.frame.size());
    EXPECT_LT(out.size(), 10 * c.frame.size());
    EXPECT_LT(seconds, 20.0) << "quadratic behaviour";
    EXPECT_EQ(RewriteText(c.frame).size(), out.size());
  }
}

TEST_F(PreprocessTest, BinaryInputCompletes) {
  std::vector<uint8_t> bytes(1 << 20);
  uint32_t x = 12345;
  for (uint8_t& b : bytes) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>(x >> 24);
  }
  fs::path p = WriteFile("binary.rmk", bytes);
  for (int selector : {kEncodingMacCE, kEncodingWinCE, kEncodingUnicode}) {
    SCOPED_TRACE(selector);
    auto reader = CreateReader(selector);
    PreprocessResult r;
    std::u16string out = Run(p, *reader, true, &r);
    EXPECT_GT(out.size(), 0u);
  }
}

class CancellingBar final : public ProgressBar {
 public:
  explicit CancellingBar(int64_t* lastPosition) : last_(lastPosition) {}
  void SetPosition(int64_t position) override { *last_ = position; }
  void SetTitle(const std::u16string&) override {}
  bool WasCancelled() const override { return *last_ > 0; }

 private:
  int64_t* last_;
};

class CancellingProgress final : public Progress {
 public:
  void DoTask(const std::u16string& title, int) override { task = title; }
  std::unique_ptr<ProgressBar> CreateRangeBar(const std::u16string&, int64_t,
                                              int64_t max) override {
    rangeMax = max;
    return std::make_unique<CancellingBar>(&position);
  }
  bool WasCancelled() const override { return false; }
  std::u16string task;
  int64_t rangeMax = -1;
  int64_t position = 0;
};

// The bar cancels as soon as the copy has moved past the start.
TEST_F(PreprocessTest, CancelReturnsNoFileAndFinishRemovesTheScratch) {
  std::u16string frame;
  for (int i = 0; i < 20000; ++i) frame += u"abc{#WT a=1}x{$}";
  fs::path p = WriteFile("cancel.rmk", Utf16Bytes(frame));
  CancellingProgress progress;
  KPreprocessFrameFile pre(p, true, &progress);
  UNICODEFileReader reader;
  PreprocessResult r = pre.Preprocess(reader);
  EXPECT_EQ(r.status, PreprocessStatus::kCancelled);
  EXPECT_TRUE(r.file.empty());
  EXPECT_EQ(progress.task, u"Searching in text");
  EXPECT_EQ(progress.rangeMax, static_cast<int64_t>(frame.size() * 2));
  EXPECT_GT(progress.position, 0);
  EXPECT_LT(progress.position, progress.rangeMax);
  EXPECT_TRUE(pre.Created());
  EXPECT_TRUE(fs::exists(pre.ScratchFile()));
  EXPECT_TRUE(pre.Finish());
  EXPECT_TRUE(pre.Deleted());
  EXPECT_FALSE(fs::exists(pre.ScratchFile()));
}

TEST_F(PreprocessTest, ScratchFileLivesInTheDataFolderUntilFinish) {
  fs::path p = WriteFile("ad.rmk", Utf16Bytes(u"x"));
  std::string folder = *UserDataFolder(KPreprocessFrameFile::kScratchFolderName);
  diag::Capture capture;
  {
    KPreprocessFrameFile pre(p, true, nullptr);
    UNICODEFileReader reader;
    PreprocessResult r = pre.Preprocess(reader);
    ASSERT_EQ(r.status, PreprocessStatus::kRewritten);
    EXPECT_EQ(r.file, fs::path(folder + "ad.rmk"));
    EXPECT_EQ(pre.CurrentFile(), r.file);
  }
  EXPECT_NE(capture.Text().find("did not execute public void Finish()"), std::string::npos);
  EXPECT_TRUE(fs::exists(folder + "ad.rmk"));

  // A stale scratch copy is replaced; a frame file inside the scratch folder is never
  // overwritten by its own copy.
  fs::path inside = folder + "ad.rmk";
  std::ofstream(inside, std::ios::binary) << std::string("q\0", 2);
  KPreprocessFrameFile pre(inside, true, nullptr);
  UNICODEFileReader reader;
  PreprocessResult r = pre.Preprocess(reader);
  ASSERT_EQ(r.status, PreprocessStatus::kRewritten);
  EXPECT_NE(r.file, inside);
  EXPECT_EQ(ReadUtf16(r.file), u"q");
  EXPECT_TRUE(pre.Finish());
  EXPECT_EQ(ReadUtf16(inside), u"q");
}

TEST_F(PreprocessTest, UnreadableFrameFileIsReturnedUnchanged) {
  for (fs::path p : {root_ / "missing.rmk", root_}) {
    SCOPED_TRACE(p.string());
    diag::Capture capture;
    KPreprocessFrameFile pre(p, true, nullptr);
    WinCEFileReader reader;
    PreprocessResult r = pre.Preprocess(reader);
    EXPECT_EQ(r.status, PreprocessStatus::kFrameFileUnchanged);
    EXPECT_EQ(r.file, p);
    EXPECT_NE(capture.Text().find("Could not open the stream for reading"), std::string::npos);
    EXPECT_FALSE(pre.Created());
    EXPECT_TRUE(pre.Finish());
  }
}

TEST_F(PreprocessTest, StreamHelpers) {
  auto s = MemoryStream::ReadOwned({' ', 'B', 'E', ' ', 'x', ',', 'W', 'T', 'X'});
  UNICODEFileReader unicode;
  WinCEFileReader reader;
  reader.SetStream(s.get());
  EXPECT_EQ(KPreprocessFrameFile::GetFrameTypeFromStream(reader, false), u"BE");
  EXPECT_EQ(reader.ReadChar(), u' ') << "the reader is left where it was";
  EXPECT_EQ(KPreprocessFrameFile::ReadUntilStop(reader, u" ", 100), u"BE");
  EXPECT_EQ(KPreprocessFrameFile::ReadUntilStop(reader, u",", 100), u"x");
  EXPECT_EQ(KPreprocessFrameFile::GetFrameTypeFromStream(reader, false), u"WT") << "WTX is no code";
  EXPECT_TRUE(KPreprocessFrameFile::SearchForString(reader, u"?WT", false, true));
  EXPECT_FALSE(KPreprocessFrameFile::SearchForString(reader, u"Y", false, false));

  diag::Capture capture;
  EXPECT_FALSE(KPreprocessFrameFile::DoesListConstain(u"", nullptr, nullptr));
  EXPECT_EQ(capture.Text(), "argument is too short\n");
  std::u16string_view begin, end;
  EXPECT_TRUE(KPreprocessFrameFile::DoesListConstain(u"DG", &begin, &end));
  EXPECT_EQ(begin, u"<\\<>boxpicture");
  EXPECT_FALSE(KPreprocessFrameFile::DoesListConstain(u"wt", &begin, &end));

  auto w = MemoryStream::Write();
  EXPECT_TRUE(KPreprocessFrameFile::WriteLettersToStream(*w, u"A\u0141", true));
  EXPECT_EQ(std::vector<uint8_t>(w->Bytes().begin(), w->Bytes().end()),
            (std::vector<uint8_t>{0x00, 0x41, 0x01, 0x41}));
}

}  // namespace
}  // namespace tarvelin

namespace tarvelin {
namespace {

// Two runs at once on frame files of the same name (a batch over several folders) must not
// share a scratch copy: the second takes a name of its own, and each cleans up after itself.
TEST_F(PreprocessTest, ConcurrentRunsOnSameNamedFilesGetTheirOwnScratchCopies) {
  std::string folder = *UserDataFolder("Vesquin03");
  fs::path frame = WriteFile("twin.rmk", Utf16Bytes(u"a{#WT x=1}b{$}"));
  fs::path lock = folder + "twin.rmk.lock";
  // Another process is using the plain name: it holds the lock on it.
  int other = ::open(lock.c_str(), O_CREAT | O_RDWR, 0644);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  {
    KPreprocessFrameFile pre(frame, true, nullptr);
    UNICODEFileReader reader;
    PreprocessResult r = pre.Preprocess(reader);
    ASSERT_EQ(r.status, PreprocessStatus::kRewritten);
    EXPECT_EQ(r.file, fs::path(folder + "twin.rmk." + std::to_string(::getpid())));
    EXPECT_NE(ReadUtf16(r.file).find(u"boxtext"), std::u16string::npos);
    EXPECT_TRUE(pre.Finish());
    EXPECT_FALSE(fs::exists(r.file));
    EXPECT_FALSE(fs::exists(r.file.string() + ".lock"));
  }
  EXPECT_TRUE(fs::exists(lock)) << "the other run's lock is not ours to remove";
  ::close(other);
  fs::remove(lock);

  // Alone, a run takes the plain name and leaves nothing behind.
  KPreprocessFrameFile pre(frame, true, nullptr);
  UNICODEFileReader reader;
  PreprocessResult r = pre.Preprocess(reader);
  ASSERT_EQ(r.status, PreprocessStatus::kRewritten);
  EXPECT_EQ(r.file, fs::path(folder + "twin.rmk"));
  EXPECT_TRUE(fs::exists(lock));
  EXPECT_TRUE(pre.Finish());
  EXPECT_FALSE(fs::exists(r.file));
  EXPECT_FALSE(fs::exists(lock));
}

}  // namespace
}  // namespace tarvelin
