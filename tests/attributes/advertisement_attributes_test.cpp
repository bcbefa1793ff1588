#include "attributes/advertisement_attributes.h"

#include <gtest/gtest.h>

#include "attributes_fixture.h"
#include "core/stream.h"
#include "host/objects/database.h"
#include "host/objects/object.h"

namespace tarvelin::testing {
namespace {

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

TEST_F(AttributesTest, EveryPageItemHasAnEmptyRecord) {
  UIDRef frame = NewFrame();
  UIDRef text;
  ASSERT_EQ(CreateTextFrame(*doc_, doc_->DefaultSpreadLayer(), PMRect{0, 0, 100, 100}, 1, 0, &text),
            kSuccess);
  for (const UIDRef& item : {frame, text}) {
    auto record = Record(item);
    ASSERT_TRUE(record);
    EXPECT_TRUE(record->Get().empty());
    EXPECT_EQ(record->Attributes().count(), 0);
    EXPECT_EQ(record->GetAttribute(u"imageType"), nullptr);
  }
  EXPECT_FALSE(Record(doc_->Root())) << "the document root is not a page item";
}

TEST_F(AttributesTest, DictionaryKeepsKeysUniqueAndLatestLast) {
  struct Case {
    const char* name;
    Pairs writes;
    Pairs expected;
  };
  const Case cases[] = {
      {"rewritten key moves to the end",
       {{u"a", u"1"}, {u"b", u"2"}, {u"a", u"3"}},
       {{u"b", u"2"}, {u"a", u"3"}}},
      {"case matters",
       {{u"Key", u"1"}, {u"key", u"2"}, {u"KEY", u"3"}},
       {{u"Key", u"1"}, {u"key", u"2"}, {u"KEY", u"3"}}},
      {"same value again still moves",
       {{u"x", u"v"}, {u"y", u"w"}, {u"x", u"v"}},
       {{u"y", u"w"}, {u"x", u"v"}}},
      {"empty key and value", {{u"", u""}, {u"k", u""}}, {{u"", u""}, {u"k", u""}}},
  };
  double left = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UIDRef frame = NewFrame(left += 60);
    Store(frame, c.writes);
    auto record = Record(frame);
    EXPECT_EQ(Entries(record->Attributes()), c.expected);
    for (const auto& [k, v] : c.expected) {
      ASSERT_NE(record->GetAttribute(k), nullptr);
      EXPECT_EQ(*record->GetAttribute(k), v);
    }
  }
}

// The stored layout is a file format: version, text, count, pairs.
TEST(AdvertisementRecordLayout, WritesVersionTextCountAndPairs) {
  VELDAdvertisementAttributes record;
  record.Set(u"T");
  record.SetAttribute(u"a", u"1");
  auto out = MemoryStream::Write();
  record.ReadWrite(*out, kAdvertisementAttributesImpl);
  const std::vector<uint8_t> expected = {1, 0,                 // version
                                         1, 0, 0, 0, 'T', 0,   // text value
                                         1, 0, 0, 0,           // entry count
                                         1, 0, 0, 0, 'a', 0,   // key
                                         1, 0, 0, 0, '1', 0};  // value
  auto bytes = out->Bytes();
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), expected);
}

TEST(AdvertisementRecordLayout, ReadingReplacesStateAndToleratesOtherVersions) {
  const std::vector<uint8_t> stored = {7, 0,        // another version: read the same way
                                       0, 0, 0, 0,  // empty text
                                       3, 0, 0, 0,  // three entries, one key twice
                                       1, 0, 0, 0, 'k', 0, 1, 0, 0, 0, '1', 0, 1, 0, 0, 0, 'j', 0,
                                       1, 0, 0, 0, '2', 0, 1, 0, 0, 0, 'k', 0, 1, 0, 0, 0, '3', 0};
  VELDAdvertisementAttributes record;
  record.Set(u"old");
  record.SetAttribute(u"old", u"x");
  auto in = MemoryStream::ReadView(stored);
  record.ReadWrite(*in, kAdvertisementAttributesImpl);
  EXPECT_TRUE(in->Good());
  EXPECT_EQ(record.Get(), u"");
  EXPECT_EQ(Entries(record.Attributes()), (Pairs{{u"j", u"2"}, {u"k", u"3"}}));
}

TEST_F(AttributesTest, RecordsSurviveSavingAndLoadingTheDatabase) {
  UIDRef a = NewFrame(), b = NewFrame(100);
  Store(a,
        {{u"t1", u"A"}, {u"kInDesignElement_ListOfAttributesKey", u"t1 t2 "}, {u"t2", u"zażółć"}});
  ASSERT_EQ(ProcessAdvertisementAttrCommand(UIDList(a), u"free text"), kSuccess);

  Database copy(registry_);
  Db().ForEachObject(
      [&](const Object& o) { ASSERT_EQ(copy.LoadObject(Db().CaptureObject(o)), kSuccess); });
  auto ra = QueryInterface<IAdvertisementAttributes>(UIDRef(&copy, a.GetUID()));
  auto rb = QueryInterface<IAdvertisementAttributes>(UIDRef(&copy, b.GetUID()));
  ASSERT_TRUE(ra && rb);
  EXPECT_EQ(ra->Get(), u"free text");
  EXPECT_EQ(Entries(ra->Attributes()), Entries(Record(a)->Attributes()));
  EXPECT_EQ(rb->Attributes().count(), 0);
  EXPECT_EQ(copy.Image(), Db().Image()) << "loading and saving again changes nothing";
}

