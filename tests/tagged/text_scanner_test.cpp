#include "tagged/text_scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "core/diagnostics.h"
#include "core/stream.h"
#include "core/utf16.h"
#include "tagged/recording_sink.h"

namespace tarvelin {
namespace {

// A document with the usual defaults: "Normal" styles, two swatches, one font family with
// its four faces, the story ending in Arial Regular.
void Catalogue(RecordingSink& sink) {
  sink.paragraphStyles = {u"Normal"};
  sink.characterStyles = {u"Normal"};
  sink.swatches = {u"Black", u"Red"};
  sink.fonts = {u"Arial"};
  sink.faces[u"Arial"] = {u"Regular", u"Italic", u"Bold", u"Bold Italic"};
  sink.defaultFamily = u"Arial";
  sink.defaultFace = u"Regular";
}

// The operations of a scan, without the default paragraph style that every short input
// without definitions starts with.
std::string Ops(const RecordingSink& sink) {
  std::string ops = sink.Joined();
  const std::string prefix = "pstyle(Normal,keepFont)";
  if (ops.rfind(prefix, 0) == 0) ops.erase(0, prefix.size() + (ops.size() > prefix.size()));
  return ops;
}

std::string Scan(std::u16string input) {
  RecordingSink sink;
  Catalogue(sink);
  TextScanner scanner(std::move(input), sink, sink);
  EXPECT_EQ(scanner.Scan(), ScanResult::kImported);
  return Ops(sink);
}

struct Case {
  const char16_t* input;
  const char* ops;
};

void RunTable(std::initializer_list<Case> cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.input));
    EXPECT_EQ(Scan(c.input), c.ops);
  }
}

TEST(TextScannerTest, TextLineEndsAndSpecialCharacters) {
  RunTable({
      {u"<\\<>", "\"<\""},
      {u"<\\>>", "\">\""},
      {u"<\\@>", "\"@\""},
      {u"a\\b", "\"a\\\\b\""},
      {u"a\r\nb", "\"a\\rb\""},
      {u"a\nb", "\"ab\""},
      {u"a\n\rb", "\"a\\n\\rb\""},
      {u"a\rb\r", "\"a\\rb\\r\""},
      {u"Zażółć gęślą jaźń", "\"Zażółć gęślą jaźń\""},
      {u"a<\\n\\s\\t\\i\\!s\\!h\\!q>b", "\"a\\n \\u0008\\u0007\\u00A0\\u2011b\""},
      {u"<v1.70><e1>x", "\"x\""},
  });
}

TEST(TextScannerTest, CharacterAttributes) {
  RunTable({
      {u"<z12.5><z12,5>", "char{pointSize=12.5} char{pointSize=12.5}"},
      {u"<h120>", "char{horizontalScale=1.2}"},
      {u"<y80>", "char{verticalScale=0.8}"},
      {u"<k10t-20>", "char{kerning=0.05} char{tracking=-0.1}"},
      {u"<b2.5s50>", "char{baselineShift=2.5}"},
      {u"<+>a<->b", "char{position=1} \"a\" char{position=2} \"b\""},
      {u"<f\"Arial\">", "char{fontFamily=Arial}"},
      {u"<c\"Red\"><c\"Nope\"><cRed>", "char{colour=Red}"},
      {u"<*kn1>", "char{keepWithNext=1}"},
      {u"<*h\"Std\"*kt(2,2)*ktA*t(0,0,\"1 \")[x,y]P>", ""},
  });
}

TEST(TextScannerTest, TogglesAndFaces) {
  RunTable({
      {u"<K><K>", "char{capitalisation=2} char{capitalisation=0}"},
      {u"<H><*d0><H><*d(1,2)>",
       "char{capitalisation=1} char{capitalisation=3} char{capitalisation=0} "
       "char{capitalisation=0}"},
      {u"<U>a<U></></>",
       "char{underline=1} \"a\" char{underline=0} char{strikethrough=1} "
       "char{strikethrough=0}"},
      {u"<B>x<B>y", "char{fontStyle=Bold} \"x\" char{fontStyle=Regular} \"y\""},
      {u"<B><I><I><B>",
       "char{fontStyle=Bold} char{fontStyle=Bold Italic} char{fontStyle=Italic} "
       "char{fontStyle=Bold Italic}"},
      {u"<I><B>", "char{fontStyle=Italic} char{fontStyle=Bold Italic}"},
  });
}

