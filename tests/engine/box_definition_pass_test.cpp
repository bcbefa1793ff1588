#include "engine/box_definition_pass.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/diagnostics.h"
#include "core/import_log.h"
#include "core/string_table.h"
#include "core/utf16.h"

namespace tarvelin {
namespace {

std::u16string U(std::string_view utf8) {
  return FromUtf8(utf8);
}

struct CollectCase {
  const char* name;
  std::string story;
  std::vector<std::string> records;  // the definition texts collected, in order
  std::vector<RejectedDefinition::Reason> rejected;
  bool stopped;
};

TEST(CollectBoxDefinitionsTest, FindsTopLevelDefinitionsAsTheScannerCountsThem) {
  using R = RejectedDefinition::Reason;
  const std::vector<CollectCase> cases = {
      {"one self-closing box between letters",
       "x<boxtext t1=\"A\"/>y",
       {"<boxtext t1=\"A\"/>"},
       {},
       false},
      {"a group is one definition",
       "<boxgroup a=\"1\"><innerbox b=\"2\"/><innerbox c=\"3\"/></boxgroup>",
       {"<boxgroup a=\"1\"><innerbox b=\"2\"/><innerbox c=\"3\"/></boxgroup>"},
       {},
       false},
      {"two definitions",
       "<boxtext a=\"1\">x</boxtext> and <boxpicture fn=\"a.tif\"/>.",
       {"<boxtext a=\"1\">x</boxtext>", "<boxpicture fn=\"a.tif\"/>"},
       {},
       false},
      {"begin tag too close to the end", "text <boxtext a=", {}, {}, false},
      {"end counted before its begin",
       "<boxtext/> tail text here",
       {},
       {R::kEndBeforeBegin},
       false},
      // The second, short definition must not re-collect the first one's stale indices.
      {"short definition after a good one",
       "<boxtext t1=\"A\"/> <boxtext/> and more text",
       {"<boxtext t1=\"A\"/>"},
       {R::kEndBeforeBegin},
       false},
      {"end tag without '<' passes the scanner, not the check",
       "<boxtext a=\"1\">x/boxtext>",
       {},
       {R::kUnbalanced},
       false},
      {"element name not allowed stops the pass",
       "<boxtext a=\"1\"/> <boxtexts a=\"1\"/> <boxtext b=\"2\"/>",
       {"<boxtext a=\"1\"/>"},
       {},
       true},
      {"bare '<' in content stops the pass",
       "<boxtext a=\"1\">a < b</boxtext> <boxtext b=\"2\"/>",
       {},
       {},
       true},
      {"typographic quotes and ampersands",
       "<boxtext t1=\xE2\x80\x9C"
       "A & B\xE2\x80\x9D/>",
       {"<boxtext t1=\xE2\x80\x9C"
        "A & B\xE2\x80\x9D/>"},
       {},
       false},
  };
  diag::Capture quiet;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string text = U(c.story);
    const BoxCollection got = CollectBoxDefinitions(StringStoryText(text));
    ASSERT_EQ(got.records.size(), c.records.size());
    for (size_t k = 0; k < c.records.size(); ++k) {
      const CollectedRecord& r = got.records[k];
      EXPECT_EQ(text.substr(r.startIndex, r.endIndex - r.startIndex + 1), U(c.records[k]));
      EXPECT_EQ(r.record.storyStart, r.startIndex + static_cast<int64_t>(k) + 1);
      EXPECT_EQ(r.record.storyEnd, r.endIndex + static_cast<int64_t>(k) + 2);
      EXPECT_TRUE(r.record.valid);
    }
    ASSERT_EQ(got.rejected.size(), c.rejected.size());
    for (size_t k = 0; k < c.rejected.size(); ++k) EXPECT_EQ(got.rejected[k].reason, c.rejected[k]);
    EXPECT_EQ(got.Stopped(), c.stopped);
  }
}

TEST(CollectBoxDefinitionsTest, RecordsCarryTheCheckAndParseResults) {
  diag::Capture quiet;
  const std::u16string text = u"x<boxtext t1=\"A\"/>y<boxtext a=\"1\">x</boxtext>";
  const BoxCollection got = CollectBoxDefinitions(StringStoryText(text));
  ASSERT_EQ(got.records.size(), 2u);
  const BoxDefinition& first = got.records[0].record;
  EXPECT_EQ(got.records[0].startIndex, 1);
  EXPECT_EQ(first.storyEnd - first.storyStart, 17);
  EXPECT_EQ(first.texts[0], u"A");
  const BoxDefinition& second = got.records[1].record;
  EXPECT_EQ(second.kind, BoxKind::kText);
  EXPECT_EQ(second.headerEnd, 15);
  EXPECT_EQ(second.endTagStart, 16);
  EXPECT_EQ(second.storyStart, got.records[1].startIndex + 2);
}

TEST(CollectBoxDefinitionsTest, ReportsADefinitionThatNeverCloses) {
  diag::Capture quiet;
  const std::u16string text = u"ab <boxgroup a=\"1\"><innerbox b=\"2\"/> and the story ends";
  const BoxCollection got = CollectBoxDefinitions(StringStoryText(text));
  EXPECT_TRUE(got.records.empty());
  EXPECT_EQ(got.endDepth, 1);
  ASSERT_TRUE(got.unclosedStart.has_value());
  EXPECT_EQ(*got.unclosedStart, 3);
}

// A document stand-in: frame 1 holds `story`; each created frame gets the next UID and,
// like the real creation, the definition in the parent story becomes one anchor unit.
class FakeCreator final : public IFrameCreator {
 public:
  struct Call {
    int k;
    int64_t m;
    int nestingLevel;
    uint32_t parent;
    std::u16string definition;  // what stood at the computed first index
  };