TEST_F(AttributesTest, RecordsOutliveABuildWithoutThePlugIn) {
  UIDRef a = NewFrame();
  Store(a, {{u"k", u"v"}});
  // Loaded where the attribute classes are absent, the bytes are kept and saved again.
  auto bare = CreateHostRegistry();
  Database without(bare);
  Db().ForEachObject(
      [&](const Object& o) { ASSERT_EQ(without.LoadObject(Db().CaptureObject(o)), kSuccess); });
  Database back(registry_);
  without.ForEachObject(
      [&](const Object& o) { ASSERT_EQ(back.LoadObject(without.CaptureObject(o)), kSuccess); });
  auto record = QueryInterface<IAdvertisementAttributes>(UIDRef(&back, a.GetUID()));
  ASSERT_TRUE(record);
  EXPECT_EQ(Entries(record->Attributes()), (Pairs{{u"k", u"v"}}));
}

TEST_F(AttributesTest, TruncatedRecordIsRefusedOnLoading) {
  UIDRef a = NewFrame();
  Store(a, {{u"key", u"value"}});
  ObjectRecord stored = Db().CaptureObject(*Db().Instantiate(a.GetUID()));
  bool cut = false;
  for (auto& impl : stored.impls) {
    if (impl.impl == kAdvertisementAttributesImpl) {
      impl.bytes.resize(impl.bytes.size() - 3);
      cut = true;
    }
  }
  ASSERT_TRUE(cut);
  Database copy(registry_);
  EXPECT_EQ(copy.LoadObject(stored), kCorruptData);
}

TEST_F(AttributesTest, CommandSetsTextOnItemsThatHaveTheRecordAndNotifiesOnce) {
  UIDRef first = NewFrame(), third = NewFrame(100);
  Store(first, {{u"keep", u"me"}});
  UIDList items(&Db());
  items.Append(first.GetUID());
  items.Append(doc_->Root().GetUID());  // no record: skipped
  items.Append(third.GetUID());

  std::vector<AdvertisementAttrChange> notices;
  AttrObserverId id = AddAdvertisementAttrObserver([&](const auto& c) { notices.push_back(c); });
  ErrorCode r = ProcessAdvertisementAttrCommand(items, u"hello");
  RemoveAdvertisementAttrObserver(id);

  EXPECT_EQ(r, kSuccess);
  EXPECT_EQ(Record(first)->Get(), u"hello");
  EXPECT_EQ(Record(third)->Get(), u"hello");
  EXPECT_EQ(Entries(Record(first)->Attributes()), (Pairs{{u"keep", u"me"}}))
      << "dictionary untouched";
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].item, first);
  EXPECT_EQ(notices[0].changeId, 0x113387u);
  EXPECT_EQ(notices[0].protocol, kIAdvertisementAttributesIID);
  EXPECT_EQ(Db().Commands().UndoName(), u"alamakota");
}

TEST_F(AttributesTest, CommandWithoutItemsFailsAndChangesNothing) {
  std::vector<AdvertisementAttrChange> notices;
  AttrObserverId id = AddAdvertisementAttrObserver([&](const auto& c) { notices.push_back(c); });
  size_t undo = Db().Commands().UndoCount();

  EXPECT_EQ(ProcessAdvertisementAttrCommand(UIDList(&Db()), u"x"), kFailure);
  // Processed directly, an empty command fails in Do as well.
  auto cmd = CreateCommand(*registry_, kAdvertisementAttrCommandClass);
  ASSERT_TRUE(cmd);
  cmd->SetItemList(UIDList(&Db()));
  EXPECT_EQ(Db().Commands().ProcessCommand(cmd), kFailure);
  RemoveAdvertisementAttrObserver(id);

  EXPECT_TRUE(notices.empty());
  EXPECT_EQ(Db().Commands().UndoCount(), undo);
}

TEST_F(AttributesTest, UndoOfASequenceRestoresTextAndAttributes) {
  UIDRef frame = NewFrame();
  Store(frame, {{u"a", u"1"}});
  ASSERT_EQ(ProcessAdvertisementAttrCommand(UIDList(frame), u"before"), kSuccess);
  std::vector<uint8_t> before = Db().Image();

  SequenceId seq = Db().Commands().BeginCommandSequence(u"import");
  ASSERT_EQ(ProcessAdvertisementAttrCommand(UIDList(frame), u"after"), kSuccess);
  Record(frame)->SetAttribute(u"a", u"2");
  Record(frame)->SetAttribute(u"b", u"3");
  ASSERT_EQ(Db().Commands().EndCommandSequence(seq), kSuccess);
  std::vector<uint8_t> after = Db().Image();

  ASSERT_EQ(Db().Commands().Undo(), kSuccess);
  EXPECT_EQ(Record(frame)->Get(), u"before");
  EXPECT_EQ(Entries(Record(frame)->Attributes()), (Pairs{{u"a", u"1"}}));
  EXPECT_EQ(Db().Image(), before);
  ASSERT_EQ(Db().Commands().Redo(), kSuccess);
  EXPECT_EQ(Db().Image(), after);
  EXPECT_EQ(Entries(Record(frame)->Attributes()), (Pairs{{u"a", u"2"}, {u"b", u"3"}}));
}

}  // namespace
}  // namespace tarvelin::testing