TEST(TextScannerTest, ParagraphAttributesAndRules) {
  RunTable({
      {u"<*L*C*R*F*J>",
       "para{alignment=0} para{alignment=1} para{alignment=2} para{alignment=3} "
       "para{alignment=4}"},
      {u"<*p(0,0,0,0,0,0,g)>", ""},
      {u"<*p(1,2,3,0,0,0,0,0)>", "char{leftIndent=1,firstLineIndent=2,rightIndent=3}"},
      {u"<*p(1,2,3,14,0,0,0,g)>", "char{leftIndent=1,firstLineIndent=2,rightIndent=3,leading=14}"},
      {u"<*rb(1,0,\"Black\",100,T2,3,50%)>", "para{ruleBelow=(1,Black,2,3,50,col)}"},
      {u"<*ra(0.5,0,\"Nope\",100,4)>", "para{ruleAbove=(0.5,,4,0,0)}"},
      {u"<*ra0>", "para{ruleAbove=(0,,0,0,0)}"},
      // A rule without its own list takes the last list of the same tag.
      {u"<*rb(2,0,\"Red\",0,1,0,0)*ra0>",
       "para{ruleBelow=(2,Red,1,0,0)} para{ruleAbove=(2,Red,1,0,0)}"},
  });
}

TEST(TextScannerTest, RevertsAndCharacterStyles) {
  RunTable({
      {u"<f$z$c$k$t$b$>",
       "revert(fontFamily) revert(pointSize) revert(colour) revert(kerning) revert(tracking) "
       "revert(baselineShift)"},
      {u"<h50>a<y$>", "char{horizontalScale=0.5} \"a\" revert(horizontalScale)"},
      {u"<y50h$>", "char{verticalScale=0.5} revert(verticalScale)"},
      {u"<h$y$s$>", ""},
      {u"<$>", "revertAll"},
      {u"<$B>", "revertAll"},
      {u"<a$$B>", "revertAll char{fontStyle=Bold}"},
      {u"<@Emph>", "cstyle(Emph)"},
      {u"<@$>", "cstyle(Normal)"},
      {u"<@$p><@>", "cstyle() cstyle()"},
      {u"<x?Emph><x?$><x?$p>", "cstyle(Emph) cstyle() cstyle()"},
  });
}

TEST(TextScannerTest, StyleSequences) {
  RunTable({
      {u"a@b", "\"a@b\""},
      {u"_@b:", "\"_@b:\""},
      {u" @Body:x", "\" \" pstyle(Body) \"x\""},
      {u"@$:x", "pstyle(Normal) \"x\""},
      {u"@:x", "\"x\""},
      {u"@A\\:B:x", "pstyle(A:B) \"x\""},
      {u"@Emph=<B z10>\rx", "defc(Emph){fontStyle=Bold,pointSize=10} cstyle(Emph) \"x\""},
      {u"@Emph=<z9\\>>x", "defc(Emph){pointSize=9} cstyle(Emph) \"x\""},
      {u"@Normal=<B>x", "cstyle(Normal) \"x\""},
      {u"@Body=[S\"\",\"Body\"]<*C z12>\rtext", "defp(Body){alignment=1,pointSize=12} \"text\""},
      {u"@Emph=<z10>\r@Head=[S\"\",\"Head\",\"Emph\"]<*C>\r",
       "defc(Emph){pointSize=10} cstyle(Emph) defp(Head){pointSize=10,alignment=1}"},
      {u"@Normal=[S\"\",\"Normal\"]<*C>\rx", "\"x\""},
      {u"@Plain=[S\"\",\"Plain\"]\rx", "defp(Plain){} \"x\""},
      {u"@Cyan=[C]<\"CMYK\",0,0,0,1,0.5,0,x,0.25>\rx", "colour(Cyan,CMYK,1,0.5,0,0.25) \"x\""},
      {u"@Sky=[C]<\"RGB\",a,b,c,\"0.2\", 0.4 ,1>\rx", "colour(Sky,RGB,0.2,0.4,1,0) \"x\""},
      {u"@Red=[C]<\"CMYK\",0,0,0,0,1,1,0,0>\rx", "\"x\""},
      {u"@Lab=[C]<\"LAB\",0,0,0,50,1,1>\rx", "\"x\""},
      {u"@Half=[C]<\"RGB\",0,0,0,1,,1>\rx", "\"x\""},
      {u"@Odd=[C]x", "\"x\""},
  });
}

