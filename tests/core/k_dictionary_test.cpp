#include "core/k_dictionary.h"

#include <gtest/gtest.h>

#include "core/diagnostics.h"
#include "core/stream.h"

namespace tarvelin {
namespace {

std::vector<std::pair<std::u16string, std::u16string>> Entries(const KDictionary& d) {
  std::vector<std::pair<std::u16string, std::u16string>> out;
  for (int32_t i = 0; i < d.count(); ++i) out.emplace_back(d.Keys()[i], d.Values()[i]);
  return out;
}

TEST(KDictionaryTest, StoringAnExistingKeyMovesItToTheEnd) {
  KDictionary d;
  d.Set(u"a", u"1");
  d.Set(u"b", u"2");
  d.Set(u"a", u"3");
  using E = std::vector<std::pair<std::u16string, std::u16string>>;
  EXPECT_EQ(Entries(d), (E{{u"b", u"2"}, {u"a", u"3"}}));
  ASSERT_NE(d.Get(u"a"), nullptr);
  EXPECT_EQ(*d.Get(u"a"), u"3");
  EXPECT_EQ(d.Get(u"A"), nullptr);  // keys are case-sensitive
  EXPECT_EQ(d.Get(u"c"), nullptr);
}

TEST(KDictionaryTest, CopiesAreIndependent) {
  KDictionary d;
  d.Set(u"k", u"v");
  KDictionary copy = d;
  copy.Set(u"k", u"changed");
  *d.Get(u"k") = u"edited";
  EXPECT_EQ(*copy.Get(u"k"), u"changed");
  EXPECT_EQ(*d.Get(u"k"), u"edited");
}

TEST(KDictionaryTest, RoundTripsThroughAStream) {
  KDictionary d;
  d.Set(u"imageFilename", u"/tmp/a b.tif");
  d.Set(u"empty", u"");
  d.Set(u"\u017c\u00f3\u0142w", u"\U0001F600 and a lone \xD800");
  auto out = MemoryStream::Write();
  ASSERT_TRUE(d.ReadWrite(*out));
  auto bytes = out->TakeBytes();

  KDictionary back;
  back.Set(u"stale", u"entry");  // reading replaces what was there
  auto in = MemoryStream::ReadView(bytes);
  ASSERT_TRUE(back.ReadWrite(*in));
  EXPECT_EQ(back, d);
  EXPECT_EQ(in->Tell(), static_cast<int64_t>(bytes.size()));
}

TEST(KDictionaryTest, LaterDuplicateKeyInAStreamReplacesTheEarlier) {
  auto out = MemoryStream::Write();
  int32_t n = 3;
  std::u16string k1 = u"a", v1 = u"1", k2 = u"b", v2 = u"2", v3 = u"3";
  out->XferInt32(n);
  out->XferText(k1), out->XferText(v1);
  out->XferText(k2), out->XferText(v2);
  out->XferText(k1), out->XferText(v3);
  auto bytes = out->TakeBytes();
  KDictionary d;
  auto in = MemoryStream::ReadView(bytes);
  ASSERT_TRUE(d.ReadWrite(*in));
  using E = std::vector<std::pair<std::u16string, std::u16string>>;
  EXPECT_EQ(Entries(d), (E{{u"b", u"2"}, {u"a", u"3"}}));
}

TEST(KDictionaryTest, TruncatedOrHostileStreamFailsWithoutHugeAllocation) {
  KDictionary d;
  d.Set(u"key", u"value");
  auto out = MemoryStream::Write();
  ASSERT_TRUE(d.ReadWrite(*out));
  auto bytes = out->TakeBytes();
  // Every proper prefix is a failed read that keeps only whole entries.
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(cut));
    KDictionary back;
    auto in = MemoryStream::ReadView(prefix);
    EXPECT_FALSE(back.ReadWrite(*in)) << cut;
    EXPECT_EQ(back.count(), 0) << cut;
  }
  // A count of two billion with no data behind it.
  std::vector<uint8_t> hostile = {0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0, 'x', 0};
  KDictionary back;
  auto in = MemoryStream::ReadView(hostile);
  EXPECT_FALSE(back.ReadWrite(*in));
  EXPECT_EQ(back.count(), 0);
}

}  // namespace
}  // namespace tarvelin