  explicit FakeCreator(std::u16string story) { stories_.push_back(std::move(story)); }

  bool CanCreateIn(FrameRef) override { return canCreate; }

  FrameRef CreateInlineFrame(BoxDefinition& record, FrameRef parent, int k, int64_t m,
                             int nestingLevel) override {
    std::u16string& story = stories_[parent.uid - 1];
    const int64_t first = record.storyStart - m - 1;
    const int64_t length = record.storyEnd - record.storyStart;
    calls.push_back({k, m, nestingLevel, parent.uid, story.substr(first, length)});
    if (static_cast<int>(calls.size()) == nullAt) return {};
    if (static_cast<int>(calls.size()) == clearContinueAt) *continueFlag = false;
    // The new frame's story holds the definition's content.
    std::u16string content;
    if (record.headerEnd >= 0 && record.endTagStart >= record.headerEnd) {
      content = story.substr(first + record.headerEnd, record.endTagStart - record.headerEnd);
    }
    story.replace(first, length, 1, u'\uFFFC');
    stories_.push_back(keepWholeDefinition ? calls.back().definition : content);
    record.frameUID = static_cast<uint32_t>(stories_.size());
    return FrameRef{nullptr, record.frameUID};
  }

  std::unique_ptr<StoryText> StoryOf(FrameRef frame) override {
    if (noStoryFor == frame.uid) return nullptr;
    return std::make_unique<StringStoryText>(stories_[frame.uid - 1]);
  }

  const std::u16string& Story(uint32_t uid) const { return stories_[uid - 1]; }

  std::vector<Call> calls;
  bool canCreate = true;
  int nullAt = 0;
  int clearContinueAt = 0;
  bool* continueFlag = nullptr;
  uint32_t noStoryFor = 0;
  bool keepWholeDefinition = false;  // a story that never shrinks from level to level

 private:
  std::vector<std::u16string> stories_;
};

class RecordingProgress final : public Progress {
 public:
  struct Bar final : ProgressBar {
    Bar(RecordingProgress& owner, std::u16string title, int64_t max)
        : owner(owner), title(std::move(title)), max(max) {}
    void SetPosition(int64_t position) override { last = position; }
    void SetTitle(const std::u16string& t) override { owner.events.push_back(u"retitle:" + t); }
    bool WasCancelled() const override {
      return owner.cancelAtPosition >= 0 && last >= owner.cancelAtPosition;
    }
    RecordingProgress& owner;
    std::u16string title;
    int64_t max;
    int64_t last = -1;
  };
  void DoTask(const std::u16string& title, int) override { events.push_back(u"task:" + title); }
  std::unique_ptr<ProgressBar> CreateRangeBar(const std::u16string& title, int64_t min,
                                              int64_t max) override {
    events.push_back(u"bar:" + title + u":" + Widen(std::to_string(min)) + u"-" +
                     Widen(std::to_string(max)));
    return std::make_unique<Bar>(*this, title, max);
  }
  bool WasCancelled() const override { return false; }