// Faults in the input keep everything after them.
TEST(TextScannerTest, IncompleteSequencesKeepTheirText) {
  RunTable({
      {u"x @Body", "\"x @Body\""},
      {u"@", "\"@\""},
      {u"email @ home\rSubject: hi", "\"email @ home\\rSubject: hi\""},
      {u"@a <B>b: c", "\"@a \" char{fontStyle=Bold} \"b: c\""},
      {u"@X=", "\"@X=\""},
      {u"@X=q", "\"@X=q\""},
      {u"@E=<B", "\"@E=<B\""},
      {u"@E=<B\rmore<I>x", "\"@E=<B\\rmore\" char{fontStyle=Italic} \"x\""},
      {u"@P=[S\"\",\"P\"", "\"@P=[S\\\"\\\",\\\"P\\\"\""},
      {u"@P=[S\"\"\r]x", "\"@P=[S\\\"\\\"\\r]x\""},
      {u"@P=[S\"\",\"P\"]<*C", "\"@P=[S\\\"\\\",\\\"P\\\"]<*C\""},
      {u"@C=[C]<\"CMYK\",1", "\"@C=[C]<\\\"CMYK\\\",1\""},
      {u"a<Bb", "\"a<Bb\""},
      {u"a<B c<I>d", "\"a<B c\" char{fontStyle=Italic} \"d\""},
      {u"<f\"Arial>x", "char{fontFamily=Arial} \"x\""},
  });
}

TEST(TextScannerTest, NothingAfterAFaultIsLost) {
  const char16_t* faults[] = {
      u"<B",
      u"<f\"Arial",
      u"<*p(1,2",
      u"@Body",
      u"@E=<B",
      u"@P=[S\"\",\"P\"",
      u"@P=[S]<*C",
      u"@C=[C]<\"CMYK\"",
      u"@X=",
      u"<\\",
      u"@=<B>",
      u"<*ra(1,0,\"",
      u"@C=[C]<\"HSB\">",
  };
  for (const char16_t* fault : faults) {
    SCOPED_TRACE(ToUtf8(fault));
    RecordingSink sink;
    Catalogue(sink);
    TextScanner scanner(std::u16string(fault) + u"\rTAIL one\rTAIL two", sink, sink);
    EXPECT_EQ(scanner.Scan(), ScanResult::kImported);
    EXPECT_NE(sink.Text().find(u"TAIL one\rTAIL two"), std::u16string::npos) << ToUtf8(sink.Text());
  }
}

TEST(TextScannerTest, DefaultStylesWhenTheFileDefinesNone) {
  RecordingSink sink;
  TextScanner scanner(u"abc", sink, sink);
  ASSERT_EQ(scanner.Scan(), ScanResult::kImported);
  EXPECT_EQ(sink.Joined(), "defc(Normal){} defp(Normal){} pstyle(Normal,keepFont) \"abc\"");
  EXPECT_EQ(scanner.CreatedCharacterStyles(), (std::vector<std::u16string>{u"Normal", u"Normal"}));

  // Definitions within the first lines: no defaults.
  RecordingSink defined;
  TextScanner with_defs(u"@E=<B>\r@P=[S\"\",\"P\"]<*C>\rx", defined, defined);
  ASSERT_EQ(with_defs.Scan(), ScanResult::kImported);
  EXPECT_EQ(defined.Ops().front(), "defc(E){}");

  // A paragraph style definition after the third line comes too late.
  RecordingSink late;
  Catalogue(late);
  diag::Capture capture;
  TextScanner late_scanner(u"@E=<z9>\r1\r2\r3\r4\r@P=[S\"\",\"P\"]<*C>\r", late, late);
  ASSERT_EQ(late_scanner.Scan(), ScanResult::kImported);
  EXPECT_EQ(late.Ops().front(), "pstyle(Normal,keepFont)");
  EXPECT_EQ(capture.Text(), "nie mamy naszych styli...\n");
}

TEST(TextScannerTest, NoNormalParagraphStyleLeavesTheAtSign) {
  RecordingSink sink;  // an empty document: no style can be made for "Body"
  sink.failApplications = true;
  diag::Capture capture;
  TextScanner scanner(u"@Body:text", sink, sink);
  ASSERT_EQ(scanner.Scan(), ScanResult::kImported);
  EXPECT_EQ(sink.Text(), u"@text");
  EXPECT_EQ(sink.Joined(),
            "defc(Normal){} defp(Normal){} pstyle!(Normal,keepFont) pstyle!(Body) \"@text\"");
}

