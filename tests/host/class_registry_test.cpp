#include "host/objects/class_registry.h"

#include <gtest/gtest.h>

#include "core/diagnostics.h"
#include "host/objects/object.h"
#include "test_classes.h"

namespace tarvelin::testing {
namespace {

constexpr ClassID kA{0x10}, kB{0x11}, kC{0x12};

TEST(ClassRegistryTest, MisdefinedClassesReportTheirFault) {
  struct Case {
    const char* name;
    std::function<void(ClassRegistry&)> setup;
    ClassID resolve;
    ErrorCode expected;
  };
  const Case cases[] = {
      {"unknown base", [](ClassRegistry& r) { r.DefineClass(kA, kB, {}); }, kA, kUnknownClass},
      {"base cycle",
       [](ClassRegistry& r) {
         r.DefineClass(kA, kB, {});
         r.DefineClass(kB, kC, {});
         r.DefineClass(kC, kA, {});
       },
       kB, kClassCycle},
      {"unregistered implementation",
       [](ClassRegistry& r) {
         r.DefineClass(kA, kInvalidClass, {{ICounter::kIID, ImplementationID(0x999)}});
       },
       kA, kUnknownImplementation},
      {"add-in of an interface the base already has",
       [](ClassRegistry& r) {
         r.DefineClass(kA, kInvalidClass, {{ICounter::kIID, kCounterImpl}});
         r.DefineClass(kB, kA, {});
         r.AddIn(kB, {{ICounter::kIID, kNotesImpl}});
       },
       kB, kInterfaceConflict},
      {"two add-ins of one interface",
       [](ClassRegistry& r) {
         r.DefineClass(kA, kInvalidClass, {});
         r.AddIn(kA, {{INotes::kIID, kNotesImpl}});
         r.AddIn(kA, {{INotes::kIID, kNotesImpl}});
       },
       kA, kInterfaceConflict},
      {"derived class overrides its base",
       [](ClassRegistry& r) {
         r.DefineClass(kA, kInvalidClass, {{ICounter::kIID, kCounterImpl}});
         r.DefineClass(kB, kA, {{ICounter::kIID, kCounterImpl}});
       },
       kB, kSuccess},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    diag::Capture quiet;
    ClassRegistry r;
    r.RegisterImplementation<CounterImpl>(kCounterImpl);
    r.RegisterImplementation<NotesImpl>(kNotesImpl);
    c.setup(r);
    EXPECT_EQ(r.Resolve(c.resolve), c.expected);
    EXPECT_EQ(r.CreateObject(c.resolve) != nullptr, c.expected == kSuccess);
  }
}

TEST(ClassRegistryTest, RefusesBadRegistrationsWhenMade) {
  ClassRegistry r;
  EXPECT_EQ(r.RegisterImplementation<CounterImpl>(kCounterImpl), kSuccess);
  EXPECT_EQ(r.RegisterImplementation<NotesImpl>(kCounterImpl), kAlreadyExists);
  EXPECT_EQ(r.RegisterImplementation(ImplementationID(0x5), ImplFactory{}), kInvalidArgument);
  EXPECT_EQ(r.DefineClass(kA, kInvalidClass, {{ICounter::kIID, kCounterImpl}}), kSuccess);
  EXPECT_EQ(r.DefineClass(kA, kInvalidClass, {}), kAlreadyExists);
  EXPECT_EQ(r.DefineClass(kB, kInvalidClass,
                          {{ICounter::kIID, kCounterImpl}, {ICounter::kIID, kCounterImpl}}),
            kInterfaceConflict);
  EXPECT_EQ(r.DefineClass(kC, kInvalidClass, {{kInvalidInterface, kCounterImpl}}),
            kInvalidArgument);
  EXPECT_EQ(r.AddIn(kB, {{INotes::kIID, kNotesImpl}}), kUnknownClass);
  EXPECT_FALSE(r.HasClass(kB));
}

TEST(ClassRegistryTest, AddInReachesTheClassAndItsDescendants) {
  auto r = MakeRegistry(/*with_addin=*/false);
  auto before = r->CreateObject(kTextFrame);
  ASSERT_TRUE(before);
  EXPECT_EQ(before->Query<INotes>(), nullptr);

  ASSERT_EQ(r->AddIn(kPageItem, {{INotes::kIID, kNotesImpl}}), kSuccess);
  for (ClassID cls : {kPageItem, kTextFrame}) {
    auto o = r->CreateObject(cls);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->Class(), cls);
    EXPECT_NE(o->Query<INotes>(), nullptr);
    EXPECT_NE(o->Query<ICounter>(), nullptr);
    EXPECT_EQ(o->Query<IText>(), nullptr) << "a missing interface gives null";
  }
  EXPECT_TRUE(r->IsA(kTextFrame, kPageItem));
  EXPECT_FALSE(r->IsA(kPageItem, kTextFrame));
  // Objects made before the add-in keep the shape they were made with.
  EXPECT_EQ(before->Query<INotes>(), nullptr);
}

TEST(ClassRegistryTest, QueriesCheckTypeAndShareOneInstancePerImplementation) {
  auto r = MakeRegistry();
  constexpr InterfaceID kAlias{0x1FF};
  ASSERT_EQ(
      r->DefineClass(kA, kInvalidClass, {{ICounter::kIID, kCounterImpl}, {kAlias, kCounterImpl}}),
      kSuccess);
  auto o = r->CreateObject(kA);
  ASSERT_TRUE(o);
  EXPECT_EQ(o->ImplCount(), 1u);
  auto counter = o->Query<ICounter>();
  auto alias = o->Query<ICounter>(kAlias);
  ASSERT_TRUE(counter && alias);
  EXPECT_EQ(counter.get(), alias.get());
  // The interface under the alias ID is a counter, not notes: a mistyped query is null.
  EXPECT_EQ(o->Query<INotes>(kAlias), nullptr);
  // A held interface keeps its object alive.
  std::weak_ptr<Object> weak = o;
  o.reset();
  EXPECT_FALSE(weak.expired());
  counter.reset();
  alias.reset();
  EXPECT_TRUE(weak.expired());
}

TEST(ClassRegistryTest, CommandClassCarriesItsData) {
  auto r = MakeRegistry();
  struct SetAll final : Command {
    ErrorCode Do() override {
      auto data = Owner()->Query<ICounter>();
      Database* db = ItemList().DataBase();
      if (!data || !db || ItemList().empty()) return kFailure;
      for (UID uid : ItemList())
        if (auto c = db->Query<ICounter>(uid)) c->Set(data->Value(), data->Label());
      return kSuccess;
    }
  };
  constexpr ImplementationID kSetAllImpl{0x210};
  constexpr ClassID kSetAllCmd{0x20};
  r->RegisterImplementation<SetAll>(kSetAllImpl);
  r->DefineClass(kSetAllCmd, kInvalidClass,
                 {{Command::kIID, kSetAllImpl}, {ICounter::kIID, kCounterImpl}});

  Database db(r);
  UIDList items(&db);
  items.Append(db.CreateObject(kPageItem));
  items.Append(db.CreateObject(kTextFrame));
  auto cmd = CreateCommand(*r, kSetAllCmd);
  ASSERT_TRUE(cmd);
  EXPECT_EQ(db.Commands().ProcessCommand(cmd), kFailure) << "empty item list";
  cmd->Owner()->Query<ICounter>()->Set(7, u"seven");
  cmd->SetItemList(items);
  EXPECT_EQ(db.Commands().ProcessCommand(cmd), kSuccess);
  for (UID uid : items) EXPECT_EQ(db.Query<ICounter>(uid)->Value(), 7);
  EXPECT_EQ(CreateCommand(*r, kPageItem), nullptr) << "a class without ICommand";
}

}  // namespace
}  // namespace tarvelin::testing