  std::vector<std::u16string> events;
  int64_t cancelAtPosition = -1;
};

const std::u16string kTwoBoxes =
    u"Ad one <boxtext t1=\"A\">first</boxtext>, ad two <boxpicture fn=\"b.tif\"/> end.";

TEST(SearchAndCreateFramesTest, HandsRecordsOverWithTheirShiftAndReplacesThemInOrder) {
  diag::Capture quiet;
  FakeCreator creator(kTwoBoxes);
  bool go = true;
  SearchAndCreateFrames(StringStoryText(creator.Story(1)), FrameRef{nullptr, 1}, nullptr, 0,
                        BoxPassRun{creator, go});
  // Scanning reads a copy of the view: the fake edits its own story only after collection.
  ASSERT_EQ(creator.calls.size(), 2u);
  EXPECT_EQ(creator.calls[0].k, 0);
  EXPECT_EQ(creator.calls[0].m, 0);
  EXPECT_EQ(creator.calls[0].definition, u"<boxtext t1=\"A\">first</boxtext>");
  EXPECT_EQ(creator.calls[1].k, 1);
  EXPECT_EQ(creator.calls[1].m, 31);
  EXPECT_EQ(creator.calls[1].definition, u"<boxpicture fn=\"b.tif\"/>");
  EXPECT_EQ(creator.Story(1), u"Ad one \uFFFC, ad two \uFFFC end.");
  EXPECT_EQ(creator.Story(2), u"first");
}

TEST(SearchAndCreateFramesTest, StopsWhereTheRunSaysSo) {
  const std::u16string three = kTwoBoxes + u" <boxtext t2=\"C\"/>";
  struct StopCase {
    const char* name;
    int nullAt;
    int clearContinueAt;
    bool canCreate;
    std::u16string story;
    size_t calls;
  };
  const std::vector<StopCase> cases = {
      {"all three", 0, 0, true, three, 3},
      {"null frame ends the pass", 2, 0, true, three, 2},
      {"continue flag cleared by an alert", 0, 1, true, three, 1},
      {"no way to edit the story", 0, 0, false, three, 0},
      {"an invalid record anywhere creates nothing", 0, 0, true, three + u"<boxtexts a=\"1\"/>", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    diag::Capture quiet;
    FakeCreator creator(c.story);
    bool go = true;
    creator.nullAt = c.nullAt;
    creator.clearContinueAt = c.clearContinueAt;
    creator.continueFlag = &go;
    creator.canCreate = c.canCreate;
    SearchAndCreateFrames(StringStoryText(c.story), FrameRef{nullptr, 1}, nullptr, 0,
                          BoxPassRun{creator, go});
    EXPECT_EQ(creator.calls.size(), c.calls);
  }
}

TEST(SearchAndCreateFramesTest, NullFrameIsLogged) {
  const auto log = std::filesystem::temp_directory_path() /
                   ("tarvelin_boxpass_null_" + std::to_string(::getpid()) + ".log");
  ASSERT_TRUE(KInDesignCommon::OpenLog(log));
  {
    diag::Capture quiet;
    FakeCreator creator(kTwoBoxes);
    creator.nullAt = 1;
    bool go = true;
    SearchAndCreateFrames(StringStoryText(kTwoBoxes), FrameRef{nullptr, 1}, nullptr, 0,
                          BoxPassRun{creator, go});
    EXPECT_EQ(creator.calls.size(), 1u);
  }
  KInDesignCommon::CloseLog();
  EXPECT_NE(KInDesignCommon::ReadLogText(log).find(u"Newly created frame is UIDRef::gNull!"),
            std::u16string::npos);
  std::filesystem::remove(log);
}

TEST(SearchAndCreateFramesTest, ShowsItsPhasesAndCanBeCancelledBetweenRecords) {
  diag::Capture quiet;
  FakeCreator creator(kTwoBoxes);
  RecordingProgress progress;
  progress.cancelAtPosition = 1;
  bool go = true;
  SearchAndCreateFrames(StringStoryText(kTwoBoxes), FrameRef{nullptr, 1}, &progress, 0,
                        BoxPassRun{creator, go});
  EXPECT_EQ(creator.calls.size(), 1u);
  const std::vector<std::u16string> expected = {
      u"task:Searching for inline frame definitions",
      u"bar:Searching in text:0-" + Widen(std::to_string(kTwoBoxes.size())),
      u"task:Creating inline frames",
      u"bar:Creating inline frames:0-2",
      u"retitle:Creation and positioning of inline frames",
      u"task:Finish",
  };
  EXPECT_EQ(progress.events, expected);
}

TEST(SearchAndCreateFramesTest, EmptyStoryRunsAnEmptyCreationBar) {
  FakeCreator creator(u"no boxes here");
  RecordingProgress progress;
  bool go = true;
  SearchAndCreateFrames(StringStoryText(creator.Story(1)), FrameRef{nullptr, 1}, &progress, 0,
                        BoxPassRun{creator, go});
  EXPECT_TRUE(creator.calls.empty());
  ASSERT_GE(progress.events.size(), 4u);
  EXPECT_EQ(progress.events[3], u"bar:Creating inline frames:0-0");
}

TEST(SearchAndCreateFramesTest, TheCreationBarTitleIsNotTranslatedButItsTaskIs) {
  struct Restore {
    ~Restore() { SetLanguage(Language::kEnglish); }
  } restore;
  for (Language language : {Language::kEnglish, Language::kPolish}) {
    SetLanguage(language);
    FakeCreator creator(u"no boxes here");
    RecordingProgress progress;
    bool go = true;
    SearchAndCreateFrames(StringStoryText(creator.Story(1)), FrameRef{nullptr, 1}, &progress, 0,
                          BoxPassRun{creator, go});
    ASSERT_GE(progress.events.size(), 4u);
    EXPECT_EQ(progress.events[2], u"task:" + Translate("0x113380kZevCreatingNodesKey"));
    EXPECT_EQ(progress.events[3], u"bar:Creating inline frames:0-0");
  }
}

TEST(SearchAndCreateFramesTest, GroupsArePassedOverAgainInsideTheirFrame) {
  diag::Capture quiet;
  const std::u16string story =
      u"Top <boxgroup os=\"G\">\r<innerbox t1=\"a\"/> and <boxtext "
      u"t1=\"b\">bee</boxtext></boxgroup> end";
  FakeCreator creator(story);
  bool go = true;
  SearchAndCreateFrames(StringStoryText(story), FrameRef{nullptr, 1}, nullptr, 0,
                        BoxPassRun{creator, go});
  ASSERT_EQ(creator.calls.size(), 3u);
  EXPECT_EQ(creator.calls[0].nestingLevel, 0);
  EXPECT_EQ(creator.calls[1].parent, 2u);
  EXPECT_EQ(creator.calls[1].nestingLevel, 1);
  EXPECT_EQ(creator.calls[1].definition, u"<innerbox t1=\"a\"/>");
  EXPECT_EQ(creator.calls[2].m, 18);
  EXPECT_EQ(creator.calls[2].definition, u"<boxtext t1=\"b\">bee</boxtext>");
  EXPECT_EQ(creator.Story(1), u"Top \uFFFC end");
  EXPECT_EQ(creator.Story(2), u"\r\uFFFC and \uFFFC");

  // A frame without a story: its inner boxes stay text, the run goes on.
  FakeCreator noStory(story + u" <boxtext t1=\"c\"/>");
  noStory.noStoryFor = 2;
  SearchAndCreateFrames(StringStoryText(story + u" <boxtext t1=\"c\"/>"), FrameRef{nullptr, 1},
                        nullptr, 0, BoxPassRun{noStory, go});
  EXPECT_EQ(noStory.calls.size(), 2u);
}

TEST(SearchAndCreateFramesTest, RecursionOverInnerBoxesIsBounded) {
  // Each frame's story holds the whole group again, so the inner boxes never run out.
  const std::u16string story = u"<boxgroup a=\"1\"><innerbox b=\"2\"/></boxgroup>";
  FakeCreator creator(story);
  creator.keepWholeDefinition = true;
  bool go = true;
  diag::Capture diagnostics;
  SearchAndCreateFrames(StringStoryText(story), FrameRef{nullptr, 1}, nullptr, 0,
                        BoxPassRun{creator, go});
  EXPECT_EQ(creator.calls.size(), static_cast<size_t>(BoxDefinition::kMaxNesting) + 1);
  EXPECT_NE(diagnostics.Text().find("nested deeper than 64 levels"), std::string::npos);
}

}  // namespace
}  // namespace tarvelin
