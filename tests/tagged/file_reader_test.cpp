#include "tagged/file_reader.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "core/diagnostics.h"
#include "core/utf16.h"

namespace tarvelin {
namespace {

std::unique_ptr<MemoryStream> Bytes(std::vector<uint8_t> bytes) {
  return MemoryStream::ReadOwned(std::move(bytes));
}

// Everything the reader yields up to the end.
std::u16string ReadAll(KFileReader& reader) {
  std::u16string text;
  for (char16_t c = reader.ReadChar(); c != 0; c = reader.ReadChar()) text.push_back(c);
  return text;
}

// The system's decoding of one byte, or nullopt when the encoding has no character there.
std::optional<char16_t> IconvDecode(const char* encoding, uint8_t byte) {
  iconv_t cd = iconv_open("UTF-16LE", encoding);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  char in[1] = {static_cast<char>(byte)};
  char out[8] = {};
  char* inp = in;
  char* outp = out;
  size_t inLeft = 1;
  size_t outLeft = sizeof out;
  size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || outLeft != sizeof out - 2) return std::nullopt;
  return static_cast<char16_t>(static_cast<uint8_t>(out[0]) | static_cast<uint8_t>(out[1]) << 8);
}

bool IconvKnows(const char* encoding) {
  iconv_t cd = iconv_open("UTF-16LE", encoding);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

char16_t DecodeOne(KFileReader& reader, uint8_t byte) {
  auto s = Bytes({byte});
  reader.SetStream(s.get());
  return reader.ReadChar();
}

// Both single-byte tables must agree with the published mappings as the C library ships
// them, byte for byte. Bytes that Windows-1250 leaves undefined decode to U+FFFD.
TEST(FileReaderTest, SingleByteTablesMatchTheSystemsMappings) {
  struct Case {
    const char* name;
    std::vector<const char*> iconvNames;
    int selector;
    std::vector<uint8_t> undefined;
  };
  const Case cases[] = {
      {"Mac CE", {"MAC-CENTRALEUROPE", "MACCENTRALEUROPE"}, kEncodingMacCE, {}},
      {"Win CE", {"CP1250", "WINDOWS-1250"}, kEncodingWinCE, {0x81, 0x83, 0x88, 0x90, 0x98}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const char* iconvName = nullptr;
    for (const char* n : c.iconvNames) {
      if (IconvKnows(n)) iconvName = n;
    }
    ASSERT_NE(iconvName, nullptr) << "the C library offers no converter for " << c.name;
    auto reader = CreateReader(c.selector);
    std::vector<uint8_t> undefined;
    for (int b = 0x80; b <= 0xFF; ++b) {
      SCOPED_TRACE(b);
      std::optional<char16_t> expected = IconvDecode(iconvName, static_cast<uint8_t>(b));
      if (!expected) undefined.push_back(static_cast<uint8_t>(b));
      EXPECT_EQ(DecodeOne(*reader, static_cast<uint8_t>(b)), expected.value_or(0xFFFD));
    }
    EXPECT_EQ(undefined, c.undefined);
    for (int b = 0x01; b < 0x80; ++b) EXPECT_EQ(DecodeOne(*reader, static_cast<uint8_t>(b)), b);
  }
}

TEST(FileReaderTest, TableRowsAreAscendingAndDecodeAsListed) {
  struct Case {
    std::span<const ByteMapping> rows;
    size_t count;
    int selector;
  };
  for (const Case& c :
       {Case{MacCETableRows(), 128, kEncodingMacCE}, Case{WinCETableRows(), 124, kEncodingWinCE}}) {
    ASSERT_EQ(c.rows.size(), c.count);
    auto reader = CreateReader(c.selector);
    for (size_t i = 0; i < c.rows.size(); ++i) {
      if (i > 0) {
        EXPECT_LT(c.rows[i - 1].byte, c.rows[i].byte);
      }
      EXPECT_GE(c.rows[i].byte, 0x80);
      EXPECT_EQ(DecodeOne(*reader, c.rows[i].byte), c.rows[i].unit);
    }
  }
}

TEST(FileReaderTest, SelectorChoosesTheEncoding) {
  struct Case {
    int selector;
    int charSize;
    std::vector<uint8_t> bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {1, 1, {0x8C, 0x80}, u"\u0106\u00C4"},
      {2, 1, {0x8C, 0x80, 0xA5, 0xB9}, u"\u015A\u20AC\u0104\u0105"},
      {3, 2, {0x8C, 0x01, 0x41, 0x00}, u"\u018CA"},
      {0, 2, {0x41, 0x00}, u"A"},
      {7, 2, {0x41, 0x00}, u"A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selector);
    auto reader = CreateReader(c.selector);
    EXPECT_EQ(reader->GetCharSize(), c.charSize);
    auto s = Bytes(c.bytes);
    reader->SetStream(s.get());
    EXPECT_EQ(ReadAll(*reader), c.text);
  }
}

// NUL units and unmapped bytes must not end the input: the text after them was lost
// while the import reported success.
TEST(FileReaderTest, NulsAreDroppedAndUnmappedBytesReplacedWithoutEndingTheInput) {
  struct Case {
    const char* name;
    int selector;
    std::vector<uint8_t> bytes;
    std::u16string text;
    int64_t nuls;
    int64_t replaced;
  };
  const Case cases[] = {
      {"win nul and 0x83", 2, {'a', 0, 'b', 0x83, 'c', 0, 0}, u"ab\uFFFDc", 3, 1},
      {"win fallback bytes", 2, {0x81, 0x88, 0x90, 0x98, 'z'}, u"\uFFFD\uFFFD\uFFFD\uFFFDz", 0, 4},
      {"mac nul", 1, {0, 0x8C, 0, 'x'}, u"\u0106x", 2, 0},
      {"unicode nul unit", 3, {'a', 0, 0, 0, 'b', 0}, u"ab", 1, 0},
      {"unicode odd last byte", 3, {'a', 0, 'b'}, u"a\uFFFD", 0, 1},
      {"unicode keeps bom", 3, {0xFF, 0xFE, 'a', 0}, u"\uFEFFa", 0, 0},
      {"unicode keeps line ends", 3, {'\r', 0, '\n', 0}, u"\r\n", 0, 0},
      {"empty", 2, {}, u"", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto reader = CreateReader(c.selector);
    auto s = Bytes(c.bytes);
    reader->SetStream(s.get());
    EXPECT_EQ(ReadAll(*reader), c.text);
    EXPECT_EQ(reader->ReadChar(), 0) << "the end stays the end";
    EXPECT_EQ(reader->NulCount(), c.nuls);
    EXPECT_EQ(reader->ReplacedCount(), c.replaced);
  }
}

TEST(FileReaderTest, GetLengthKeepsThePosition) {
  auto s = Bytes({'a', 'b', 'c', 'd', 'e'});
  WinCEFileReader reader;
  reader.SetStream(s.get());
  EXPECT_EQ(reader.StoredLength(), 5);
  reader.ReadChar();
  reader.ReadChar();
  EXPECT_EQ(reader.GetLength(), 5);
  EXPECT_EQ(reader.ReadChar(), u'c');
  UNICODEFileReader none;
  EXPECT_EQ(none.GetLength(), 0);
  EXPECT_EQ(none.ReadChar(), 0);
  EXPECT_FALSE(none.PushPosition());
}

TEST(FileReaderTest, PositionStackReturnsToMarkedCharacters) {
  for (int selector : {kEncodingWinCE, kEncodingUnicode}) {
    SCOPED_TRACE(selector);
    auto reader = CreateReader(selector);
    std::vector<uint8_t> bytes;
    for (char ch : std::string("xyz")) {
      bytes.push_back(static_cast<uint8_t>(ch));
      if (selector == kEncodingUnicode) bytes.push_back(0);
    }
    auto s = Bytes(bytes);
    reader->SetStream(s.get());
    EXPECT_EQ(reader->ReadChar(), u'x');
    ASSERT_TRUE(reader->PushPositionBeforeLastChar());  // marks 'x', position 0
    EXPECT_EQ(reader->ReadChar(), u'y');
    ASSERT_TRUE(reader->PushPosition());  // marks 'z'
    EXPECT_EQ(reader->ReadChar(), u'z');
    EXPECT_TRUE(reader->PopPosition());
    EXPECT_EQ(reader->ReadChar(), u'z');
    EXPECT_TRUE(reader->PopPosition());
    EXPECT_EQ(reader->ReadChar(), u'x');
    diag::Capture capture;
    EXPECT_FALSE(reader->PopPosition());
    EXPECT_EQ(capture.Text(), "stack too small\n");
    EXPECT_EQ(reader->ReadChar(), u'y') << "a failed pop leaves the stream where it is";
  }
}

// Reading a stretch again after a pop must not count its NULs and replacements twice.
TEST(FileReaderTest, CountsFollowThePositionStack) {
  auto s = Bytes({'a', 0, 0x83, '{', 0, 0x83, 'b'});
  WinCEFileReader reader;
  reader.SetStream(s.get());
  ASSERT_TRUE(reader.PushPosition());
  EXPECT_EQ(ReadAll(reader), u"a\uFFFD{\uFFFDb");
  ASSERT_TRUE(reader.PopPosition());
  EXPECT_EQ(reader.ReadChar(), u'a');
  EXPECT_EQ(reader.ReadChar(), 0xFFFD);  // the marked character is a replacement
  ASSERT_TRUE(reader.PushPositionBeforeLastChar());
  EXPECT_EQ(ReadAll(reader), u"{\uFFFDb");
  ASSERT_TRUE(reader.PopPosition());
  EXPECT_EQ(ReadAll(reader), u"\uFFFD{\uFFFDb");
  EXPECT_EQ(reader.NulCount(), 2);
  EXPECT_EQ(reader.ReplacedCount(), 2);
}

// A file larger than the stream's buffer: marks far behind the current buffer still work.
TEST(FileReaderTest, PositionStackWorksAcrossFileBuffers) {
  auto path = std::filesystem::temp_directory_path() /
              ("tarvelin_file_reader_big_" + std::to_string(::getpid()) + ".txt");
  std::string text;
  for (int i = 0; i < 300000; ++i) text.push_back(static_cast<char>('a' + i % 26));
  std::ofstream(path, std::ios::binary) << text;
  auto s = FileStream::OpenRead(path);
  ASSERT_TRUE(s);
  MacCEFileReader reader;
  reader.SetStream(s.get());
  EXPECT_EQ(reader.StoredLength(), 300000);
  for (int i = 0; i < 10; ++i) reader.ReadChar();
  ASSERT_TRUE(reader.PushPosition());
  std::u16string all = ReadAll(reader);
  ASSERT_EQ(all.size(), 299990u);
  ASSERT_TRUE(reader.PopPosition());
  EXPECT_EQ(ReadAll(reader), all);
  s.reset();
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace tarvelin

namespace tarvelin {
namespace {

// The UTF-8 reader against FromUtf8 as the reference decoding, and its position marks
// against re-reading: a mark taken before the k-th unit gives the text from that unit on,
// halves of a surrogate pair included.
TEST(Utf8FileReaderTest, DecodesAsFromUtf8AndComesBackToEveryUnit) {
  struct Case {
    std::string bytes;
    std::string expectedUtf8;  // what FromUtf8 must agree with
    int64_t replaced;
  };
  const Case cases[] = {
      {"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z", 0},
      {"\xEF\xBB\xBFx\xEF\xBB\xBFy", "x\xEF\xBB\xBFy", 0},  // only the leading mark goes
      {std::string("a\0b", 3), "ab", 0},
      {"\xE2\x82"
       "A",
       "\xE2\x82"
       "A",
       2},  // cut short by a character of its own
      {"\xC0\x80|\xED\xA0\x80|\xF4\x90\x80\x80", "\xC0\x80|\xED\xA0\x80|\xF4\x90\x80\x80", 9},
      {"\xFF\xFE", "\xFF\xFE", 2},
      {"ok\xF0\x9F\x98", "ok\xF0\x9F\x98", 3},  // cut off by the end
  };
  for (const Case& c : cases) {
    const std::u16string expected = FromUtf8(c.expectedUtf8);
    Utf8FileReader reader;
    auto stream = Bytes({c.bytes.begin(), c.bytes.end()});
    reader.SetStream(stream.get());
    EXPECT_EQ(ReadAll(reader), expected) << c.bytes;
    EXPECT_EQ(reader.ReplacedCount(), c.replaced) << c.bytes;

    for (size_t k = 1; k <= expected.size(); ++k) {
      auto again = Bytes({c.bytes.begin(), c.bytes.end()});
      Utf8FileReader r;
      r.SetStream(again.get());
      for (size_t i = 0; i < k; ++i) r.ReadChar();
      ASSERT_TRUE(r.PushPositionBeforeLastChar());
      ASSERT_TRUE(r.PushPosition());
      std::u16string rest = ReadAll(r);
      EXPECT_EQ(rest, expected.substr(k)) << c.bytes << " after " << k;
      ASSERT_TRUE(r.PopPosition());
      EXPECT_EQ(ReadAll(r), expected.substr(k)) << c.bytes << " mark at " << k;
      ASSERT_TRUE(r.PopPosition());
      EXPECT_EQ(ReadAll(r), expected.substr(k - 1)) << c.bytes << " before " << k;
    }
  }
  EXPECT_EQ(CreateReader(kEncodingUtf8)->GetCharSize(), 1);
}

}  // namespace
}  // namespace tarvelin
