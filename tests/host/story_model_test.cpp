// Random edit sequences on stories, checked unit by unit against the plain model, then
// undone and redone as one step and compared byte for byte.
#include <random>

#include "host/text/text_commands.h"
#include "story_test_support.h"

namespace tarvelin::testing {
namespace {

class StoryModelTest : public ::testing::TestWithParam<uint32_t> {
 protected:
  StoryModelTest() : db_(TextRegistry()) {
    a_ = CreateStory(db_);
    b_ = CreateStory(db_);
    for (int i = 0; i < 3; ++i) styles_.push_back(db_.CreateObject(kStyleClass).GetUID());
  }

  std::shared_ptr<ITextModel> A() { return QueryInterface<ITextModel>(a_); }
  std::shared_ptr<ITextModel> B() { return QueryInterface<ITextModel>(b_); }

  AttributeList RandomList(std::mt19937& rng) {
    static const Attribute kChoices[] = {
        Attribute::Double(AttrKind::kPointSize, 10),
        Attribute::Double(AttrKind::kPointSize, 14.5),
        Attribute::Int(AttrKind::kUnderline, 1),
        Attribute::Int(AttrKind::kUnderline, 0),
        Attribute::Text(AttrKind::kFontStyle, u"Bold"),
        Attribute::Text(AttrKind::kFontStyle, u"Italic"),
        Attribute::Int(AttrKind::kAlignment, 2),
        Attribute::Double(AttrKind::kLeftIndent, 7),
        Attribute::Uid(AttrKind::kRuleBelowColour, 5),
    };
    AttributeList list;
    int n = 1 + static_cast<int>(rng() % 2);
    for (int i = 0; i < n; ++i) list.Set(kChoices[rng() % std::size(kChoices)]);
    return list;
  }

  std::u16string RandomText(std::mt19937& rng) {
    static const char16_t kAlphabet[] = u"ab \r\rxy";
    std::u16string s(rng() % 9, u'a');
    for (char16_t& c : s) c = kAlphabet[rng() % (std::size(kAlphabet) - 1)];
    return s;
  }

  // One random edit on story A (both as a command and in the plain model).
  void Step(std::mt19937& rng, NaiveStory& naive, const NaiveStory& naive_b, int i) {
    size_t total = naive.Total();
    size_t pos = rng() % total;
    size_t n = rng() % 12;
    TextLevel level = rng() % 3 == 0 ? TextLevel::kParagraph : TextLevel::kCharacter;
    switch (rng() % 7) {
      case 0:
      case 1: {
        std::u16string s = RandomText(rng);
        ASSERT_EQ(kSuccess, InsertText(a_, pos, s)) << i;
        naive.Insert(pos, s);
        break;
      }
      case 2: {
        n = std::min(n, total - 1 - pos);
        ASSERT_EQ(kSuccess, DeleteText(a_, pos, n)) << i;
        naive.Delete(pos, n);
        break;
      }
      case 3: {
        n = std::min(n, total - pos);
        AttributeList list = RandomList(rng);
        ASSERT_EQ(kSuccess, ApplyTextAttributes(a_, pos, n, list, level)) << i;
        naive.Change(pos, n, level, [&](NaiveFormat& f) { f.overrides.Merge(list); });
        break;
      }
      case 4: {
        n = std::min(n, total - pos);
        AttrKindSet kinds =
            rng() % 2 ? AllAttrKinds() : KindSetOf({AttrKind::kPointSize, AttrKind::kAlignment});
        ASSERT_EQ(kSuccess, ClearTextOverrides(a_, pos, n, kinds, level)) << i;
        naive.Change(pos, n, level, [&](NaiveFormat& f) { f.overrides.RemoveKinds(kinds); });
        break;
      }
      case 5: {
        n = std::min(n, total - pos);
        UID style = styles_[rng() % styles_.size()];
        ASSERT_EQ(kSuccess, ApplyTextStyle(a_, pos, n, style, level)) << i;
        naive.Change(pos, n, level, [&](NaiveFormat& f) { f.style = style; });
        break;
      }
      default: {
        size_t from = rng() % naive_b.Total();
        n = std::min(n, naive_b.Total() - 1 - from);
        ASSERT_EQ(kSuccess, CopyStyledText(b_, from, n, a_, pos)) << i;
        naive.InsertCopy(pos, naive_b, from, n);
        break;
      }
    }
  }

  // Moves a random range (or, with `whole`, all the text) of one story to a random place in
  // another, in the stories and in their plain models.
  void Move(std::mt19937& rng, const UIDRef& from, NaiveStory& naive_from, const UIDRef& to,
            NaiveStory& naive_to, bool whole) {
    const size_t total = naive_from.Total();
    const size_t pos = whole ? 0 : rng() % total;
    const size_t n = whole ? total - 1 : std::min<size_t>(rng() % 40, total - 1 - pos);
    const size_t at = rng() % naive_to.Total();
    ASSERT_EQ(kSuccess, MoveStyledText(from, pos, n, to, at));
    naive_to.InsertCopy(at, naive_from, pos, n);
    naive_from.Delete(pos, n);
  }

