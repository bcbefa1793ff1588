// Random edit sequences checked against a plain reference model: every committed step,
// undo, redo and abort must leave the database equal to the model and, byte for byte, to
// the image it had at that point of history.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "host/objects/command_processor.h"
#include "test_classes.h"

namespace tarvelin::testing {
namespace {

struct ModelObject {
  explicit ModelObject(ClassID c = kInvalidClass) : cls(c) {}
  ClassID cls;
  int32_t value = 0;
  std::u16string label;
  std::vector<std::u16string> notes;
  std::u16string text;
  friend bool operator==(const ModelObject&, const ModelObject&) = default;
};
using Model = std::map<UID, ModelObject>;

// Appends a mark to a story with undo of its own: its undo removes the last letter, so it
// goes wrong unless it is replayed against exactly the state that followed it.
class AppendMarkCommand final : public Command {
 public:
  AppendMarkCommand(Database& db, UID uid) : Command(u"Mark", UndoMode::kOwn), db_(db), uid_(uid) {}
  ErrorCode Do() override {
    Impl().RawInsert(Impl().Text().size(), u"!");
    return kSuccess;
  }
  void Undo() override {
    if (!Impl().Text().empty()) Impl().RawErase(Impl().Text().size() - 1, 1);
  }
  void Redo() override { Do(); }

 private:
  TextImpl& Impl() { return dynamic_cast<TextImpl&>(*db_.Query<IText>(uid_)); }
  Database& db_;
  UID uid_;
};

class RandomEditor {
 public:
  RandomEditor(uint32_t seed) : rng_(seed), db_(MakeRegistry()), cp_(db_.Commands()) {}

  void Run(int steps) {
    states_.push_back({model_, db_.Image()});
    for (int i = 0; i < steps; ++i) {
      int action = Pick(100);
      if (action < 15)
        Undo();
      else if (action < 25)
        Redo();
      else
        NewStep();
      ASSERT_NO_FATAL_FAILURE(CheckModel(model_));
    }
    // Walk the whole history back and forth.
    while (cursor_ > 0) Undo();
    while (cursor_ + 1 < states_.size()) Redo();
  }

  // A batch run's way: no history. Inner commands and sequences still roll back exactly,
  // the outermost sequence journals nothing once they end, and aborting it keeps its work.
  void RunWithoutHistory(int steps) {
    cp_.KeepHistory(false);
    std::vector<ChangeSet> notices;
    db_.AddObserver([&](const ChangeSet& c) { notices.push_back(c); });
    for (int i = 0; i < steps; ++i) {
      Model m = model_;
      {
        AbortableSequence seq(cp_, u"Batch");
        ASSERT_NO_FATAL_FAILURE(Work(m, 0));
        ASSERT_EQ(db_.JournalSize(), 0u);
        if (Pick(5) == 0) {
          ASSERT_EQ(seq.Abort(), kFailure);
          ++aborts;
        } else {
          ASSERT_EQ(seq.End(), kSuccess);
        }
      }
      model_ = m;
      ASSERT_NO_FATAL_FAILURE(CheckModel(model_));
      ASSERT_FALSE(cp_.CanUndo());
      ASSERT_EQ(notices.size(), static_cast<size_t>(i + 1));
      ASSERT_TRUE(notices.back().unknown);
    }
  }

  int undos = 0, redos = 0, aborts = 0, failures = 0, own_undos = 0;

 private:
  struct State {
    Model model;
    std::vector<uint8_t> image;
  };

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  void CheckModel(const Model& m) {
    ASSERT_EQ(db_.ObjectCount(), m.size());
    for (const auto& [uid, want] : m) {
      auto object = db_.Instantiate(uid);
      ASSERT_TRUE(object) << "UID " << uid;
      ModelObject got{object->Class()};
      auto counter = object->Query<ICounter>();
      got.value = counter->Value();
      got.label = counter->Label();
      if (auto notes = object->Query<INotes>()) got.notes = notes->Notes();
      if (auto text = object->Query<IText>()) got.text = text->Text();
      ASSERT_EQ(got, want) << "UID " << uid;
    }
  }

