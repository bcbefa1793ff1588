#include "host/objects/command_processor.h"

#include <gtest/gtest.h>

#include "core/diagnostics.h"
#include "host/objects/undo_step.h"
#include "test_classes.h"

namespace tarvelin::testing {
namespace {

class CommandProcessorTest : public ::testing::Test {
 protected:
  CommandProcessorTest() : db_(MakeRegistry()), cp_(db_.Commands()) {
    item_ = db_.CreateObject(kPageItem).GetUID();  // outside any command: the starting document
  }
  ErrorCode SetCounter(int32_t v, ErrorCode result = kSuccess) {
    return cp_.ProcessCommand(MakeCommand(u"Set counter", [this, v, result] {
      db_.Query<ICounter>(item_)->Set(v, u"v");
      return result;
    }));
  }
  int32_t Counter() { return db_.Query<ICounter>(item_)->Value(); }

  Database db_;
  CommandProcessor& cp_;
  UID item_;
};

TEST_F(CommandProcessorTest, FailingCommandLeavesDatabaseUnchanged) {
  ASSERT_EQ(SetCounter(1), kSuccess);
  auto before = db_.Image();
  auto cmd = MakeCommand(u"Mess", [this] {
    db_.Query<ICounter>(item_)->Set(99, u"x");
    db_.Query<INotes>(item_)->Add(u"note");
    UIDRef created = db_.CreateObject(kStory);
    db_.Query<IText>(created.GetUID())->Insert(0, u"abc");
    db_.DeleteObject(item_);
    return ErrorCode{42};
  });
  EXPECT_EQ(cp_.ProcessCommand(cmd), 42);
  EXPECT_EQ(db_.Image(), before);
  EXPECT_EQ(cp_.UndoCount(), 1u);
  EXPECT_EQ(cp_.UndoName(), u"Set counter");

  // Inside a sequence the failure rolls back only the command; the sequence goes on.
  auto seq = cp_.BeginCommandSequence(u"Seq");
  ASSERT_EQ(SetCounter(2), kSuccess);
  auto mid = db_.Image();
  EXPECT_EQ(cp_.ProcessCommand(cmd), 42);
  EXPECT_EQ(db_.Image(), mid);
  ASSERT_EQ(SetCounter(3), kSuccess);
  ASSERT_EQ(cp_.EndCommandSequence(seq), kSuccess);
  EXPECT_EQ(Counter(), 3);
  ASSERT_EQ(cp_.Undo(), kSuccess);
  EXPECT_EQ(db_.Image(), before);
}

TEST_F(CommandProcessorTest, SequenceIsOneNamedStepAndNestedOnesMerge) {
  auto outer = cp_.BeginCommandSequence(u"Import");
  SetCounter(1);
  auto inner = cp_.BeginCommandSequence(u"Inner");
  SetCounter(2);
  EXPECT_EQ(cp_.SequenceDepth(), 2u);
  EXPECT_EQ(cp_.EndCommandSequence(inner), kSuccess);
  SetCounter(3);
  EXPECT_EQ(cp_.Undo(), kBusy);
  EXPECT_EQ(cp_.EndCommandSequence(outer), kSuccess);
  EXPECT_EQ(cp_.UndoCount(), 1u);
  EXPECT_EQ(cp_.UndoName(), u"Import");
  EXPECT_TRUE(cp_.CanUndo());
  EXPECT_FALSE(cp_.CanRedo());
  EXPECT_EQ(cp_.Undo(), kSuccess);
  EXPECT_EQ(Counter(), 0);
  EXPECT_EQ(cp_.RedoName(), u"Import");
  EXPECT_EQ(cp_.Redo(), kSuccess);
  EXPECT_EQ(Counter(), 3);
  EXPECT_EQ(cp_.Redo(), kNothingToRedo);
}

TEST_F(CommandProcessorTest, NamelessOuterSequenceTakesTheFirstNamedInnerName) {
  auto outer = cp_.BeginCommandSequence(u"");
  auto nameless = cp_.BeginCommandSequence(u"");
  ASSERT_EQ(cp_.EndCommandSequence(nameless), kSuccess);
  auto named = cp_.BeginCommandSequence(u"Tarvelin: Import");
  SetCounter(1);
  ASSERT_EQ(cp_.EndCommandSequence(named), kSuccess);
  auto later = cp_.BeginCommandSequence(u"Add pages");
  SetCounter(2);
  ASSERT_EQ(cp_.EndCommandSequence(later), kSuccess);
  ASSERT_EQ(cp_.EndCommandSequence(outer), kSuccess);
  EXPECT_EQ(cp_.UndoCount(), 1u);
  EXPECT_EQ(cp_.UndoName(), u"Tarvelin: Import");
}

TEST_F(CommandProcessorTest, AbortRollsBackAtOnceAndInnerAbortKeepsOuterWork) {
  SetCounter(5);
  auto start = db_.Image();
  {
    auto outer = cp_.BeginCommandSequence(u"Outer");
    SetCounter(6);
    auto after6 = db_.Image();
    auto inner = cp_.BeginCommandSequence(u"Inner");
    SetCounter(7);
    db_.CreateObject(kStory);
    EXPECT_EQ(cp_.AbortCommandSequence(inner), kSuccess);
    EXPECT_EQ(db_.Image(), after6);
    SetCounter(8);
    EXPECT_EQ(cp_.AbortCommandSequence(outer), kSuccess);
  }
  EXPECT_EQ(db_.Image(), start);
  EXPECT_EQ(cp_.UndoCount(), 1u) << "nothing of the aborted sequence stays on the stack";
  EXPECT_EQ(cp_.UndoName(), u"Set counter");
}

TEST_F(CommandProcessorTest, SequenceMisuseIsRefused) {
  diag::Capture quiet;
  auto outer = cp_.BeginCommandSequence(u"Outer");
  auto inner = cp_.BeginCommandSequence(u"Inner");
  EXPECT_EQ(cp_.EndCommandSequence(outer), kSequenceMismatch);
  EXPECT_EQ(cp_.AbortCommandSequence(outer), kSequenceMismatch);
  EXPECT_EQ(cp_.EndCommandSequence(SequenceId{}), kSequenceMismatch);
  EXPECT_EQ(cp_.SequenceDepth(), 2u);
  EXPECT_EQ(cp_.EndCommandSequence(inner), kSuccess);
  EXPECT_EQ(cp_.EndCommandSequence(inner), kSequenceMismatch) << "ended twice";
  EXPECT_EQ(cp_.EndCommandSequence(outer), kSuccess);
  EXPECT_FALSE(cp_.InStep());
  EXPECT_FALSE(cp_.CanUndo()) << "a sequence that changed nothing leaves no step";

  // A command that leaves a sequence of its own open fails and is rolled back.
  auto before = db_.Image();
  auto sloppy = MakeCommand(u"Sloppy", [this] {
    cp_.BeginCommandSequence(u"Never ended");
    db_.Query<ICounter>(item_)->Set(1, u"x");
    return kSuccess;
  });
  EXPECT_EQ(cp_.ProcessCommand(sloppy), kSequenceMismatch);
  EXPECT_EQ(db_.Image(), before);
  EXPECT_FALSE(cp_.InStep());
  EXPECT_EQ(cp_.ProcessCommand(nullptr), kInvalidArgument);
}

TEST_F(CommandProcessorTest, AbortableSequenceAbortsUnlessEnded) {
  auto start = db_.Image();
  {
    AbortableSequence seq(cp_, u"Scoped");
    ASSERT_TRUE(seq.IsOpen());
    SetCounter(1);
  }
  EXPECT_EQ(db_.Image(), start);
  EXPECT_FALSE(cp_.CanUndo());
  {
    AbortableSequence seq(cp_, u"Scoped");
    SetCounter(2);
    EXPECT_EQ(seq.End(), kSuccess);
    EXPECT_EQ(seq.End(), kSequenceMismatch);
  }
  EXPECT_EQ(Counter(), 2);
  EXPECT_EQ(cp_.UndoName(), u"Scoped");
}

TEST_F(CommandProcessorTest, NewStepClearsRedoButAbortedOneDoesNot) {
  SetCounter(1);
  SetCounter(2);
  ASSERT_EQ(cp_.Undo(), kSuccess);
  ASSERT_TRUE(cp_.CanRedo());
  {
    AbortableSequence seq(cp_, u"Dropped");
    SetCounter(9);
  }
  EXPECT_TRUE(cp_.CanRedo());
  ASSERT_EQ(cp_.Redo(), kSuccess);
  EXPECT_EQ(Counter(), 2);
  ASSERT_EQ(cp_.Undo(), kSuccess);
  SetCounter(3);
  EXPECT_FALSE(cp_.CanRedo());
  EXPECT_EQ(cp_.UndoCount(), 2u);
}

TEST_F(CommandProcessorTest, SnapshotIsTakenOncePerCommand) {
  g_read_writes = 0;
  cp_.ProcessCommand(MakeCommand(u"Many", [this] {
    for (int i = 0; i < 1000; ++i) db_.Query<ICounter>(item_)->Set(i, u"n");
    return kSuccess;
  }));
  EXPECT_EQ(g_read_writes, 1);
  EXPECT_EQ(Counter(), 999);
  cp_.Undo();
  EXPECT_EQ(Counter(), 0);
}

TEST_F(CommandProcessorTest, TextEditsUseSmallRecordsAndNeverSnapshotTheStory) {
  UID story = db_.CreateObject(kStory).GetUID();
  auto text = db_.Query<IText>(story);
  AbortableSequence seed(cp_, u"Seed");
  text->Insert(0, std::u16string(100000, u'x'));
  seed.End();
  auto before = db_.Image();

  g_read_writes = 0;
  TextEditRecord::absorbed = 0;
  AbortableSequence seq(cp_, u"Edits");
  for (int i = 0; i < 1000; ++i) {
    cp_.ProcessCommand(MakeCommand(u"Edit", [&, i] {
      text->Erase(static_cast<size_t>(i) * 50, 1);
      text->Insert(static_cast<size_t>(i) * 50, u"ab");
      return kSuccess;
    }));
  }
  text->Insert(0, u"c");  // consecutive typing coalesces into one record
  text->Insert(1, u"d");
  text->Insert(2, u"e");
  seq.End();
  EXPECT_EQ(g_read_writes, 0) << "an edit must not copy the story";
  EXPECT_EQ(TextEditRecord::absorbed, 2);
  EXPECT_EQ(text->Text().size(), 100000u + 1000u + 3u);
  auto after = db_.Image();
  ASSERT_EQ(cp_.Undo(), kSuccess);
  EXPECT_EQ(db_.Image(), before);
  ASSERT_EQ(cp_.Redo(), kSuccess);
  EXPECT_EQ(db_.Image(), after);
}

TEST_F(CommandProcessorTest, NewObjectsCostTheStepTheirCreationOnly) {
  // An import's shape: a sequence of commands, each making objects the later ones edit.
  AbortableSequence seq(cp_, u"Import");
  std::vector<UID> stories;
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(cp_.ProcessCommand(MakeCommand(u"Make",
                                             [&] {
                                               stories.push_back(db_.CreateObject(kStory).GetUID());
                                               db_.Query<IText>(stories.back())->Insert(0, u"new");
                                               db_.Query<ICounter>(item_)->Set(
                                                   i, u"n");  // an object from before the step
                                               return kSuccess;
                                             })),
              kSuccess);
    ASSERT_EQ(cp_.ProcessCommand(MakeCommand(u"Edit",
                                             [&] {
                                               for (UID s : {stories.front(), stories.back()})
                                                 db_.Query<IText>(s)->Insert(0, u"x");
                                               return kSuccess;
                                             })),
              kSuccess);
  }
  seq.End();
  const UndoStep* step = cp_.LastStep();
  ASSERT_NE(step, nullptr);
  // One creation record per story, and one snapshot of the older item per command.
  EXPECT_EQ(step->Size(), 200u + 200u);
  auto after = db_.Image();
  ASSERT_EQ(cp_.Undo(), kSuccess);
  EXPECT_EQ(db_.ObjectCount(), 1u);
  EXPECT_EQ(Counter(), 0);
  ASSERT_EQ(cp_.Redo(), kSuccess);
  EXPECT_EQ(db_.Image(), after);
  // The first story was also the last one once.
  EXPECT_EQ(db_.Query<IText>(stories.front())->Text(), std::u16string(201, u'x') + u"new");
}

// A command that keeps its own undo data (no PreDirty, no snapshot).
class ToggleCommand final : public Command {
 public:
  ToggleCommand(Database& db, UID uid) : Command(u"Toggle", UndoMode::kOwn), db_(db), uid_(uid) {
    SetItemList(UIDList(UIDRef(&db, uid)));
  }
  ErrorCode Do() override { return Flip(); }
  void Undo() override { Flip(); }
  void Redo() override { Flip(); }

