#include "layout/layout_service_qt.h"

#include <QThread>
#include <algorithm>
#include <deque>

#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "host/documents/page_item_commands.h"
#include "host/documents/spread.h"
#include "host/objects/command_processor.h"
#include "layout/composer.h"
#include "layout/composition_job.h"
#include "layout/fitting.h"

namespace tarvelin {

namespace {

// A copy of `last` on a new page after the last spread, threaded after it. kInvalidUID
// when `last` is not a free text frame or a command fails.
UID AddThreadedPage(Document& doc, ThreadAppender& thread, UID last) {
  Database& db = doc.DataBase();
  auto item = db.Query<IPageItem>(last);
  auto text = db.Query<ITextFrame>(last);
  if (!item || !text) return kInvalidUID;
  auto layer = db.Query<ISpreadLayer>(item->Parent());
  if (!layer) return kInvalidUID;  // an inline frame has no page to repeat
  // Only the page's bounds matter here; its index would walk every spread per page added.
  PageRef page = PageInSpread(doc, layer->Spread(), item->Bounds());
  if (page.indexInSpread < 0) return kInvalidUID;

  UIDRef spread_ref;
  if (CreateSpread(doc, 1, &spread_ref) != kSuccess) return kInvalidUID;
  auto spread = db.Query<ISpread>(spread_ref.GetUID());
  if (!spread || spread->Pages().empty()) return kInvalidUID;
  UIDRef target_layer;
  for (UID sl : spread->SpreadLayers())
    if (auto l = db.Query<ISpreadLayer>(sl); l && l->Layer() == layer->Layer())
      target_layer = {&db, sl};
  if (target_layer.IsNull()) return kInvalidUID;

  const PMRect& from = page.page.bounds;
  const PMRect& to = spread->Pages().front().bounds;
  PMRect b = item->Bounds();
  double dx = to.left - from.left, dy = to.top - from.top;
  PMRect bounds{b.left + dx, b.top + dy, b.right + dx, b.bottom + dy};
  UIDRef frame;
  if (CreateTextFrame(doc, target_layer, bounds, text->Columns(), text->Gutter(), &frame) !=
      kSuccess)
    return kInvalidUID;
  if (SetTextInsets(doc, UIDList(frame), text->TextInsets()) != kSuccess) return kInvalidUID;
  if (thread.Append({&db, last}, frame) != kSuccess) return kInvalidUID;
  return frame.GetUID();
}

}  // namespace

UID MainStory(const Document& doc) {
  auto list = doc.Stories();
  if (!list) return kInvalidUID;
  const Database& db = doc.DataBase();
  for (const StoryEntry& e : list->Entries()) {
    auto item = e.firstFrame != kInvalidUID ? db.Query<IPageItem>(e.firstFrame) : nullptr;
    if (item && db.Query<ISpreadLayer>(item->Parent())) return e.story;
  }
  return kInvalidUID;
}

int32_t ComposeGrowing(Document& doc, Composer& composer, ComposedStory& story,
                       int32_t maxAddedPages, std::shared_ptr<PrepareCursor> prepare) {
  int32_t added = 0;
  size_t first_added_column = 0;
  // Only pages added here extend the thread, so its end is known without walking it for
  // every page.
  const std::vector<UID> thread = StoryThread(doc, story.story);
  UID last = thread.empty() ? kInvalidUID : thread.back();
  ThreadAppender appender(doc, story.story);
  MoreColumns more = [&](std::vector<ColumnFrame>& out) {
    if (added >= maxAddedPages) return false;
    // The page added last took no text: another would not either.
    if (added > 0 && (story.lines.empty() ||
                      static_cast<size_t>(story.lines.back().column) < first_added_column))
      return false;
    if (last == kInvalidUID) return false;
    UID frame = AddThreadedPage(doc, appender, last);
    if (frame == kInvalidUID) return false;
    last = frame;
    out = FrameColumns(doc.DataBase(), frame);
    first_added_column = story.columns.size();
    ++added;
    return !out.empty();
  };
  // The pages added undo as one step.
  CommandProcessor& commands = doc.DataBase().Commands();
  auto sequence = commands.BeginCommandSequence(u"Add pages");
  composer.Place(story, ThreadColumns(doc, thread), more, std::move(prepare));
  if (sequence.IsValid()) commands.EndCommandSequence(sequence);
  return added;
}

ErrorCode QtLayoutService::Compose(Document& doc, const ComposeOptions& options) {
  auto list = doc.Stories();
  if (!list) return kInvalidArgument;
  jobs_.erase(&doc);
  // The old results stay registered until the new ones replace them.
  auto state = std::make_unique<CompositionState>();
  Composer composer(doc);
  composer.KeepLayouts(options.keepLayouts);
  composer.KeepGlyphsForDrawing(!options.growStoryOnly);
  // A long story's lines are broken on the other cores while placing goes on; a short one
  // is done before a thread would have started.
  constexpr int32_t kLongStory = 8192;
  const int helpers = std::min(QThread::idealThreadCount() - 1, 3);  // < 1: none to help
  const std::vector<StoryEntry> entries = list->Entries();           // growing adds no story
  // A batch run's short stories (the frames' own) are read whole and queued, their lines
  // broken on the other cores while the stories queued before them are placed.
  struct Queued {
    Composer::Prepared prepared;
    std::vector<ColumnFrame> columns;
    size_t ticket = 0;
  };
  std::deque<Queued> queued;
  constexpr size_t kQueued = 32;
  const bool queue = !options.keepLayouts && !options.growStoryOnly && helpers > 0;
  if (queue) composer.QueueOn(helpers);
  auto place_queued = [&] {
    Queued& q = queued.front();
    composer.TakeQueued(*q.prepared.story, q.ticket);
    composer.BreakAheadOn(-1);
    composer.Place(*q.prepared.story, std::move(q.columns), {}, std::move(q.prepared.cursor));
    state->Add(std::move(q.prepared.story));
    queued.pop_front();
  };
  for (const StoryEntry& entry : entries) {
    if (entry.firstFrame == kInvalidUID) continue;
    if (options.growStoryOnly && entry.story != options.growStory) continue;
    // Paragraphs are read as placing reaches them, so a batch run that lets layouts go
    // never holds more than a few.
    Composer::Prepared prepared = composer.BeginPrepare(entry.story);
    if (!prepared.story) continue;
    ComposedStory& story = *prepared.story;
    if (queue && entry.story != options.growStory && story.totalLength < kLongStory) {
      std::vector<ColumnFrame> columns = ThreadColumns(doc, StoryThread(doc, entry.story));
      if (!columns.empty()) {
        prepared.cursor->makeLayouts = false;
        while (composer.PrepareParagraph(story, *prepared.cursor)) {
        }
        const size_t ticket = composer.Queue(story, *prepared.cursor, columns);
        queued.push_back({std::move(prepared), std::move(columns), ticket});
        if (queued.size() > kQueued) place_queued();
        continue;
      }
    }
    while (!queued.empty()) place_queued();  // stories are placed in their order
    composer.BreakAheadOn(story.totalLength >= kLongStory && helpers > 0 ? helpers : -1);
    if (entry.story == options.growStory) {
      ComposeGrowing(doc, composer, story, ComposeOptions::kMaxAddedPages,
                     std::move(prepared.cursor));
    } else {
      composer.Place(story, ThreadColumns(doc, StoryThread(doc, entry.story)), {},
                     std::move(prepared.cursor));
    }
    state->Add(std::move(prepared.story));
  }
  while (!queued.empty()) place_queued();
  doc.SetColumnSpans(state.get());
  states_[&doc] = std::move(state);
  return kSuccess;
}

StoryFit QtLayoutService::StoryState(const Document& doc, UID story) const {
  StoryFit fit;
  const CompositionState* state = State(doc);
  const ComposedStory* s = state ? state->Story(story) : nullptr;
  if (!s) return fit;
  fit.composed = true;
  fit.overset = s->overset;
  fit.composedEnd = s->composedEnd;
  return fit;
}

ErrorCode QtLayoutService::Fit(Document& doc, const UIDRef& frame, FitType type, double width) {
  Composer composer(doc);
  return ApplyFit(doc, composer, frame, type, width);
}

std::optional<double> QtLayoutService::ColumnWidthAt(Document& doc, UID story, int32_t index) {
  std::unique_ptr<ColumnFinder>& finder = finders_[&doc];
  if (!finder) finder = std::make_unique<ColumnFinder>(doc);
  return finder->ColumnWidthAt(story, index);
}

void QtLayoutService::StartComposing(Document& doc) {
  jobs_.erase(&doc);  // it fills the state about to go
  auto state = std::make_unique<CompositionState>();
  jobs_[&doc] = std::make_unique<CompositionJob>(doc, *state);
  doc.SetColumnSpans(state.get());
  states_[&doc] = std::move(state);
}

void QtLayoutService::ComposePage(Document& doc, const PageRef& page) {
  if (auto it = jobs_.find(&doc); it != jobs_.end()) it->second->ComposePage(page);
}

bool QtLayoutService::ComposeMore(Document& doc, std::chrono::milliseconds budget) {
  auto it = jobs_.find(&doc);
  if (it == jobs_.end()) return true;
  if (!it->second->Step(std::chrono::steady_clock::now() + budget)) return false;
  jobs_.erase(it);
  return true;
}

bool QtLayoutService::Composing(const Document& doc) const {
  return jobs_.count(&doc) != 0;
}

void QtLayoutService::Release(Document& doc) {
  jobs_.erase(&doc);
  finders_.erase(&doc);
  auto it = states_.find(&doc);
  if (it == states_.end()) return;
  if (doc.GetColumnSpans() == it->second.get()) doc.SetColumnSpans(nullptr);
  states_.erase(it);
}

const CompositionState* QtLayoutService::State(const Document& doc) const {
  auto it = states_.find(&doc);
  return it == states_.end() ? nullptr : it->second.get();
}

}  // namespace tarvelin
