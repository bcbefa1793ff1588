#include "attributes/attributes_panel_model.h"

#include <gtest/gtest.h>

#include <optional>

#include "attributes/advertisement_suite.h"
#include "attributes_fixture.h"
#include "host/application/active_context.h"

namespace tarvelin::testing {
namespace {

using Names = std::vector<std::u16string>;
using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;
using Button = AttributesPanelModel::Button;

class PanelTest : public AttributesTest {
 protected:
  // Makes one frame per entry, stores the pairs, selects all of them and refreshes.
  void ShowSelection(const std::vector<Pairs>& frames) {
    UIDList list(&Db());
    for (const Pairs& pairs : frames) {
      UIDRef f = NewFrame(left_ += 60);
      Store(f, pairs);
      list.Append(f.GetUID());
    }
    doc_->GetSelection().SelectItems(list);
    auto suite = QueryAdvertisementSuite(doc_.get());
    model_.Refresh(suite.get(), true);
  }
  AttributesPanelModel model_;
  double left_ = 0;
};

TEST_F(PanelTest, RowsFollowTheListOfAttributes) {
  struct Case {
    const char* name;
    std::vector<Pairs> frames;
    Names names;
    Names values;
  };
  const std::u16string list(kListOfAttributesKey);
  const Case cases[] = {
      {"definition order",
       {{{u"b", u"2"}, {u"a", u"1"}, {list, u"a b "}}},
       {u"a", u"b"},
       {u"1", u"2"}},
      {"names without a value are left out",
       {{{list, u"a gone b "}, {u"a", u"1"}, {u"b", u"2"}}},
       {u"a", u"b"},
       {u"1", u"2"}},
      {"equal lists: first value in selection order",
       {{{list, u"t "}, {u"t", u"B"}}, {{list, u"t "}, {u"t", u"A"}}},
       {u"t"},
       {u"B"}},
      {"different lists: no rows",
       {{{list, u"a "}, {u"a", u"1"}}, {{list, u"a b "}, {u"a", u"1"}}},
       {},
       {}},
      {"lists differing in case: no rows",
       {{{list, u"a "}, {u"a", u"1"}}, {{list, u"A "}, {u"A", u"1"}}},
       {},
       {}},
      {"no list: no rows", {{{u"a", u"1"}}}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ShowSelection(c.frames);
    EXPECT_EQ(model_.Names(), c.names);
    EXPECT_EQ(model_.Values(), c.values);
  }
}

TEST_F(PanelTest, MissingImageNeedsEverySelectedPictureUnloaded) {
  struct Case {
    const char* name;
    std::vector<Pairs> frames;
    bool shown;
  };
  const Case cases[] = {
      {"picture not loaded", {{{u"imageType", u"true"}, {u"imageLoaded", u"false"}}}, true},
      {"picture loaded", {{{u"imageType", u"true"}, {u"imageLoaded", u"true"}}}, false},
      {"one missing, one loaded",
       {{{u"imageType", u"true"}, {u"imageLoaded", u"false"}},
        {{u"imageType", u"true"}, {u"imageLoaded", u"true"}}},
       false},
      {"two missing",
       {{{u"imageType", u"true"}, {u"imageLoaded", u"false"}},
        {{u"imageType", u"true"}, {u"imageLoaded", u"false"}}},
       true},
      {"not a picture frame", {{{u"imageLoaded", u"false"}}}, false},
      {"load state unknown", {{{u"imageType", u"true"}}}, false},
      {"values compared exactly", {{{u"imageType", u"True"}, {u"imageLoaded", u"false"}}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ShowSelection(c.frames);
    EXPECT_EQ(model_.ImageMissingShown(), c.shown);
    EXPECT_EQ(model_.IsVisible(Button::kReconnect), c.shown);
  }
}

TEST_F(PanelTest, ReconnectedPictureHidesTheButtonOnTheNextRefresh) {
  ShowSelection({{{u"imageType", u"true"}, {u"imageLoaded", u"false"}}});
  ASSERT_TRUE(model_.ImageMissingShown());
  auto suite = QueryAdvertisementSuite(doc_.get());
  SequenceId seq = Db().Commands().BeginCommandSequence(u"reconnect");
  suite->SetAttribute(u"imageLoaded", u"true");
  ASSERT_EQ(Db().Commands().EndCommandSequence(seq), kSuccess);
  model_.Refresh(suite.get(), true);
  EXPECT_FALSE(model_.ImageMissingShown());
}

TEST_F(PanelTest, ButtonsFollowTheOpenDocument) {
  ActiveContext context;
  model_.Refresh(context);
  EXPECT_FALSE(model_.IsEnabled(Button::kImportAndProcess));
  EXPECT_FALSE(model_.IsEnabled(Button::kProcess));
  EXPECT_TRUE(model_.IsEnabled(Button::kShowLog));
  EXPECT_TRUE(model_.Names().empty());

  context.OpenDocument(Document::Create(registry_, PageSetup{}, u"open"));
  model_.Refresh(context);
  EXPECT_TRUE(model_.IsEnabled(Button::kImportAndProcess));
  EXPECT_TRUE(model_.IsEnabled(Button::kProcess));
  EXPECT_TRUE(model_.IsEnabled(Button::kShowLog));
}

TEST_F(PanelTest, RowsAreRebuiltAtEachRefreshAndOutOfRangeRowsKeepTheirText) {
  ShowSelection({{{std::u16string(kListOfAttributesKey), u"a "}, {u"a", u"1"}}});
  ASSERT_EQ(model_.RowCount(), 1u);
  std::u16string name = u"old", value = u"old";
  EXPECT_FALSE(model_.Row(1, &name, &value));
  EXPECT_EQ(name, u"old");
  EXPECT_TRUE(model_.Row(0, &name, &value));
  EXPECT_EQ(name + u"=" + value, u"a=1");

  doc_->GetSelection().Clear();
  model_.Refresh(QueryAdvertisementSuite(doc_.get()).get(), true);
  EXPECT_EQ(model_.RowCount(), 0u);
}

TEST(PanelActions, ButtonsPerformThePlugInsActions) {
  EXPECT_EQ(AttributesPanelModel::ActionFor(Button::kReconnect), 0x113387u);
  EXPECT_EQ(AttributesPanelModel::ActionFor(Button::kImportAndProcess), 0x113386u);
  EXPECT_EQ(AttributesPanelModel::ActionFor(Button::kShowLog), 0x113388u);
  EXPECT_EQ(AttributesPanelModel::ActionFor(Button::kProcess), 0x113385u);
}

}  // namespace
}  // namespace tarvelin::testing
