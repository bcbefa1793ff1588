#include "attributes/advertisement_suite.h"

#include <gtest/gtest.h>

#include "attributes_fixture.h"
#include "core/diagnostics.h"
#include "host/application/active_context.h"
#include "host/documents/page_item.h"

namespace tarvelin::testing {
namespace {

using Values = std::vector<std::u16string>;

class SuiteTest : public AttributesTest {
 protected:
  void SelectItems(std::initializer_list<UIDRef> items) {
    UIDList list(&Db());
    for (const UIDRef& r : items) list.Append(r.GetUID());
    doc_->GetSelection().SelectItems(list);
  }
  std::shared_ptr<VELDAdvertisementSuitAbstractCSB> Suite() {
    return QueryAdvertisementSuite(doc_.get());
  }
};

TEST_F(SuiteTest, AttributeValuesAreDistinctInSelectionOrder) {
  struct Case {
    const char* name;
    std::vector<std::optional<std::u16string>> stored;  // per selected frame; nullopt: no key
    Values prefilled;
    Values expected;
  };
  const Case cases[] = {
      {"equal values", {u"A", u"A"}, {}, {u"A"}},
      {"different values", {u"A", u"B"}, {}, {u"A", u"B"}},
      {"selection order, not creation order", {u"B", u"A"}, {}, {u"B", u"A"}},
      {"item without the key adds nothing", {std::nullopt, u"A"}, {}, {u"A"}},
      {"values accumulate", {u"A", u"C"}, {u"C"}, {u"C", u"A"}},
      {"none has the key", {std::nullopt, std::nullopt}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UIDList list(&Db());
    double left = 0;
    for (const auto& v : c.stored) {
      UIDRef f = NewFrame(left += 60);
      Store(f, {{u"other", u"x"}});
      if (v) Store(f, {{u"t1", *v}});
      list.Append(f.GetUID());
    }
    doc_->GetSelection().SelectItems(list);
    Values values = c.prefilled;
    Suite()->GetAttributeValues(u"t1", values);
    EXPECT_EQ(values, c.expected);
  }
}

TEST_F(SuiteTest, EmptySelectionAnswersNoAndLeavesOutputsAlone) {
  UIDRef kept = NewFrame();
  UIDList caller(&Db());
  caller.Append(kept.GetUID());
  for (bool cleared : {false, true}) {
    SCOPED_TRACE(cleared ? "cleared selection" : "never selected");
    if (cleared) doc_->GetSelection().Clear();
    auto suite = Suite();
    EXPECT_FALSE(suite->HasAttributes());
    EXPECT_FALSE(suite->CanSetText());
    EXPECT_EQ(suite->SetText(u"x"), kFailure);
    UIDList items = caller;
    suite->GetSelectedItems(&items);
    EXPECT_EQ(items, caller);
    suite->SetAttribute(u"k", u"v");
    EXPECT_EQ(Record(kept)->GetAttribute(u"k"), nullptr);
  }
  EXPECT_EQ(QueryAdvertisementSuite(static_cast<Document*>(nullptr)), nullptr);
}

TEST_F(SuiteTest, ItemsWithoutTheRecordAreSkipped) {
  UIDRef frame = NewFrame();
  SelectItems({doc_->Root()});
  EXPECT_FALSE(Suite()->HasAttributes());
  EXPECT_EQ(Suite()->SetText(u"x"), kFailure) << "nothing selected carries the record";

  SelectItems({doc_->Root(), frame});
  EXPECT_TRUE(Suite()->HasAttributes());
  EXPECT_EQ(Suite()->SetText(u"text"), kSuccess);
  EXPECT_EQ(Record(frame)->Get(), u"text");
  UIDList items;
  Suite()->GetSelectedItems(&items);
  EXPECT_EQ(items.size(), 2u) << "the selection as it stands, records or not";
}

TEST_F(SuiteTest, SetAttributeWritesEverySelectedItemAndUndoesWithItsSequence) {
  UIDRef a = NewFrame(), b = NewFrame(100), other = NewFrame(200);
  SelectItems({a, b});
  SequenceId seq = Db().Commands().BeginCommandSequence(u"reconnect");
  Suite()->SetAttribute(u"imageLoaded", u"true");
  ASSERT_EQ(Db().Commands().EndCommandSequence(seq), kSuccess);
  for (const UIDRef& r : {a, b}) ASSERT_NE(Record(r)->GetAttribute(u"imageLoaded"), nullptr);
  EXPECT_EQ(Record(other)->GetAttribute(u"imageLoaded"), nullptr);
  ASSERT_EQ(Db().Commands().Undo(), kSuccess);
  for (const UIDRef& r : {a, b}) EXPECT_EQ(Record(r)->GetAttribute(u"imageLoaded"), nullptr);
}

TEST_F(SuiteTest, CaretInAnInlineFramesStorySelectsThatFrame) {
  UIDRef outer, inner;
  ASSERT_EQ(
      CreateTextFrame(*doc_, doc_->DefaultSpreadLayer(), PMRect{0, 0, 200, 200}, 1, 0, &outer),
      kSuccess);
  ASSERT_EQ(CreateTextFrame(*doc_, doc_->DefaultSpreadLayer(), PMRect{0, 0, 50, 20}, 1, 0, &inner),
            kSuccess);
  UID outerStory = QueryInterface<ITextFrame>(outer)->Story();
  UID innerStory = QueryInterface<ITextFrame>(inner)->Story();
  ASSERT_EQ(ChangeToInline(*doc_, UIDRef(&Db(), outerStory), 0, inner), kSuccess);
  Store(inner, {{u"t1", u"inline"}});

  doc_->GetSelection().SelectText(&Db(), StoryRange{innerStory, 0, 0});
  auto suite = Suite();
  EXPECT_TRUE(suite->HasAttributes());
  UIDList items;
  suite->GetSelectedItems(&items);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0], inner.GetUID());
  Values values;
  suite->GetAttributeValues(u"t1", values);
  EXPECT_EQ(values, Values{u"inline"});

