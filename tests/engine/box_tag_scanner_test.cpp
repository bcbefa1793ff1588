#include "engine/box_tag_scanner.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

namespace tarvelin {
namespace {

// The scanner as first written down: a 14-unit window fed at every unit and compared
// with every tag. The block scanner must answer exactly as this one does.
class WindowScanner {
 public:
  explicit WindowScanner(std::u16string_view story) : story_(story) {}

  void Feed(char16_t c, int64_t i) {
    if (count_ < kSize) {
      window_[count_++] = c;
    } else {
      for (int k = 1; k < kSize; ++k) window_[k - 1] = window_[k];
      window_[kSize - 1] = c;
    }
    for (std::u16string_view tag : kBegin) {
      if (!WindowStartsWith(tag)) continue;
      if (count_ < kSize) break;
      if (depth_ == 0) {
        end_ = -1;
        for (int64_t j = i; j >= 0; --j) {
          if (story_[static_cast<size_t>(j)] == u'<') {
            start_ = j;
            break;
          }
        }
        anchored_ = true;
      }
      beginSeen_ = true;
      ++depth_;
      break;
    }
    for (std::u16string_view tag : kEnd) {
      if (!WindowEndsWith(tag)) continue;
      if (depth_ == 1) end_ = i;
      --depth_;
    }
    if (beginSeen_ && depth_ == 0) {
      complete_ = true;
      beginSeen_ = false;
    }
  }

  std::vector<BoxTagCompletion> Run() {
    std::vector<BoxTagCompletion> out;
    for (int64_t i = 0; i < static_cast<int64_t>(story_.size()); ++i) {
      Feed(story_[static_cast<size_t>(i)], i);
      if (complete_ && depth_ == 0) out.push_back({i, start_, end_, anchored_});
      if (complete_) {
        complete_ = false;
        anchored_ = false;
      }
    }
    return out;
  }

  int depth_ = 0;
  int64_t start_ = -1;
  int64_t end_ = -1;
  bool anchored_ = false;

 private:
  static constexpr int kSize = 14;
  static constexpr std::u16string_view kBegin[] = {u"<boxgroup", u"<innerbox", u"<boxpicture",
                                                   u"<boxtext"};
  static constexpr std::u16string_view kEnd[] = {u"/boxgroup>", u"/innerbox>", u"/boxpicture>",
                                                 u"/boxtext>", u"/>"};

  bool WindowStartsWith(std::u16string_view tag) const {
    if (count_ < static_cast<int>(tag.size())) return false;
    for (size_t k = 0; k < tag.size(); ++k) {
      if (window_[k] != tag[k]) return false;
    }
    return true;
  }
  bool WindowEndsWith(std::u16string_view tag) const {
    const int size = static_cast<int>(tag.size());
    if (count_ < size) return false;
    for (int k = 0; k < size; ++k) {
      if (window_[static_cast<size_t>(count_ - size + k)] != tag[static_cast<size_t>(k)])
        return false;
    }
    return true;
  }

  std::u16string_view story_;
  std::array<char32_t, kSize> window_{};
  int count_ = 0;
  bool beginSeen_ = false;
  bool complete_ = false;
};

// A story that can only be read one unit at a time, as a host story without block reads.
class UnitStory final : public StoryText {
 public:
  explicit UnitStory(std::u16string_view text) : text_(text) {}
  int64_t Length() const override { return static_cast<int64_t>(text_.size()); }
  char16_t CharAt(int64_t index) const override {
    EXPECT_GE(index, 0);
    EXPECT_LT(index, Length());
    return text_[static_cast<size_t>(index)];
  }