 private:
  ErrorCode Flip() {
    auto text = db_.Query<IText>(uid_);
    if (!text) return kNotFound;
    auto* impl = dynamic_cast<TextImpl*>(text.get());
    if (impl->Text().empty())
      impl->RawInsert(0, u"on");
    else
      impl->RawErase(0, impl->Text().size());
    return kSuccess;
  }
  Database& db_;
  UID uid_;
};

TEST_F(CommandProcessorTest, CommandWithOwnUndoIsReplayedAndNotified) {
  UID story = db_.CreateObject(kStory).GetUID();
  std::vector<ChangeSet> notices;
  db_.AddObserver([&](const ChangeSet& c) { notices.push_back(c); });
  ASSERT_EQ(cp_.ProcessCommand(std::make_shared<ToggleCommand>(db_, story)), kSuccess);
  EXPECT_EQ(db_.Query<IText>(story)->Text(), u"on");
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_TRUE(notices[0].WasModified(story, kInvalidInterface));
  cp_.Undo();
  EXPECT_EQ(db_.Query<IText>(story)->Text(), u"");
  cp_.Redo();
  EXPECT_EQ(db_.Query<IText>(story)->Text(), u"on");
  EXPECT_EQ(cp_.ProcessCommand(std::make_shared<ToggleCommand>(db_, 9999)), kNotFound);
}

TEST_F(CommandProcessorTest, ObserversAreToldOncePerStepWithNetChanges) {
  UID doomed = db_.CreateObject(kPageItem).GetUID();
  std::vector<ChangeSet> notices;
  auto id = db_.AddObserver([&](const ChangeSet& c) { notices.push_back(c); });

  UID created = kInvalidUID;
  {
    AbortableSequence seq(cp_, u"Work");
    SetCounter(1);
    SetCounter(2);
    db_.Query<INotes>(item_)->Add(u"n");
    created = db_.CreateObject(kTextFrame).GetUID();
    db_.Query<ICounter>(created)->Set(1, u"");
    UID transient = db_.CreateObject(kPageItem).GetUID();
    db_.DeleteObject(transient);
    db_.DeleteObject(doomed);
    EXPECT_TRUE(notices.empty()) << "nothing is told before the step ends";
    seq.End();
  }
  ASSERT_EQ(notices.size(), 1u);
  const ChangeSet& c = notices[0];
  EXPECT_EQ(c.origin, ChangeSet::Origin::kDo);
  EXPECT_EQ(c.step_name, u"Work");
  EXPECT_EQ(c.created, std::vector<UID>{created});
  EXPECT_EQ(c.deleted, std::vector<UID>{doomed});
  std::vector<std::pair<UID, InterfaceID>> modified{{item_, ICounter::kIID}, {item_, INotes::kIID}};
  EXPECT_EQ(c.modified, modified);

  {
    AbortableSequence seq(cp_, u"Aborted");
    SetCounter(5);
  }
  EXPECT_EQ(notices.size(), 1u) << "an abort tells nothing";

  cp_.Undo();
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[1].origin, ChangeSet::Origin::kUndo);
  EXPECT_EQ(notices[1].created, std::vector<UID>{doomed});
  EXPECT_EQ(notices[1].deleted, std::vector<UID>{created});
  db_.RemoveObserver(id);
  cp_.Redo();
  EXPECT_EQ(notices.size(), 2u);
}