TEST(TextScannerTest, ReportsExistingNamesAndMissingFonts) {
  RecordingSink sink;
  Catalogue(sink);
  sink.paragraphStyles.insert(u"Body");
  diag::Capture capture;
  TextScanner scanner(
      u"@Normal=<B>@Body=[S\"\",\"Body\"]<*C>\r@Red=[C]<\"RGB\",0,0,0,1,0,0>\r"
      u"@Lab=[C]<\"LAB\",0,0,0,1,0,0>\r<f\"Nofont\">a<f\"Nofont\">b<f\"Gone\">@Body=[S]\r",
      sink, sink);
  ASSERT_EQ(scanner.Scan(), ScanResult::kImported);
  EXPECT_EQ(scanner.ExistingCharacterStyles(), (std::vector<std::u16string>{u"Normal"}));
  EXPECT_EQ(scanner.ExistingParagraphStyles(), (std::vector<std::u16string>{u"Body", u"Body"}));
  EXPECT_EQ(scanner.ExistingSwatches(), (std::vector<std::u16string>{u"Red"}));
  EXPECT_EQ(scanner.MissingFonts(), (std::vector<std::u16string>{u"Nofont", u"Gone"}));
  EXPECT_EQ(capture.Text(),
            "Para style with name \"Body\" already exist. Will not change.\n"
            "Extension Colvix does not support color type \"LAB\".\n"
            "no such font name Nofont\n"
            "no such font name Gone\n"
            "Para style with name \"Body\" already exist. Will not change.\n");
  EXPECT_EQ(sink.Text(), u"ab");
}

TEST(TextScannerTest, NoStoryStopsTheScan) {
  RecordingSink sink;
  sink.storyAvailable = false;
  diag::Capture capture;
  TextScanner scanner(u"abc", sink, sink);
  EXPECT_EQ(scanner.Scan(), ScanResult::kStopped);
  EXPECT_EQ(sink.OperationCount(), 0u);
  EXPECT_NE(capture.Text().find("is nil."), std::string::npos);
}

// Cancels once the main loop's bar has passed a position.
class CancelAt final : public Progress {
 public:
  explicit CancelAt(int64_t at) : at_(at) {}
  void DoTask(const std::u16string& title, int) override { task = title; }
  std::unique_ptr<ProgressBar> CreateRangeBar(const std::u16string& title, int64_t,
                                              int64_t max) override {
    barTitle = title;
    barMax = max;
    return std::make_unique<Bar>(*this);
  }
  bool WasCancelled() const override { return position_ >= at_; }

  std::u16string task, barTitle;
  int64_t barMax = 0;

 private:
  struct Bar final : ProgressBar {
    explicit Bar(CancelAt& p) : p_(p) {}
    void SetPosition(int64_t position) override { p_.position_ = position; }
    void SetTitle(const std::u16string&) override {}
    bool WasCancelled() const override { return p_.WasCancelled(); }
    CancelAt& p_;
  };
  int64_t at_;
  int64_t position_ = -1;
};

TEST(TextScannerTest, CancelKeepsWhatWasInserted) {
  std::u16string input;
  for (int i = 0; input.size() < 50000; ++i) input += u"word <B>" + std::u16string(i % 7, u'x');
  RecordingSink sink;
  Catalogue(sink);
  CancelAt progress(20000);
  TextScanner scanner(input, sink, sink, &progress);
  EXPECT_EQ(scanner.Scan(), ScanResult::kStopped);
  EXPECT_EQ(progress.task, u"Importing QuarkXPress tags");
  EXPECT_EQ(progress.barTitle, u"Converting QuarkXPress tags to InDesign styled text");
  EXPECT_EQ(progress.barMax, static_cast<int64_t>(input.size()));

  RecordingSink whole;
  Catalogue(whole);
  TextScanner all(input, whole, whole);
  ASSERT_EQ(all.Scan(), ScanResult::kImported);
  // Stopped near 40 % of the input, with everything before it inserted.
  EXPECT_GT(sink.Text().size(), whole.Text().size() / 4);
  EXPECT_LT(sink.Text().size(), whole.Text().size() / 2);
  EXPECT_EQ(whole.Text().substr(0, sink.Text().size()), sink.Text());
}

