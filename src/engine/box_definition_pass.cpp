#include "engine/box_definition_pass.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "core/diagnostics.h"
#include "core/import_log.h"
#include "core/string_table.h"
#include "engine/box_tag_scanner.h"
#include "engine/engine_run.h"

namespace tarvelin {

namespace {

// How much text is read between two updates of the search bar.
constexpr int64_t kProgressStride = 64 * 1024;

void Collect(const StoryText& story, ProgressBar* rangeBar, BoxCollection& out) {
  ZevBoxTagScanner scanner(story);
  const int64_t length = story.Length();
  int k = 0;  // records accepted so far
  while (scanner.Position() < length) {
    if (rangeBar) rangeBar->SetPosition(scanner.Position());
    if (!scanner.Advance(std::min(length, scanner.Position() + kProgressStride))) continue;
    const BoxTagCompletion& c = scanner.Completion();
    if (!c.anchored) {
      // The begin that brought the depth back to 0 was counted 13 units after its '<'.
      out.rejected.push_back({c.index - (ZevBoxTagScanner::kWindowSize - 1), c.index + 1,
                              RejectedDefinition::Reason::kEndBeforeBegin});
      continue;
    }
    const std::u16string text = story.Substring(c.startIndex, c.endIndex + 1);
    int32_t headerEnd = -1;
    int32_t endTagStart = -1;
    if (!ValidateBoxDefinition(text, headerEnd, endTagStart)) {
      out.rejected.push_back(
          {c.startIndex, c.endIndex + 1, RejectedDefinition::Reason::kUnbalanced});
      continue;
    }
    if (c.endIndex + k + 2 > std::numeric_limits<int32_t>::max()) {
      out.rejected.push_back(
          {c.startIndex, c.endIndex + 1, RejectedDefinition::Reason::kOutOfRange});
      continue;
    }
    CollectedRecord collected{
        BoxDefinition(text, static_cast<int32_t>(c.startIndex + k + 1),
                      static_cast<int32_t>(c.endIndex + k + 2), headerEnd, endTagStart),
        c.startIndex, c.endIndex};
    if (!collected.record.valid) {
      out.invalid = std::move(collected);
      break;
    }
    out.records.push_back(std::move(collected));
    ++k;
  }
  if (rangeBar) rangeBar->SetPosition(scanner.Position());
  out.endDepth = scanner.Depth();
  if (scanner.TopLevelOpen() && !out.invalid) out.unclosedStart = scanner.StartIndex();
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Pass(const StoryText& story, FrameRef frame, Progress* taskBar, int nestingLevel,
          const BoxPassRun& run, int recursion) {
  StageTimes* times = recursion == 0 ? run.times : nullptr;
  auto started = std::chrono::steady_clock::now();
  SilentProgress silent;
  Progress& bars = taskBar ? *taskBar : silent;
  if (taskBar) taskBar->DoTask(Translate("0x113380kZevSearchFramesKey"), 1);
  auto searchBar =
      bars.CreateRangeBar(Translate("0x113380kZevIterateThroughTextKey"), 0, story.Length());

  BoxCollection collection;
  Collect(story, taskBar ? searchBar.get() : nullptr, collection);
  if (times) {
    times->boxSearch += SecondsSince(started);
    started = std::chrono::steady_clock::now();
  }
  if (collection.Stopped()) return;  // the parser has said why
  if (!run.creator.CanCreateIn(frame)) return;

  if (taskBar) taskBar->DoTask(Translate("0x113380kZevCreatingNodesKey"), 1);
  const auto count = static_cast<int64_t>(collection.records.size());
  // The creation bar's title is a plain text, not a key: it stays English in every language.
  auto createBar = bars.CreateRangeBar(u"Creating inline frames", 0, count);
  if (taskBar) searchBar->SetTitle(Translate("0x113380kZevCreatingNodesAndInnerNodesKey"));

  struct CreationTime {
    StageTimes* times;
    std::chrono::steady_clock::time_point started;
    ~CreationTime() {
      if (times) times->frameCreation += SecondsSince(started);
    }
  } creationTime{times, started};
  int64_t m = 0;
  for (int k = 0; k < count && run.continueRun; ++k) {
    if (taskBar) {
      createBar->SetPosition(k);
      if (createBar->WasCancelled()) break;
    }
    // Taken out of the collection: each record's memory goes once its frame is made.
    BoxDefinition record = std::move(collection.records.front().record);
    collection.records.pop_front();
    const FrameRef created = run.creator.CreateInlineFrame(record, frame, k, m, nestingLevel);
    if (created.IsNull()) {
      KInDesignCommon::LogLine(u"Newly created frame is UIDRef::gNull!");
      return;
    }
    m += record.storyEnd - record.storyStart;
    if (record.innerBoxes.empty()) continue;
    // The parser refuses deeper records, so only a story that does not shrink from level
    // to level gets here; its inner definitions stay text rather than exhaust the stack.
    if (recursion >= BoxDefinition::kMaxNesting) {
      diag::Printf(
          "SearchAndCreateFrames: inner boxes nested deeper than %d levels are left "
          "as text.\n",
          BoxDefinition::kMaxNesting);
      KInDesignCommon::LogKey("0x113380kZevStringLogInnerBoxesTooDeepKey", {});
      continue;
    }
    std::unique_ptr<StoryText> inner = run.creator.StoryOf(created);
    if (!inner) continue;
    Pass(*inner, created, nullptr, 1, run, recursion + 1);
  }
  if (taskBar) taskBar->DoTask(Translate("Finish"), 1);
}

}  // namespace

const char* ReasonName(RejectedDefinition::Reason reason) {
  switch (reason) {
    case RejectedDefinition::Reason::kUnbalanced:
      return "unbalanced";
    case RejectedDefinition::Reason::kEndBeforeBegin:
      return "endBeforeBegin";
    case RejectedDefinition::Reason::kOutOfRange:
      return "outOfRange";
  }
  return "unknown";
}

BoxCollection CollectBoxDefinitions(const StoryText& story, ProgressBar* rangeBar) {
  BoxCollection collection;
  Collect(story, rangeBar, collection);
  return collection;
}

void SearchAndCreateFrames(const StoryText& story, FrameRef frame, Progress* taskBar,
                           int nestingLevel, const BoxPassRun& run) {
  Pass(story, frame, taskBar, nestingLevel, run, 0);
}

}  // namespace tarvelin