 private:
  std::u16string_view text_;
};

// Feeds the story in steps of `stride` (0: all at once).
std::vector<BoxTagCompletion> RunBlockScanner(const StoryText& story, int64_t stride,
                                              ZevBoxTagScanner* keep = nullptr) {
  ZevBoxTagScanner own(story);
  ZevBoxTagScanner& scanner = keep ? *keep : own;
  std::vector<BoxTagCompletion> out;
  while (scanner.Position() < story.Length()) {
    const int64_t before = scanner.Position();
    const int64_t limit = stride > 0 ? before + stride : story.Length();
    if (scanner.Advance(limit)) out.push_back(scanner.Completion());
    if (scanner.Position() <= before) {
      ADD_FAILURE() << "no progress at " << before;
      break;
    }
  }
  return out;
}

void ExpectSameAsWindow(std::u16string_view text, int64_t stride = 0) {
  WindowScanner reference(text);
  const auto expected = reference.Run();
  StringStoryText story(text);
  ZevBoxTagScanner scanner(story);
  const auto actual = RunBlockScanner(story, stride, &scanner);
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t k = 0; k < expected.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(actual[k].index, expected[k].index);
    EXPECT_EQ(actual[k].anchored, expected[k].anchored);
    if (expected[k].anchored) {
      EXPECT_EQ(actual[k].startIndex, expected[k].startIndex);
      EXPECT_EQ(actual[k].endIndex, expected[k].endIndex);
    }
  }
  EXPECT_EQ(scanner.Depth(), reference.depth_);
  EXPECT_EQ(scanner.StartIndex(), reference.start_);
  EXPECT_EQ(scanner.EndIndex(), reference.end_);
}

// Pieces that make the scanner's decisions: tags whole and broken, quotes, stray angles,
// surrogate halves.
const std::vector<std::u16string> kPieces = {u"<boxgroup",
                                             u"<innerbox",
                                             u"<boxpicture",
                                             u"<boxtext",
                                             u"<boxtexts",
                                             u"/boxgroup>",
                                             u"/innerbox>",
                                             u"/boxpicture>",
                                             u"/boxtext>",
                                             u"</boxtext>",
                                             u"</innerbox>",
                                             u"/>",
                                             u"<",
                                             u">",
                                             u"/",
                                             u" ",
                                             u" a=\"1\"",
                                             u" t1=\"<\"",
                                             u"x",
                                             u"yy",
                                             u"abcdefghij",
                                             u"\r",
                                             std::u16string(1, char16_t{0xD800}),
                                             std::u16string(1, char16_t{0xDC00}),
                                             u"\U0001F600",
                                             u"<boxtext t1=\"A\"/>",
                                             u"<boxgroup><innerbox a=\"1\"/></boxgroup>",
                                             u"<boxtext a=\"1\">x</boxtext>",
                                             u"<box",
                                             u"text"};

std::u16string RandomStory(std::mt19937& rng, int pieces) {
  std::uniform_int_distribution<size_t> pick(0, kPieces.size() - 1);
  std::u16string text;
  for (int k = 0; k < pieces; ++k) text += kPieces[pick(rng)];
  return text;
}

TEST(BoxTagScannerTest, SpecimenStoriesMatchTheWindow) {
  const std::u16string cases[] = {
      u"",
      u"x<boxtext t1=\"A\"/>y",
      u"<boxgroup a=\"1\"><innerbox b=\"2\"/><innerbox c=\"3\"/></boxgroup>",
      u"<boxtext a=\"1\">x</boxtext><boxpicture fn=\"a.tif\"/>",
      u"<boxtext/>",                     // the end is counted before the begin
      u"<boxtext abc/>",                 // begin and end at the same unit
      u"<boxtext ab/>tail of the text",  // 13 units: one short
      u"a/>b<boxtext a=\"1\">x</boxtext>",
      u"<boxtext a=\"1\">",  // never closes
      u"123<boxtext a=",     // '<' too close to the end to be counted
      u"<boxtext/><boxtext t1=\"x\"/>",
      u"<boxtext a=\"<\">x</boxtext>",  // a later '<' inside the window becomes the start
  };
  for (const auto& text : cases) {
    SCOPED_TRACE(std::string(text.begin(), text.end()));
    ExpectSameAsWindow(text);
    ExpectSameAsWindow(text, 1);
    ExpectSameAsWindow(text, 5);
  }
}

TEST(BoxTagScannerTest, RandomStoriesMatchTheWindow) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 1500; ++round) {
    const std::u16string text = RandomStory(rng, 1 + round % 60);
    SCOPED_TRACE(round);
    ExpectSameAsWindow(text, round % 3 == 0 ? 0 : 1 + round % 17);
    if (HasFatalFailure() || HasNonfatalFailure()) return;
  }
}

TEST(BoxTagScannerTest, LongStoriesAcrossBlocksMatchTheWindow) {
  std::mt19937 rng(7);
  for (int round = 0; round < 4; ++round) {
    // Several of the scanner's 64K blocks, so tags straddle block edges.
    const std::u16string text = RandomStory(rng, 40000);
    SCOPED_TRACE(round);
    ExpectSameAsWindow(text, round == 0 ? 0 : 9973);
  }
}

TEST(BoxTagScannerTest, StoriesReadUnitByUnitGiveTheSameAnswers) {
  std::mt19937 rng(99);
  const std::u16string text = RandomStory(rng, 3000);
  const auto fromString = RunBlockScanner(StringStoryText(text), 0);
  const auto fromUnits = RunBlockScanner(UnitStory(text), 0);
  ASSERT_EQ(fromString.size(), fromUnits.size());
  ASSERT_FALSE(fromString.empty());
  for (size_t k = 0; k < fromString.size(); ++k) {
    EXPECT_EQ(fromString[k].index, fromUnits[k].index);
    EXPECT_EQ(fromString[k].startIndex, fromUnits[k].startIndex);
    EXPECT_EQ(fromString[k].endIndex, fromUnits[k].endIndex);
  }
}

TEST(BoxTagScannerTest, AdversarialStoriesMatchTheWindow) {
  std::u16string manyEnds(100000, u'>');
  std::u16string manyBegins;
  for (int k = 0; k < 5000; ++k) manyBegins += u"<boxtext";
  std::u16string deep;
  for (int k = 0; k < 3000; ++k) deep += u"<boxgroup a=\"1\">";
  for (int k = 0; k < 3000; ++k) deep += u"</boxgroup>";
  std::u16string strays;
  for (int k = 0; k < 3000; ++k) strays += u"/><boxtext t1=\"A\"/>";
  std::u16string surrogates(70000, char16_t{0xD800});
  surrogates += u"<boxtext t1=\"A\"/>";
  for (const auto* text : {&manyEnds, &manyBegins, &deep, &strays, &surrogates}) {
    ExpectSameAsWindow(*text);
  }
}

}  // namespace
}  // namespace tarvelin