  void CheckState(const State& s) {
    ASSERT_NO_FATAL_FAILURE(CheckModel(s.model));
    ASSERT_EQ(db_.Image(), s.image);
  }

  UID AnyObject(const Model& m) {
    if (m.empty()) return kInvalidUID;
    auto it = m.begin();
    std::advance(it, Pick(static_cast<int>(m.size())));
    return it->first;
  }

  // One random change, applied to the database and to `m` alike.
  void Edit(Model& m) {
    UID uid = AnyObject(m);
    int op = uid == kInvalidUID ? 0 : Pick(6);
    switch (op) {
      case 0: {
        static constexpr ClassID kClasses[] = {kPageItem, kTextFrame, kStory};
        ClassID cls = kClasses[Pick(3)];
        UID created = db_.CreateObject(cls).GetUID();
        ASSERT_NE(created, kInvalidUID);
        ASSERT_FALSE(m.contains(created)) << "UID reused";
        m[created] = ModelObject{cls};
        break;
      }
      case 1:
        ASSERT_EQ(db_.DeleteObject(uid), kSuccess);
        m.erase(uid);
        break;
      case 2: {
        int32_t v = Pick(1000) - 500;
        std::u16string label(static_cast<size_t>(Pick(4)), u'a' + static_cast<char16_t>(Pick(26)));
        db_.Query<ICounter>(uid)->Set(v, label);
        m[uid].value = v;
        m[uid].label = label;
        break;
      }
      default: {
        ModelObject& o = m[uid];
        if (o.cls == kStory) {
          auto text = db_.Query<IText>(uid);
          if (Pick(6) == 0) {
            std::u16string t(static_cast<size_t>(Pick(8)), u'r');
            text->Replace(t);
            o.text = t;
          } else if (!o.text.empty() && Pick(3) == 0) {
            size_t pos = static_cast<size_t>(Pick(static_cast<int>(o.text.size())));
            size_t n = std::min<size_t>(static_cast<size_t>(1 + Pick(5)), o.text.size() - pos);
            text->Erase(pos, n);
            o.text.erase(pos, n);
          } else {
            // Often at the end, so consecutive inserts coalesce.
            size_t pos = Pick(2) ? o.text.size()
                                 : static_cast<size_t>(Pick(static_cast<int>(o.text.size()) + 1));
            std::u16string s(static_cast<size_t>(1 + Pick(3)),
                             u'k' + static_cast<char16_t>(Pick(5)));
            text->Insert(pos, s);
            o.text.insert(pos, s);
          }
        } else {
          std::u16string note = u"n" + std::u16string(1, u'0' + static_cast<char16_t>(Pick(10)));
          db_.Query<INotes>(uid)->Add(note);
          o.notes.push_back(note);
        }
        break;
      }
    }
  }

  UID AnyStory(const Model& m) {
    std::vector<UID> stories;
    for (const auto& [uid, o] : m)
      if (o.cls == kStory) stories.push_back(uid);
    return stories.empty() ? kInvalidUID
                           : stories[static_cast<size_t>(Pick(static_cast<int>(stories.size())))];
  }

  // A mix of direct edits, commands, failing commands, commands with their own undo (rare,
  // as in real use) and nested sequences.
  void Work(Model& m, int depth) {
    int n = 1 + Pick(6);
    for (int i = 0; i < n; ++i) {
      int kind = Pick(10);
      if (kind == 9 && Pick(2) == 0) {
        if (UID story = AnyStory(m); story != kInvalidUID) {
          ASSERT_EQ(cp_.ProcessCommand(std::make_shared<AppendMarkCommand>(db_, story)), kSuccess);
          m[story].text += u"!";
          ++own_undos;
          continue;
        }
      }
      if (kind < 4) {
        ASSERT_NO_FATAL_FAILURE(Edit(m));
      } else if (kind < 7) {
        Model& target = m;
        ErrorCode e = cp_.ProcessCommand(MakeCommand(u"Edit", [&] {
          int k = 1 + Pick(3);
          for (int j = 0; j < k; ++j) Edit(target);
          return kSuccess;
        }));
        ASSERT_EQ(e, kSuccess);
      } else if (kind < 8) {
        Model scratch = m;
        ErrorCode e = cp_.ProcessCommand(MakeCommand(u"Failing", [&] {
          int k = 1 + Pick(4);
          for (int j = 0; j < k; ++j) Edit(scratch);
          return kFailure;
        }));
        ASSERT_EQ(e, kFailure);
        ++failures;
        ASSERT_NO_FATAL_FAILURE(CheckModel(m));
      } else if (depth < 3) {
        Model before = m;
        auto image = db_.Image();
        AbortableSequence inner(cp_, u"Inner");
        ASSERT_NO_FATAL_FAILURE(Work(m, depth + 1));
        if (Pick(3) == 0) {
          ASSERT_EQ(inner.Abort(), kSuccess);
          m = before;
          ++aborts;
          ASSERT_NO_FATAL_FAILURE(CheckModel(m));
          ASSERT_EQ(db_.Image(), image);
        } else {
          ASSERT_EQ(inner.End(), kSuccess);
        }
      }
    }
  }