  UIDRef NewStory() {
    UIDRef made;
    EXPECT_EQ(kSuccess, ProcessFunction(db_, u"New story", [&] {
                made = CreateStory(db_);
                return kSuccess;
              }));
    return made;
  }

  Database db_;
  UIDRef a_;
  UIDRef b_;
  std::vector<UID> styles_;
};

TEST_P(StoryModelTest, RandomEditsMatchThePlainModelAndUndoExactly) {
  std::mt19937 rng(GetParam());
  // Story B: a styled source for copies, built outside the recorded step.
  NaiveStory naive_b;
  for (int i = 0; i < 40; ++i) {
    NaiveStory& m = naive_b;
    size_t pos = rng() % m.Total();
    if (i % 2 == 0) {
      std::u16string s = RandomText(rng);
      ASSERT_EQ(kSuccess, B()->Insert(pos, s));
      m.Insert(pos, s);
    } else {
      size_t n = std::min<size_t>(rng() % 10, m.Total() - pos);
      AttributeList list = RandomList(rng);
      TextLevel level = i % 4 == 1 ? TextLevel::kParagraph : TextLevel::kCharacter;
      ASSERT_EQ(kSuccess, B()->ApplyAttributes(pos, n, list, level));
      m.Change(pos, n, level, [&](NaiveFormat& f) { f.overrides.Merge(list); });
    }
  }
  ExpectSame(naive_b, *B(), "source");

  std::vector<uint8_t> before = db_.Image();
  NaiveStory naive;
  SequenceId seq = db_.Commands().BeginCommandSequence(u"edits");
  for (int i = 0; i < 400; ++i) {
    ASSERT_NO_FATAL_FAILURE(Step(rng, naive, naive_b, i));
    ASSERT_NO_FATAL_FAILURE(ExpectSame(naive, *A(), "step " + std::to_string(i)));
  }
  ASSERT_EQ(kSuccess, db_.Commands().EndCommandSequence(seq));
  std::vector<uint8_t> after = db_.Image();

  ASSERT_EQ(kSuccess, db_.Commands().Undo());
  EXPECT_EQ(before, db_.Image());
  ExpectSame(NaiveStory(), *A(), "undone");
  ASSERT_EQ(kSuccess, db_.Commands().Redo());
  EXPECT_EQ(after, db_.Image());
  ExpectSame(naive, *A(), "redone");
}

TEST_P(StoryModelTest, AbortedSequenceLeavesTheStoryAsItWas) {
  std::mt19937 rng(GetParam() * 7 + 1);
  NaiveStory naive_b;
  NaiveStory naive;
  for (int i = 0; i < 30; ++i) ASSERT_NO_FATAL_FAILURE(Step(rng, naive, naive_b, i));
  std::vector<uint8_t> before = db_.Image();
  {
    AbortableSequence seq(db_.Commands(), u"aborted");
    for (int i = 0; i < 60; ++i) ASSERT_NO_FATAL_FAILURE(Step(rng, naive, naive_b, i));
  }
  EXPECT_EQ(before, db_.Image());
}

// A story grown large and then mostly deleted gives its buffers back; what is left, later
// edits and the undo of it all must stay exact through the shrinking.
TEST_P(StoryModelTest, LargeStoryMostlyDeletedStaysExact) {
  std::mt19937 rng(GetParam() * 13 + 5);
  NaiveStory naive_b;
  NaiveStory naive;
  std::vector<uint8_t> before = db_.Image();
  SequenceId seq = db_.Commands().BeginCommandSequence(u"grow and shrink");
  std::u16string chunk;
  for (int i = 0; i < 40; ++i) chunk += RandomText(rng) + u"mmmmmmmmmmmmmmmmmmmm";
  for (int i = 0; i < 20; ++i) {
    size_t pos = rng() % naive.Total();
    ASSERT_EQ(kSuccess, InsertText(a_, pos, chunk));
    naive.Insert(pos, chunk);
    ASSERT_NO_FATAL_FAILURE(Step(rng, naive, naive_b, i));
  }
  ASSERT_GT(naive.Total(), 8000u);
  while (naive.Total() > 300) {
    size_t n = std::min<size_t>(1500, naive.Total() - 200);
    size_t pos = rng() % (naive.Total() - n);
    ASSERT_EQ(kSuccess, DeleteText(a_, pos, n));
    naive.Delete(pos, n);
    ASSERT_NO_FATAL_FAILURE(Step(rng, naive, naive_b, 0));
    ASSERT_NO_FATAL_FAILURE(ExpectSame(naive, *A(), "shrinking"));
  }
  // Nearly all of it at once, the story's first and last units kept: the deleted text
  // takes the story's buffer along, and undo must bring it back from there.
  ASSERT_EQ(kSuccess, InsertText(a_, 1, chunk));
  naive.Insert(1, chunk);
  const size_t nearly_all = naive.Total() - 1 - 3 - 2;
  ASSERT_EQ(kSuccess, DeleteText(a_, 3, nearly_all));
  naive.Delete(3, nearly_all);
  ASSERT_NO_FATAL_FAILURE(ExpectSame(naive, *A(), "nearly all deleted"));
  for (int i = 0; i < 50; ++i) ASSERT_NO_FATAL_FAILURE(Step(rng, naive, naive_b, i));
  ASSERT_NO_FATAL_FAILURE(ExpectSame(naive, *A(), "after"));
  ASSERT_EQ(kSuccess, db_.Commands().EndCommandSequence(seq));
  std::vector<uint8_t> after = db_.Image();
  ASSERT_EQ(kSuccess, db_.Commands().Undo());
  EXPECT_EQ(before, db_.Image());
  ASSERT_EQ(kSuccess, db_.Commands().Redo());
  EXPECT_EQ(after, db_.Image());
  ExpectSame(naive, *A(), "redone");
}

// A move between stories hands its text over; when both keep undo records, the records share
// it instead of copying it. Undone and redone twice, each state must come back exactly:
// moves to the older and to the newer story, with stories made within the step (the
// import's scratch story moved whole into the frame's), and a sequence aborted after one.
TEST_P(StoryModelTest, MovesBetweenStoriesUndoExactly) {
  std::mt19937 rng(GetParam() * 31 + 7);
  NaiveStory naive_a, naive_b, naive_c, naive_d;
  for (int i = 0; i < 60; ++i) ASSERT_NO_FATAL_FAILURE(Step(rng, naive_a, naive_b, i));
  ASSERT_NO_FATAL_FAILURE(Move(rng, a_, naive_a, b_, naive_b, true));
  for (int i = 0; i < 60; ++i) ASSERT_NO_FATAL_FAILURE(Step(rng, naive_a, naive_b, i));
  ASSERT_LT(a_.GetUID(), b_.GetUID());

  const std::vector<uint8_t> before = db_.Image();
  SequenceId seq = db_.Commands().BeginCommandSequence(u"moves");
  for (int i = 0; i < 10; ++i) {
    ASSERT_NO_FATAL_FAILURE(Move(rng, b_, naive_b, a_, naive_a, false));
    ASSERT_NO_FATAL_FAILURE(Move(rng, a_, naive_a, b_, naive_b, false));
  }
  const UIDRef c = NewStory();
  for (int i = 0; i < 5; ++i) {
    ASSERT_NO_FATAL_FAILURE(Move(rng, a_, naive_a, c, naive_c, false));
    ASSERT_NO_FATAL_FAILURE(Move(rng, c, naive_c, b_, naive_b, false));
    ASSERT_NO_FATAL_FAILURE(Step(rng, naive_a, naive_b, i));
  }
  const UIDRef d = NewStory();
  std::u16string chunk;
  for (int i = 0; i < 30; ++i) chunk += RandomText(rng) + u"ogłoszenie";
  ASSERT_EQ(kSuccess, InsertText(d, 0, chunk));
  naive_d.Insert(0, chunk);
  ASSERT_NO_FATAL_FAILURE(Move(rng, d, naive_d, a_, naive_a, true));
  ASSERT_NO_FATAL_FAILURE(Move(rng, b_, naive_b, a_, naive_a, true));
  for (int i = 0; i < 5; ++i) ASSERT_NO_FATAL_FAILURE(Step(rng, naive_a, naive_b, i));
  ASSERT_EQ(kSuccess, db_.Commands().EndCommandSequence(seq));
  ExpectSame(naive_a, *A(), "a");
  ExpectSame(naive_b, *B(), "b");
  ExpectSame(naive_c, *QueryInterface<ITextModel>(c), "c");
  ExpectSame(naive_d, *QueryInterface<ITextModel>(d), "d");
  const std::vector<uint8_t> after = db_.Image();

  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(kSuccess, db_.Commands().Undo());
    EXPECT_EQ(before, db_.Image()) << round;
    ASSERT_EQ(kSuccess, db_.Commands().Redo());
    EXPECT_EQ(after, db_.Image()) << round;
  }
  {
    AbortableSequence aborted(db_.Commands(), u"aborted");
    ASSERT_NO_FATAL_FAILURE(Move(rng, a_, naive_a, b_, naive_b, false));
    ASSERT_NO_FATAL_FAILURE(Move(rng, b_, naive_b, a_, naive_a, true));
  }
  EXPECT_EQ(after, db_.Image());
}

INSTANTIATE_TEST_SUITE_P(Seeds, StoryModelTest, ::testing::Values(1u, 2u, 3u, 42u, 1234u));

}  // namespace
}  // namespace tarvelin::testing
