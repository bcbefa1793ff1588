#include "host/objects/database.h"

#include <gtest/gtest.h>

#include "core/diagnostics.h"
#include "core/stream.h"
#include "host/objects/command_processor.h"
#include "host/objects/object_record.h"
#include "test_classes.h"

namespace tarvelin::testing {
namespace {

// Builds a small document outside undo, as a loader or a new-document template would.
void Populate(Database& db) {
  UIDRef a = db.CreateObject(kPageItem);
  db.Query<ICounter>(a.GetUID())->Set(-3, u"Zażółć");
  db.Query<INotes>(a.GetUID())->Add(u"one");
  db.Query<INotes>(a.GetUID())->Add(u"two");
  UIDRef s = db.CreateObject(kStory);
  db.Query<IText>(s.GetUID())->Insert(0, u"story text");
  UIDRef gone = db.CreateObject(kTextFrame);
  db.DeleteObject(gone.GetUID());
  db.CreateObject(kTextFrame);
}

std::vector<ObjectRecord> Records(const Database& db) {
  std::vector<ObjectRecord> out;
  db.ForEachObject([&](const Object& o) { out.push_back(db.CaptureObject(o)); });
  return out;
}

TEST(DatabaseTest, ObjectsRoundTripThroughRecordsAndStreams) {
  Database src(MakeRegistry());
  Populate(src);
  ASSERT_EQ(src.ObjectCount(), 3u);

  auto out = MemoryStream::Write();
  auto records = Records(src);
  for (const auto& r : records) ASSERT_TRUE(WriteObjectRecord(*out, r));
  auto bytes = out->TakeBytes();

  Database dst(MakeRegistry());
  auto in = MemoryStream::ReadView(bytes);
  for (size_t i = 0; i < records.size(); ++i) {
    auto r = ReadObjectRecord(*in);
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, records[i]);
    ASSERT_EQ(dst.LoadObject(*r), kSuccess);
  }
  ASSERT_EQ(dst.SetNextUID(src.NextUID()), kSuccess);
  EXPECT_EQ(dst.Image(), src.Image());
  EXPECT_EQ(dst.Query<INotes>(1)->Notes(), (std::vector<std::u16string>{u"one", u"two"}));
  EXPECT_FALSE(dst.Contains(3)) << "the deleted UID stays free";
  // Records hold the persistent implementations only, in implementation order.
  ASSERT_EQ(records[0].impls.size(), 2u);
  EXPECT_EQ(records[0].impls[0].impl, kCounterImpl);
  EXPECT_EQ(records[0].impls[1].impl, kNotesImpl);
}

TEST(DatabaseTest, DataOfAbsentPlugInsIsKeptAndSavedAgain) {
  Database src(MakeRegistry());
  Populate(src);
  auto records = Records(src);
  ObjectRecord unknown_class{ClassID(0x77777), 50, {{ImplementationID(0x5), {1, 2, 3}}}};
  records.push_back(unknown_class);

  diag::Capture quiet;
  // Without the add-in, the notes bytes of the page item have no implementation to go to.
  Database dst(MakeRegistry(/*with_addin=*/false));
  for (const auto& r : records) ASSERT_EQ(dst.LoadObject(r), kSuccess);
  EXPECT_EQ(dst.Query<INotes>(1), nullptr);
  auto page = dst.Instantiate(1);
  ASSERT_EQ(page->ForeignData().size(), 1u);
  EXPECT_EQ(dst.CaptureObject(*page), records[0]);
  auto placeholder = dst.Instantiate(50);
  ASSERT_TRUE(placeholder);
  EXPECT_EQ(placeholder->Class(), ClassID(0x77777));
  EXPECT_EQ(dst.CaptureObject(*placeholder), unknown_class);
  EXPECT_EQ(dst.NextUID(), 51u);
}

TEST(DatabaseTest, BadStoredDataIsRefused) {
  diag::Capture quiet;
  Database db(MakeRegistry());
  Populate(db);
  auto good = db.CaptureObject(*db.Instantiate(1));

  struct Case {
    const char* name;
    ObjectRecord record;
    ErrorCode expected;
  };
  ObjectRecord truncated = good;
  truncated.uid = 10;
  truncated.impls[0].bytes.resize(3);
  ObjectRecord unordered = good;
  unordered.uid = 11;
  std::swap(unordered.impls[0], unordered.impls[1]);
  ObjectRecord taken = good;
  ObjectRecord invalid = good;
  invalid.uid = kInvalidUID;
  const Case cases[] = {{"truncated implementation bytes", truncated, kCorruptData},
                        {"implementations out of order", unordered, kCorruptData},
                        {"UID in use", taken, kAlreadyExists},
                        {"invalid UID", invalid, kInvalidArgument}};
  auto before = db.Image();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(db.LoadObject(c.record), c.expected);
  }
  EXPECT_EQ(db.Image(), before);
  EXPECT_EQ(db.SetNextUID(2), kInvalidArgument) << "below a UID in use";