TEST(TextScannerTest, ReadsStreamsInEachEncodingAndSwaps) {
  const std::u16string text = u"<B>Zażółć\r";
  std::vector<uint8_t> le, be;
  for (char16_t c : text) {
    le.push_back(static_cast<uint8_t>(c & 0xFF));
    le.push_back(static_cast<uint8_t>(c >> 8));
    be.push_back(static_cast<uint8_t>(c >> 8));
    be.push_back(static_cast<uint8_t>(c & 0xFF));
  }
  // "Zażółć" in Mac Central European and in Windows-1250.
  std::vector<uint8_t> mac = {'Z', 'a', 0xFD, 0x97, 0xB8, 0x8D};
  std::vector<uint8_t> win = {'Z', 'a', 0xBF, 0xF3, 0xB3, 0xE6};
  struct {
    std::vector<uint8_t> bytes;
    int selector;
    bool swap;
    std::u16string expected;
  } cases[] = {
      {le, kEncodingUnicode, false, text},
      {be, kEncodingUnicode, true, text},
      {mac, kEncodingMacCE, false, u"Zażółć"},
      {win, kEncodingWinCE, false, u"Zażółć"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.selector);
    auto stream = MemoryStream::ReadView(c.bytes);
    RecordingSink sink;
    Catalogue(sink);
    TextScanner scanner(*stream, c.selector, sink, sink, nullptr, 0, c.swap);
    ASSERT_EQ(scanner.Scan(), ScanResult::kImported);
    EXPECT_EQ(scanner.InputText(), c.expected);
  }
}

// 100,000 definitions, nested or repeated, and long faulty lines: linear, nothing lost.
TEST(TextScannerTest, ManyDefinitionsAndLongFaultyLines) {
  constexpr int kCount = 100000;
  {
    std::u16string input;
    for (int i = 0; i < kCount; ++i) input += u"@S=<B>\r";
    input += u"end";
    RecordingSink sink;
    Catalogue(sink);
    TextScanner scanner(input, sink, sink);
    ASSERT_EQ(scanner.Scan(), ScanResult::kImported);
    EXPECT_EQ(scanner.ExistingCharacterStyles().size(), static_cast<size_t>(kCount - 1));
    EXPECT_EQ(sink.Text(), u"end");
  }
  {
    std::u16string input;
    for (int i = 0; i < kCount; ++i) input += u"@a=<";
    RecordingSink sink;
    Catalogue(sink);
    TextScanner scanner(input, sink, sink);
    ASSERT_EQ(scanner.Scan(), ScanResult::kImported);
    EXPECT_EQ(sink.Text(), input);
  }
  {
    std::u16string input;
    for (int i = 0; i < kCount; ++i) input += u"@P=[S\"\",";
    input += u"\r@";
    RecordingSink sink;
    Catalogue(sink);
    TextScanner scanner(input, sink, sink);
    ASSERT_EQ(scanner.Scan(), ScanResult::kImported);
    EXPECT_EQ(sink.Text(), input);
  }
  {
    std::u16string input(kCount * 10, u'@');
    input += u":x";
    RecordingSink sink;
    Catalogue(sink);
    TextScanner scanner(input, sink, sink);
    ASSERT_EQ(scanner.Scan(), ScanResult::kImported);
    // The first '@' names a style of the other '@'; its paragraph style takes them.
    EXPECT_EQ(sink.Text(), u"x");
  }
  {
    std::u16string body(1 << 20, u'v');
    RecordingSink sink;
    Catalogue(sink);
    TextScanner scanner(u"<" + body + u"B>after", sink, sink);
    ASSERT_EQ(scanner.Scan(), ScanResult::kImported);
    EXPECT_EQ(Ops(sink), "char{fontStyle=Bold} \"after\"");
  }
}

// Random inputs over the grammar's characters: no crash, and the scan always completes.
TEST(TextScannerTest, RandomInputsScanToTheEnd) {
  const std::u16string alphabet = u"<>@:=[](),\"\\*$aBcfzCkr0125T.%\r\n xp!";
  std::mt19937 rng(1234);
  for (int round = 0; round < 3000; ++round) {
    std::u16string input;
    size_t len = rng() % 120;
    for (size_t i = 0; i < len; ++i) input += alphabet[rng() % alphabet.size()];
    input += u"\rTAIL";
    RecordingSink sink;
    Catalogue(sink);
    diag::Capture capture;
    TextScanner scanner(input, sink, sink);
    ASSERT_EQ(scanner.Scan(), ScanResult::kImported) << ToUtf8(input);
  }
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  auto stream = FileStream::OpenRead(path);
  EXPECT_TRUE(stream) << path;
  std::vector<uint8_t> bytes;
  if (!stream) return bytes;
  for (auto b = stream->ReadByte(); b; b = stream->ReadByte()) bytes.push_back(*b);
  return bytes;
}