  void NewStep() {
    size_t undo_count = cp_.UndoCount();
    Model m = model_;
    {
      AbortableSequence seq(cp_,
                            u"Step " + std::u16string(1, u'A' + static_cast<char16_t>(Pick(26))));
      ASSERT_NO_FATAL_FAILURE(Work(m, 0));
      if (Pick(5) == 0) {
        ++aborts;
        // The guard aborts at the end of the scope.
      } else {
        ASSERT_EQ(seq.End(), kSuccess);
        model_ = m;
      }
    }
    ASSERT_NO_FATAL_FAILURE(CheckModel(model_));
    if (cp_.UndoCount() > undo_count) {
      ASSERT_EQ(cp_.UndoCount(), undo_count + 1);
      states_.resize(cursor_ + 1);
      states_.push_back({model_, db_.Image()});
      ++cursor_;
      ASSERT_FALSE(cp_.CanRedo());
    } else {
      ASSERT_EQ(db_.Image(), states_[cursor_].image) << "an abort or empty step changed the data";
    }
  }

  void Undo() {
    if (cursor_ == 0) {
      ASSERT_EQ(cp_.Undo(), kNothingToUndo);
      return;
    }
    ASSERT_EQ(cp_.Undo(), kSuccess);
    --cursor_;
    model_ = states_[cursor_].model;
    ++undos;
    ASSERT_NO_FATAL_FAILURE(CheckState(states_[cursor_]));
  }

  void Redo() {
    if (cursor_ + 1 >= states_.size()) {
      ASSERT_EQ(cp_.Redo(), kNothingToRedo);
      return;
    }
    ASSERT_EQ(cp_.Redo(), kSuccess);
    ++cursor_;
    model_ = states_[cursor_].model;
    ++redos;
    ASSERT_NO_FATAL_FAILURE(CheckState(states_[cursor_]));
  }

  std::mt19937 rng_;
  Database db_;
  CommandProcessor& cp_;
  Model model_;
  std::vector<State> states_;
  size_t cursor_ = 0;
};

TEST(UndoRandomTest, HistoryMatchesReferenceModel) {
  for (uint32_t seed : {1u, 2u, 3u, 17u, 99u, 12345u}) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    RandomEditor editor(seed);
    ASSERT_NO_FATAL_FAILURE(editor.Run(300));
    // The run must have exercised every path, or it proves little.
    EXPECT_GT(editor.undos, 20);
    EXPECT_GT(editor.redos, 10);
    EXPECT_GT(editor.aborts, 10);
    EXPECT_GT(editor.failures, 10);
    EXPECT_GT(editor.own_undos, 3);
  }
}

TEST(UndoRandomTest, WithoutHistoryOnlyInnerWorkRollsBack) {
  for (uint32_t seed : {4u, 5u, 6u}) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    RandomEditor editor(seed);
    ASSERT_NO_FATAL_FAILURE(editor.RunWithoutHistory(150));
    EXPECT_GT(editor.aborts, 10);
    EXPECT_GT(editor.failures, 10);
  }
}

}  // namespace
}  // namespace tarvelin::testing