  // A stream that ends inside a record gives nothing, at every cut.
  auto out = MemoryStream::Write();
  WriteObjectRecord(*out, good);
  auto bytes = out->TakeBytes();
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    auto in = MemoryStream::ReadView(std::span(bytes.data(), cut));
    EXPECT_FALSE(ReadObjectRecord(*in)) << "cut at " << cut;
  }
  // A huge stored length is not trusted with an allocation.
  std::vector<uint8_t> lying = {0x10, 0,    0,    0, 1, 0,    0,    0,    1,    0, 0,
                                0,    0x00, 0x02, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2};
  auto in = MemoryStream::ReadView(lying);
  EXPECT_FALSE(ReadObjectRecord(*in));
}

TEST(DatabaseTest, LoadingIsRefusedInsideAStep) {
  Database db(MakeRegistry());
  auto seq = db.Commands().BeginCommandSequence(u"S");
  EXPECT_EQ(db.LoadObject({kPageItem, 5, {}}), kBusy);
  db.Commands().EndCommandSequence(seq);
  EXPECT_EQ(db.LoadObject({kPageItem, 5, {}}), kSuccess);
  EXPECT_EQ(db.DeleteObject(77), kNotFound);
  EXPECT_FALSE(db.CreateObject(ClassID(0x4242)));
}

TEST(DatabaseTest, DeletedObjectIsNotChangedThroughAHeldInterface) {
  Database db(MakeRegistry());
  UID uid = db.CreateObject(kPageItem).GetUID();
  auto held = db.Query<ICounter>(uid);
  auto& cp = db.Commands();
  cp.ProcessCommand(MakeCommand(u"Delete", [&] { return db.DeleteObject(uid); }));
  EXPECT_EQ(held->Owner()->DataBase(), nullptr);
  EXPECT_TRUE(held->Owner()->Ref().IsNull());
  diag::Capture capture;
  cp.ProcessCommand(MakeCommand(u"Late", [&] {
    held->Set(3, u"late");
    return kSuccess;
  }));
  EXPECT_NE(capture.Text().find("not in its database"), std::string::npos);
}

TEST(UIDListTest, HoldsOnlyValidObjectsOfOneDatabase) {
  Database a(MakeRegistry()), b(MakeRegistry());
  UIDList list;
  EXPECT_FALSE(list.Append(UIDRef::Null()));
  EXPECT_TRUE(list.Append(UIDRef(&a, 4)));
  EXPECT_FALSE(list.Append(UIDRef(&b, 5)));
  EXPECT_FALSE(list.Append(kInvalidUID));
  EXPECT_TRUE(list.Append(6));
  EXPECT_EQ(list.DataBase(), &a);
  EXPECT_EQ(list.size(), 2u);
  EXPECT_TRUE(list.Remove(4));
  EXPECT_FALSE(list.Contains(4));
  EXPECT_EQ(list.GetRef(0), UIDRef(&a, 6));
  EXPECT_TRUE(UIDList(UIDRef::Null()).empty());
}

}  // namespace
}  // namespace tarvelin::testing