TEST_F(CommandProcessorTest, ChangeOutsideCommandClearsHistory) {
  SetCounter(1);
  ASSERT_TRUE(cp_.CanUndo());
  diag::Capture capture;
  db_.Query<ICounter>(item_)->Set(5, u"raw");
  EXPECT_FALSE(cp_.CanUndo());
  EXPECT_NE(capture.Text().find("undo history cleared"), std::string::npos);
  EXPECT_EQ(Counter(), 5);
}

TEST_F(CommandProcessorTest, UndoAndRedoBringBackTheSameObjectsAndUIDs) {
  auto held = db_.Query<ICounter>(item_);
  cp_.ProcessCommand(MakeCommand(u"Delete", [this] { return db_.DeleteObject(item_); }));
  EXPECT_FALSE(db_.Contains(item_));
  EXPECT_EQ(db_.Query<ICounter>(item_), nullptr);
  cp_.Undo();
  EXPECT_EQ(db_.Query<ICounter>(item_), held) << "the very same object comes back";

  UID created = kInvalidUID;
  cp_.ProcessCommand(MakeCommand(u"Create", [&] {
    created = db_.CreateObject(kStory).GetUID();
    db_.Query<IText>(created)->Insert(0, u"hello");
    return kSuccess;
  }));
  auto after = db_.Image();
  cp_.Undo();
  EXPECT_FALSE(db_.Contains(created));
  cp_.Redo();
  EXPECT_EQ(db_.Image(), after);
  cp_.Undo();
  // A new step after the undo may take the UID again: the redo that held it is gone.
  UID again = kInvalidUID;
  cp_.ProcessCommand(MakeCommand(u"Create again", [&] {
    again = db_.CreateObject(kStory).GetUID();
    return kSuccess;
  }));
  EXPECT_FALSE(cp_.CanRedo());
  EXPECT_EQ(again, created);
}

}  // namespace
}  // namespace tarvelin::testing
