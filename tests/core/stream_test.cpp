#include "core/stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

namespace tarvelin {
namespace {

std::filesystem::path TempFile(const char* name) {
  return std::filesystem::temp_directory_path() /
         (std::string("tarvelin_stream_") + name + "_" + std::to_string(::getpid()));
}

// The same record written through one ReadWrite routine must come back unchanged, in
// memory and on disk, and the byte layout must be little-endian.
void XferRecord(Stream& s, uint8_t& b, uint16_t& h, int32_t& w, bool& f, float& x,
                std::u16string& t) {
  s.XferByte(b);
  s.XferInt16(h);
  s.XferInt32(w);
  s.XferBool(f);
  s.XferFloat(x);
  s.XferText(t);
}

TEST(StreamTest, ReadWriteRoundTripsInMemoryAndOnDisk) {
  for (bool onDisk : {false, true}) {
    SCOPED_TRACE(onDisk ? "file" : "memory");
    uint8_t b = 0xAB;
    uint16_t h = 0x1234;
    int32_t w = -2;
    bool f = true;
    float x = 1.5f;
    // Longer than a file buffer and than a read of text at once.
    std::u16string t = u"Zażółć" + std::u16string(70000, u'ł') + u"!";
    std::vector<uint8_t> bytes;
    auto path = TempFile("roundtrip");
    if (onDisk) {
      auto out = FileStream::OpenWrite(path);
      ASSERT_TRUE(out);
      XferRecord(*out, b, h, w, f, x, t);
      out->Close();
      auto in = FileStream::OpenRead(path);
      ASSERT_TRUE(in);
      while (auto byte = in->ReadByte()) bytes.push_back(*byte);
    } else {
      auto out = MemoryStream::Write();
      XferRecord(*out, b, h, w, f, x, t);
      bytes = out->TakeBytes();
    }
    ASSERT_GE(bytes.size(), 7u);
    EXPECT_EQ(bytes[1], 0x34);  // low byte first
    EXPECT_EQ(bytes[2], 0x12);
    EXPECT_EQ(bytes[3], 0xFE);
    EXPECT_EQ(bytes[6], 0xFF);
    ASSERT_EQ(bytes.size(), 16 + 2 * t.size());
    EXPECT_EQ(bytes[16], 0x5A);  // 'Z'
    EXPECT_EQ(bytes[17], 0x00);
    EXPECT_EQ(bytes[20], 0x7C);  // U+017C
    EXPECT_EQ(bytes[21], 0x01);

    auto in = MemoryStream::ReadView(bytes);
    uint8_t b2 = 0;
    uint16_t h2 = 0;
    int32_t w2 = 0;
    bool f2 = false;
    float x2 = 0;
    std::u16string t2;
    XferRecord(*in, b2, h2, w2, f2, x2, t2);
    EXPECT_TRUE(in->Good());
    EXPECT_EQ(b2, b);
    EXPECT_EQ(h2, h);
    EXPECT_EQ(w2, w);
    EXPECT_EQ(f2, f);
    EXPECT_EQ(x2, x);
    EXPECT_EQ(t2, t);
    std::filesystem::remove(path);
  }
}

TEST(StreamTest, SeekAndTellAcrossBufferBoundaries) {
  auto path = TempFile("seek");
  {
    auto out = FileStream::OpenWrite(path);
    ASSERT_TRUE(out);
    for (int i = 0; i < 200000; ++i) out->WriteByte(static_cast<uint8_t>(i % 251));
    EXPECT_EQ(out->Tell(), 200000);
    ASSERT_EQ(out->Seek(10, SeekFrom::kStart), 10);
    out->WriteByte(0xEE);  // overwrite in place
    EXPECT_EQ(out->Seek(0, SeekFrom::kEnd), 200000);
  }
  auto in = FileStream::OpenRead(path);
  ASSERT_TRUE(in);
  struct Case {
    int64_t offset;
    SeekFrom from;
    int64_t expected;
    int expectedByte;  // -1: at end
  };
  const Case cases[] = {
      {10, SeekFrom::kStart, 10, 0xEE},
      {150000, SeekFrom::kStart, 150000, 150000 % 251},
      {-1, SeekFrom::kEnd, 199999, 199999 % 251},
      {0, SeekFrom::kEnd, 200000, -1},
      {5, SeekFrom::kStart, 5, 5},
      {70000, SeekFrom::kCurrent, 70006, 70006 % 251},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(in->Seek(c.offset, c.from), c.expected);
    EXPECT_EQ(in->Tell(), c.expected);
    auto byte = in->ReadByte();
    if (c.expectedByte < 0) {
      EXPECT_FALSE(byte);
    } else {
      ASSERT_TRUE(byte);
      EXPECT_EQ(*byte, c.expectedByte) << "at " << c.expected;
    }
  }
  EXPECT_FALSE(in->Seek(-1, SeekFrom::kStart));
  EXPECT_FALSE(in->Seek(1, SeekFrom::kEnd));
  std::filesystem::remove(path);
}

// Counting must give exactly the size the memory stream ends with, seeks back included, so
// that a buffer sized by it is filled without growing.
TEST(StreamTest, CountingGivesTheSizeAWriteHas) {
  const std::u16string long_text(50000, u'ż');
  using Write = std::function<void(Stream&)>;
  const Write writes[] = {
      [](Stream&) {},
      [](Stream& s) { s.WriteByte(1); },
      [&](Stream& s) {
        std::u16string t = long_text;
        s.XferText(t);
      },
      [&](Stream& s) {  // a length written after its data, then the tail
        uint32_t n = 0;
        s.XferInt32(n);
        std::u16string t = long_text;
        s.XferText(t);
        const int64_t end = s.Tell();
        n = static_cast<uint32_t>(end);
        s.Seek(0, SeekFrom::kStart);
        s.XferInt32(n);
        s.Seek(0, SeekFrom::kEnd);
        s.WriteByte(9);
      },
      [](Stream& s) {  // seeking back within what was written ends no earlier
        for (int i = 0; i < 10000; ++i) s.WriteByte(static_cast<uint8_t>(i));
        s.Seek(100, SeekFrom::kStart);
        s.WriteByte(7);
      },
  };
  for (size_t i = 0; i < std::size(writes); ++i) {
    SCOPED_TRACE(i);
    auto free_size = MemoryStream::Write();
    writes[i](*free_size);
    const std::vector<uint8_t> want = free_size->TakeBytes();
    // Kept whole up to the limit, whether it is reached while growing or after seeking back;
    // counted exactly past it.
    for (size_t keep :
         {size_t{0}, size_t{1}, size_t{300}, want.size() - 1, want.size(), want.size() + 5000}) {
      SCOPED_TRACE(keep);
      CountingStream counted(keep);
      writes[i](counted);
      EXPECT_EQ(counted.Count(), want.size());
      std::optional<std::vector<uint8_t>> kept = counted.TakeKept();
      if (keep >= want.size() && keep > 0) {
        ASSERT_TRUE(kept);
        EXPECT_EQ(*kept, want);
      } else {
        EXPECT_FALSE(kept);
      }
    }
    CountingStream counted;
    writes[i](counted);
    auto sized = MemoryStream::Write(counted.Count());
    writes[i](*sized);
    EXPECT_EQ(sized->TakeBytes(), want);
  }
  CountingStream counted;
  EXPECT_FALSE(counted.Seek(1, SeekFrom::kStart)) << "past the end of what was written";
}

TEST(StreamTest, ShortReadsFailAndClosedStreamsRefuse) {
  std::vector<uint8_t> three = {1, 2, 3};
  auto in = MemoryStream::ReadView(three);
  uint32_t v = 7;
  EXPECT_FALSE(in->XferInt32(v));
  EXPECT_EQ(v, 7u);
  EXPECT_FALSE(in->Good());

  // A stored text length larger than the data must not allocate it or read past the end.
  auto huge = MemoryStream::Write();
  uint32_t n = 0x7FFFFFFF;
  huge->XferInt32(n);
  auto bytes = huge->TakeBytes();
  auto in2 = MemoryStream::ReadView(bytes);
  std::u16string t = u"keep";
  EXPECT_FALSE(in2->XferText(t));
  EXPECT_EQ(t, u"keep");

  auto out = MemoryStream::Write();
  out->Close();
  EXPECT_FALSE(out->IsOpen());
  EXPECT_FALSE(out->WriteByte(1));
  EXPECT_FALSE(FileStream::OpenRead("/nonexistent/tarvelin/file"));
  EXPECT_FALSE(FileStream::OpenRead(std::filesystem::temp_directory_path()));
}

}  // namespace
}  // namespace tarvelin
