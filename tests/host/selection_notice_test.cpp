// Selection notices arrive once per command sequence or action, and actions are enabled by
// what the front document offers.
#include <gtest/gtest.h>

#include "host/application/action_manager.h"
#include "host/application/active_context.h"
#include "host/application/host_registry.h"
#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "host/documents/page_item_commands.h"
#include "host/objects/class_registry.h"
#include "host/objects/command_processor.h"

namespace tarvelin {
namespace {

class SelectionNoticeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_ = CreateHostRegistry();
    ASSERT_TRUE(registry_);
    doc_ = context_.OpenDocument(Document::Create(registry_, PageSetup{}, u"Notices"));
    ASSERT_TRUE(doc_);
    ASSERT_EQ(kSuccess,
              CreateTextFrame(*doc_, doc_->DefaultSpreadLayer(), {10, 10, 200, 200}, 1, 0, &text_));
    ASSERT_EQ(kSuccess, CreateRectangleFrame(*doc_, doc_->DefaultSpreadLayer(), {300, 10, 400, 100},
                                             &empty_));
    doc_->GetSelection().AddObserver([this](const Selection&) { ++notices_; });
  }
  Selection& Sel() { return doc_->GetSelection(); }

  std::shared_ptr<ClassRegistry> registry_;
  ActiveContext context_;
  Document* doc_ = nullptr;
  UIDRef text_, empty_;
  int notices_ = 0;
};

TEST_F(SelectionNoticeTest, OneNoticePerSequenceAndNoneWhenNothingChanged) {
  Sel().SelectItems(UIDList(text_));
  EXPECT_EQ(1, notices_);
  Sel().SelectItems(UIDList(text_));  // the same selection again
  EXPECT_EQ(1, notices_);

  CommandProcessor& commands = doc_->DataBase().Commands();
  {
    AbortableSequence sequence(commands, u"many");
    for (int i = 0; i <= 100; ++i) Sel().SelectItems(UIDList(i % 2 ? text_ : empty_));
    EXPECT_EQ(1, notices_);
    ASSERT_EQ(kSuccess, sequence.End());
  }
  EXPECT_EQ(2, notices_);  // ends on empty_

  {
    // A sequence that leaves the selection as it found it tells nobody; an abort neither.
    AbortableSequence sequence(commands, u"round trip");
    Sel().SelectItems(UIDList(text_));
    Sel().SelectItems(UIDList(empty_));
  }
  EXPECT_EQ(2, notices_);

  // A text selection is a change from a layout selection of the same frame.
  auto frame = doc_->DataBase().Query<ITextFrame>(text_.GetUID());
  Sel().SelectText(&doc_->DataBase(), {frame->Story(), 0, 0});
  EXPECT_EQ(3, notices_);
  Sel().Clear();
  EXPECT_EQ(4, notices_);
}

constexpr ActionID kNeedsFrame = 0x7000;
constexpr ActionID kUndo = 0x7001;
constexpr ActionID kFree = 0x7002;

TEST_F(SelectionNoticeTest, ActionsAreEnabledByTheContextAndHoldNotices) {
  using namespace action_enabling;
  ActionManager actions(*registry_, &context_);
  int ran = 0;
  actions.AddHostAction({kNeedsFrame, {}, "", kNeedsDocument | kNeedsTextFrame}, [&] {
    ++ran;
    for (int i = 0; i <= 10; ++i) Sel().SelectItems(UIDList(i % 2 ? text_ : empty_));
  });
  actions.AddHostAction({kUndo, {}, "", kNeedsUndo}, [] {});
  // The plug-in's own bits ask for nothing.
  actions.AddHostAction({kFree, {}, "", 0x80}, [] {});

  doc_->DataBase().Commands().ClearHistory();
  struct Case {
    const char* what;
    UIDList selection;
    bool frame, undo;
  };
  const Case cases[] = {
      {"nothing selected", UIDList(&doc_->DataBase()), false, false},
      {"an empty frame", UIDList(empty_), false, false},
      {"a text frame", UIDList(text_), true, false},
      {"two frames",
       [&] {
         UIDList both(text_);
         both.Append(empty_.GetUID());
         return both;
       }(),
       false, false},
  };
  for (const Case& c : cases) {
    Sel().SelectItems(c.selection);
    EXPECT_EQ(c.frame, actions.IsEnabled(kNeedsFrame)) << c.what;
    EXPECT_EQ(c.undo, actions.IsEnabled(kUndo)) << c.what;
    EXPECT_TRUE(actions.IsEnabled(kFree)) << c.what;
  }
  EXPECT_FALSE(actions.IsEnabled(0x7FFF));  // unknown

  // A disabled action does not run.
  Sel().SelectItems(UIDList(empty_));
  EXPECT_FALSE(actions.PerformAction(kNeedsFrame));
  EXPECT_EQ(0, ran);

  // An action's eleven selections reach observers as one notice.
  Sel().SelectItems(UIDList(text_));
  const int before = notices_;
  EXPECT_TRUE(actions.PerformAction(kNeedsFrame));
  EXPECT_EQ(1, ran);
  EXPECT_EQ(before + 1, notices_);

  // Undo needs a step to undo.
  ASSERT_EQ(kSuccess, SetStrokeWeight(*doc_, UIDList(text_), 2));
  EXPECT_TRUE(actions.IsEnabled(kUndo));

  // No document: nothing that needs one.
  context_.CloseDocument(doc_);
  EXPECT_FALSE(actions.IsEnabled(kNeedsFrame));
  EXPECT_FALSE(actions.IsEnabled(kUndo));
  EXPECT_TRUE(actions.IsEnabled(kFree));
}

}  // namespace
}  // namespace tarvelin