  int32_t start = -5, end = -5;
  EXPECT_TRUE(suite->GetTextSelection(&start, &end));
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 0);
}

TEST_F(SuiteTest, LayoutSelectionHasNoTextSelection) {
  UIDRef frame = NewFrame();
  SelectItems({frame});
  int32_t start = 42, end = 43;
  EXPECT_FALSE(Suite()->GetTextSelection(&start, &end));
  EXPECT_EQ(start, 42);
  EXPECT_EQ(end, 43);
  diag::Capture capture;
  EXPECT_FALSE(Suite()->GetTextSelection(nullptr, &end));
  EXPECT_NE(capture.Text().find("param0 or param1 is NULL"), std::string::npos);
}

TEST_F(SuiteTest, ChangeNoticeConcernsTheSelectionOnlyWhenAnItemIsSelected) {
  UIDRef selected = NewFrame(), elsewhere = NewFrame(100);
  SelectItems({selected});
  auto suite = Suite();
  std::vector<bool> concerned;
  AttrObserverId id = AddAdvertisementAttrObserver([&](const AdvertisementAttrChange& c) {
    concerned.push_back(suite->SelectionAttributeChanged(c));
  });
  ASSERT_EQ(ProcessAdvertisementAttrCommand(UIDList(elsewhere), u"x"), kSuccess);
  UIDList both(&Db());
  both.Append(elsewhere.GetUID());
  both.Append(selected.GetUID());
  ASSERT_EQ(ProcessAdvertisementAttrCommand(both, u"y"), kSuccess);
  RemoveAdvertisementAttrObserver(id);
  EXPECT_EQ(concerned, (std::vector<bool>{false, true}));
}

}  // namespace
}  // namespace tarvelin::testing
