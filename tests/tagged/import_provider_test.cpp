#include "tagged/qxt_import_provider.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/alert.h"
#include "core/diagnostics.h"
#include "core/progress.h"
#include "core/string_table.h"
#include "tagged/tagged_header.h"
#include "workspace_fixture.h"

namespace tarvelin {
namespace {

using testing_support::Workspace;

std::vector<uint8_t> ReadData(const std::string& name) {
  std::ifstream in(std::string(TARVELIN_TEST_DATA) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> Bytes(std::string_view s) {
  return {s.begin(), s.end()};
}

std::vector<uint8_t> Utf16(std::u16string_view s) {
  std::vector<uint8_t> out;
  for (char16_t c : s) {
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  return out;
}

class RecordingAlerts final : public AlertService {
 public:
  RecordingAlerts() { InstallAlertService(this); }
  ~RecordingAlerts() override { InstallAlertService(nullptr); }
  void Information(const std::u16string& text) override { texts.push_back(text); }
  AlertAnswer ThreeButtons(const std::u16string&, const std::u16string&) override {
    return AlertAnswer::kContinue;
  }
  std::vector<std::u16string> texts;
};

class ScriptedDialog final : public QXTOptionsDialog {
 public:
  ScriptedDialog(bool ok, bool force) : ok_(ok), force_(force) {}
  bool Run(QXTIDialogController& controller) override {
    ++shown;
    EXPECT_FALSE(QXTIDialogFlags().confirmed);
    if (ok_) controller.ApplyDialogFields(force_);
    return ok_;
  }
  int shown = 0;

 private:
  bool ok_;
  bool force_;
};

struct Result {
  ErrorCode error;
  std::u16string text;
  UID story = kInvalidUID;
};

Result Import(Workspace& w, QXTImportProvider& provider, const std::vector<uint8_t>& bytes,
              ImportUILevel ui = ImportUILevel::kNone) {
  auto stream = MemoryStream::ReadView(bytes);
  provider.CanImportThisStream(*stream);
  UIDRef story;
  Result r{provider.Import(w.db, w.ws, *stream, ui, story), {}, story.GetUID()};
  if (auto m = QueryInterface<ITextModel>(story)) r.text = m->Text(0, m->EndPosition());
  return r;
}

TEST(ImportProviderTest, AnswersTheHostsQueries) {
  Workspace w;
  QXTImportProvider provider(w.fonts);
  EXPECT_EQ(provider.CountFileTypes(), 1);
  EXPECT_EQ(provider.GetFileType(0), 0x54455854u);
  EXPECT_EQ(provider.QuerySlot3() + provider.QuerySlot4() + provider.QuerySlot5(), 0);
  EXPECT_EQ(provider.CountFormats(), 1);
  EXPECT_EQ(Translate(provider.GetFormatName(0)), u"Quark XPressTag Files");
  EXPECT_EQ(provider.CountExtensions(), 1);
  EXPECT_EQ(provider.GetExtension(0), "xtg");

  struct Case {
    const char* path;
    uint32_t type;
    int32_t answer;
  };
  const Case cases[] = {
      {"report.xtg", 0, 2},
      {"report.xtg", 0x50444620, 2},
      {"report.txt", kTextFileType, 2},
      {"report.txt", 0x50444620, 0},
      {"report.txt", 0, 0},
      {"xtg", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(provider.CanImportThisFile({c.path, c.type}), c.answer) << c.path << " " << c.type;
  }
}

TEST(ImportProviderTest, StreamTestDetectsTheEncodingFromTheFirstTwoCharacters) {
  Workspace w;
  struct Case {
    std::vector<uint8_t> bytes;
    int32_t answer;
    DetectedEncoding encoding;
  };
  std::vector<uint8_t> bom = Utf16(u"\uFEFF<v1.70><e1>\rx");
  const Case cases[] = {
      {ReadData("cennik_macce.xtg"), 2, DetectedEncoding::kSingleByte},
      {ReadData("cennik_wince.xtg"), 2, DetectedEncoding::kSingleByte},
      {ReadData("cennik_utf16.xtg"), 2, DetectedEncoding::kUnicode},
      {bom, 0, DetectedEncoding::kUnknown},
      {Bytes("Hello"), 0, DetectedEncoding::kUnknown},
      {Bytes("<"), 0, DetectedEncoding::kUnknown},
      {Bytes(""), 0, DetectedEncoding::kUnknown},
      {Bytes(std::string_view("<\0v", 3)), 0, DetectedEncoding::kUnknown},
      {Bytes("\xEF\xBB\xBF<v"), 2, DetectedEncoding::kUtf8Mark},
      {Bytes("\xEF\xBB\xBF<"), 0, DetectedEncoding::kUnknown},
  };
  for (const Case& c : cases) {
    QXTImportProvider provider(w.fonts);
    auto stream = MemoryStream::ReadView(c.bytes);
    EXPECT_EQ(provider.CanImportThisStream(*stream), c.answer);
    EXPECT_EQ(provider.Encoding(), c.encoding);
  }
  QXTImportProvider provider(w.fonts);
  auto closed = MemoryStream::ReadView(ReadData("cennik_macce.xtg"));
  closed->Close();
  EXPECT_EQ(provider.CanImportThisStream(*closed), 0);
}

TEST(ImportProviderTest, EveryEncodingOfASampleGivesTheSameStory) {
  for (const char* sample : {"attributes", "cennik", "specials", "styles"}) {
    std::string dumps[3];
    std::string catalogues[3];
    int i = 0;
    for (const char* encoding : {"macce", "wince", "utf16"}) {
      Workspace w;
      QXTImportProvider provider(w.fonts);
      Result r = Import(w, provider, ReadData(std::string(sample) + "_" + encoding + ".xtg"));
      ASSERT_EQ(r.error, kSuccess) << sample << " " << encoding;
      dumps[i] = w.Dump(r.story);
      catalogues[i++] = w.Catalogue();
    }
    // Win CE bytes are read as Mac CE (the stream test cannot tell them apart), so only the
    // ASCII samples agree across all three.
    EXPECT_EQ(dumps[0], dumps[2]) << sample;
    EXPECT_EQ(catalogues[0], catalogues[2]) << sample;
  }
  Workspace w;
  QXTImportProvider provider(w.fonts);
  Result r = Import(w, provider, ReadData("cennik_utf16.xtg"));
  EXPECT_EQ(r.text.substr(0, 15), u"Cennik ogłoszeń");
}

TEST(ImportProviderTest, HeaderSkipAndForcedMacCE) {
  struct Case {
    std::vector<uint8_t> bytes;
    bool force;
    std::u16string text;
  };
  const Case cases[] = {
      {Bytes("<v1.70><e1>\rPierwszy\rDrugi"), false, u"Pierwszy\rDrugi"},
      {Utf16(u"<v1.70><e1>\rPierwszy"), false, u"Pierwszy"},
      {Bytes("<v1.70><e1>\rPierwszy"), true, u"Pierwszy"},
      // Forced: only 12 bytes (6 units) of a UTF-16 header go; the rest is read as text.
      {Utf16(u"<v1.70><e1>\rPierwszy"), true, u">\rPierwszy"},
  };
  for (const Case& c : cases) {
    Workspace w;
    QXTImportProvider provider(w.fonts);
    ScriptedDialog dialog(true, c.force);
    provider.SetOptionsDialog(&dialog);
    Result r = Import(w, provider, c.bytes, ImportUILevel::kFull);
    EXPECT_EQ(r.error, kSuccess);
    EXPECT_EQ(r.text, c.text);
    EXPECT_EQ(dialog.shown, 1);
    EXPECT_TRUE(QXTIDialogFlags().confirmed);
    EXPECT_EQ(QXTIDialogFlags().forceMacCE, c.force);
  }
  QXTIDialogFlags() = {};
}

// Tagged text as other programs write it: every shape of one file gives the story of the
// classic 12-character Mac CE header, and the report names the encoding that was used.
TEST(ImportProviderTest, HeaderShapesAndEncodingsGiveTheSameStory) {
  auto importShape = [](const std::string& shape, bool force, std::string* dump,
                        std::u16string* text, std::u16string* encoding) {
    Workspace w;
    QXTImportProvider provider(w.fonts);
    ScriptedDialog dialog(true, force);
    provider.SetOptionsDialog(&dialog);
    Result r = Import(w, provider, ReadData("wild_" + shape + ".xtg"), ImportUILevel::kFull);
    ASSERT_EQ(r.error, kSuccess) << shape;
    *dump = w.Dump(r.story) + w.Catalogue();
    *text = r.text;
    *encoding = provider.LastReport().encoding;
  };
  std::string reference;
  std::u16string text, encoding;
  importShape("macce", false, &reference, &text, &encoding);
  EXPECT_EQ(encoding, u"Mac Central European");
  EXPECT_EQ(text.substr(0, 40), u"Gull’s „Überschrift” – Łódź\rZażółć gęślą");

  struct Case {
    const char* shape;
    const char16_t* encoding;
  };
  const Case cases[] = {
      {"short_macce", u"Mac Central European"},
      {"long_utf8", u"UTF-8"},
      {"long_utf8_cr", u"UTF-8"},
      {"bom_utf8", u"UTF-8"},
      {"bom_undeclared_utf8", u"UTF-8"},
      {"long_utf16", u"UTF-16"},
  };
  for (const Case& c : cases) {
    std::string dump;
    importShape(c.shape, false, &dump, &text, &encoding);
    EXPECT_EQ(dump, reference) << c.shape;
    EXPECT_EQ(encoding, c.encoding) << c.shape;
  }

  // Declared UTF-8 with an invalid byte, or Force MacCE: read as Mac CE, and said so.
  std::string dump;
  importShape("invalid_utf8", false, &dump, &text, &encoding);
  EXPECT_EQ(encoding, u"Mac Central European (declared UTF-8, but byte 228 is not valid UTF-8)");
  EXPECT_EQ(text.substr(0, 7), u"Gull‚Äô");
  importShape("long_utf8", true, &dump, &text, &encoding);
  EXPECT_EQ(encoding, u"Mac Central European (forced; the file declares UTF-8)");
  EXPECT_NE(dump, reference);
  QXTIDialogFlags() = {};
}

TEST(ImportProviderTest, HeaderLineIsSkippedThroughItsOwnLineEnd) {
  struct Case {
    std::string_view bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"<v1.70><e1>\rA", u"A"},             // the classic 12 characters
      {"<v11.10><e9>\r\nA\r\nB", u"A\rB"},  // longer, CR LF
      {"<v11.10><e9>\nA", u"A"},            // LF
      {"<v2><e1>\rAbc", u"Abc"},            // shorter: nothing of the text is lost
      {"<v1.70>\rA", u"A"},                 // no encoding tag
      {"<v1.70><e1>Abc", u"Abc"},           // no line end: the text follows the tags
      {"<v1.70><e1><B>A", u"A"},            // a tag after the header is the text's
      {"<v1.70", u"<v1.70"},                // never closed: all of it is text
  };
  for (const Case& c : cases) {
    Workspace w;
    QXTImportProvider provider(w.fonts);
    Result r = Import(w, provider, Bytes(c.bytes));
    EXPECT_EQ(r.error, kSuccess) << c.bytes;
    EXPECT_EQ(r.text, c.text) << c.bytes;
  }
  // A version tag beyond the limit is no header: the fixed 12 bytes go, as they always did.
  Workspace w;
  QXTImportProvider provider(w.fonts);
  diag::Capture capture;
  const std::string file = "<v" + std::string(kMaxHeaderTagLength + 1, '1') + ">\rText";
  Result r = Import(w, provider, Bytes(file));
  EXPECT_EQ(r.text.size(), file.size() - 12);
  EXPECT_EQ(r.text.substr(r.text.size() - 4), u"Text");
  EXPECT_NE(capture.Text().find("longer than 64 characters"), std::string::npos);
}

TEST(ImportProviderTest, CancelledDialogImportsNothing) {
  Workspace w;
  QXTImportProvider provider(w.fonts);
  ScriptedDialog dialog(false, true);
  provider.SetOptionsDialog(&dialog);
  const std::vector<uint8_t> before = w.db.Image();
  Result r = Import(w, provider, ReadData("cennik_macce.xtg"), ImportUILevel::kFull);
  EXPECT_EQ(r.error, kImportDialogCancelled);
  EXPECT_EQ(provider.LastError(), kImportDialogCancelled);
  EXPECT_EQ(r.story, kInvalidUID);
  EXPECT_EQ(w.db.Image(), before);

  // Without a dialog to show, the import goes on without options.
  QXTImportProvider bare(w.fonts);
  diag::Capture capture;
  r = Import(w, bare, ReadData("cennik_macce.xtg"), ImportUILevel::kFull);
  EXPECT_EQ(r.error, kSuccess);
  EXPECT_NE(capture.Text().find("Could not create the dialog.\n"), std::string::npos);
}

TEST(ImportProviderTest, WholeImportUndoesInOneStep) {
  Workspace w;
  QXTImportProvider provider(w.fonts);
  const std::vector<uint8_t> before = w.db.Image();
  const size_t steps = w.db.Commands().UndoCount();
  Result r = Import(w, provider, ReadData("styles_macce.xtg"));
  ASSERT_EQ(r.error, kSuccess);
  EXPECT_EQ(w.db.Commands().UndoCount(), steps + 1);
  const std::vector<uint8_t> after = w.db.Image();
  const std::string dump = w.Dump(r.story);

  ASSERT_EQ(w.db.Commands().Undo(), kSuccess);
  EXPECT_EQ(w.db.Image(), before);
  ASSERT_EQ(w.db.Commands().Redo(), kSuccess);
  EXPECT_EQ(w.db.Image(), after);
  EXPECT_EQ(w.Dump(r.story), dump);
}

// Cancels at the given poll of the main pass (the range bar comes with it).
class CancelAfter final : public Progress {
 public:
  explicit CancelAfter(int polls) : polls_(polls) {}
  void DoTask(const std::u16string&, int) override {}
  std::unique_ptr<ProgressBar> CreateRangeBar(const std::u16string&, int64_t, int64_t) override {
    main_pass_ = true;
    return nullptr;
  }
  bool WasCancelled() const override { return main_pass_ && --polls_ < 0; }

 private:
  bool main_pass_ = false;
  mutable int polls_;
};

TEST(ImportProviderTest, CancelledScanRollsBackAndStillReports) {
  Workspace w;
  CreateStyle(w.db, w.ws, StyleKind::kParagraph, u"Tekst", {}, kInvalidUID);
  QXTImportProvider provider(w.fonts);
  std::string text = "<v1.70><e1>\r@Tekst=[S\"\",\"Tekst\"]<z9>\r";
  for (int i = 0; i < 2000; ++i) text += "@Tekst:Line of text <B>bold<B> and more.\r";
  CancelAfter cancel(2);
  provider.SetProgress(&cancel);
  RecordingAlerts alerts;
  const std::vector<uint8_t> before = w.db.Image();
  Result r = Import(w, provider, Bytes(text));
  EXPECT_EQ(r.error, kFailure);
  EXPECT_EQ(r.story, kInvalidUID);
  EXPECT_EQ(w.db.Image(), before);
  ASSERT_EQ(alerts.texts.size(), 1u);
  EXPECT_EQ(provider.LastReport().paragraphStyles, std::vector<std::u16string>{u"Tekst"});
}

TEST(ImportProviderTest, EndReportListsExistingNamesInTheOrderMet) {
  Workspace w;
  for (const char16_t* name : {u"Body", u"Head"}) {
    CreateStyle(w.db, w.ws, StyleKind::kParagraph, name, {}, kInvalidUID);
  }
  QXTImportProvider provider(w.fonts);
  RecordingAlerts alerts;
  Result r = Import(w, provider,
                    Bytes("<v1.70><e1>\r@Body=[S\"\",\"Body\"]<z9>\r@Head=[S\"\",\"Head\"]<z14>\r"
                          "@Em=<B>\r@Em=<I>\r@Red=[C]<\"CMYK\",0,0,0,0,1,1,0,0>\r"
                          "@Red=[C]<\"CMYK\",0,0,0,0,1,1,0,0>\r@Head:x<f\"Nofont\">y"));
  ASSERT_EQ(r.error, kSuccess);
  EXPECT_EQ(r.text, u"xy");
  const std::u16string expected =
      Translate("0x113380kQXTImportFilterCouldNotAddOneOrMoreOfTheFollowingStyles") +
      u"\r\rCharacter styles: Em\r\rParagraph styles: Body, Head\r\rColor swatches: Red";
  ASSERT_EQ(alerts.texts.size(), 1u);
  EXPECT_EQ(alerts.texts[0], expected);
  EXPECT_EQ(provider.LastReport().message, expected);
  EXPECT_EQ(provider.LastReport().missingFonts, std::vector<std::u16string>{u"Nofont"});

  EXPECT_EQ(BuildEndReport({}, {}, {}), u"");
  EXPECT_EQ(BuildEndReport({}, {u"Body", u"Head"}, {}),
            Translate("0x113380kQXTImportFilterCouldNotAddOneOrMoreOfTheFollowingStyles") +
                u"\r\rParagraph styles: Body, Head");

  // Nothing to report: no alert.
  Workspace fresh;
  QXTImportProvider quiet(fresh.fonts);
  alerts.texts.clear();
  EXPECT_EQ(Import(fresh, quiet, ReadData("cennik_macce.xtg")).error, kSuccess);
  EXPECT_TRUE(alerts.texts.empty());
}

}  // namespace
}  // namespace tarvelin