struct FileScan {
  std::u16string input;
  std::string ops;
  std::string diagnostics;
};

// Scans a sample file as the import does: past the 12-character header line.
FileScan ScanFile(const std::string& path, int selector) {
  auto stream = FileStream::OpenRead(path);
  EXPECT_TRUE(stream) << path;
  if (!stream) return {};
  stream->Seek(selector == kEncodingUnicode ? 24 : 12, SeekFrom::kStart);
  RecordingSink sink;
  Catalogue(sink);
  diag::Capture capture;
  TextScanner scanner(*stream, selector, sink, sink, nullptr, 0, false);
  EXPECT_EQ(scanner.Scan(), ScanResult::kImported);
  return {scanner.InputText(), sink.Joined(), capture.Text()};
}

// The three encodings of each sample read to the same text and the same operations, and
// the text is the UTF-8 source with CR line ends.
TEST(TextScannerFilesTest, SamplesReadAlikeInEveryEncoding) {
  const std::string data = TARVELIN_TEST_DATA;
  for (const char* name : {"styles", "attributes", "specials", "cennik"}) {
    SCOPED_TRACE(name);
    auto source = ReadBytes(data + "/tagged_src/" + name + ".txt");
    std::u16string expected = FromUtf8(std::string(source.begin(), source.end()));
    std::replace(expected.begin(), expected.end(), u'\n', u'\r');
    FileScan mac = ScanFile(data + "/" + name + "_macce.xtg", kEncodingMacCE);
    FileScan win = ScanFile(data + "/" + name + "_wince.xtg", kEncodingWinCE);
    FileScan uni = ScanFile(data + "/" + name + "_utf16.xtg", kEncodingUnicode);
    EXPECT_EQ(mac.input, expected);
    EXPECT_EQ(win.input, expected);
    EXPECT_EQ(uni.input, expected);
    EXPECT_EQ(mac.ops, uni.ops);
    EXPECT_EQ(win.ops, uni.ops);
    EXPECT_EQ(mac.diagnostics, uni.diagnostics);
    EXPECT_EQ(win.diagnostics, uni.diagnostics);
  }
  FileScan styles = ScanFile(data + "/styles_utf16.xtg", kEncodingUnicode);
  EXPECT_EQ(
      styles.ops,
      "colour(Czerwony,CMYK,0,1,1,0) colour(Niebieski,RGB,0.1,0.3,0.9,0) "
      "defc(Wyróżnienie){fontStyle=Bold,pointSize=11,colour=Czerwony} cstyle(Wyróżnienie) "
      "defc(Cena){pointSize=12,capitalisation=3,underline=1} cstyle(Cena) "
      "defp(Tekst){alignment=4,pointSize=9,fontFamily=Arial,leftIndent=0,firstLineIndent=8,"
      "rightIndent=0,leading=11} "
      "defp(Nagłówek){fontStyle=Bold,pointSize=11,colour=Czerwony,alignment=1,pointSize=14,"
      "ruleBelow=(1,Czerwony,0,0,20,col)} "
      "pstyle(Nagłówek) \"Ogłoszenia drobne\\r\" pstyle(Tekst) \"Sprzedam mieszkanie w Łodzi, \" "
      "cstyle(Cena) \"250 000 zł\" cstyle() \", tel. 600 100 200.\\r\" pstyle(Tekst) "
      "\"Kupię działkę budowlaną. \" cstyle(Wyróżnienie) \"Pilne!\" cstyle() \"\\r\" "
      "pstyle(Normal) \"Koniec.\\r\"");
  EXPECT_EQ(styles.diagnostics, "");

  FileScan example = ScanFile(std::string(TARVELIN_EXAMPLES) + "/cennik.xtg", kEncodingMacCE);
  EXPECT_EQ(example.ops, ScanFile(data + "/cennik_macce.xtg", kEncodingMacCE).ops);
}

}  // namespace
}  // namespace tarvelin
