#include "layout/column_finder.h"

#include <algorithm>

#include "host/application/layout_service.h"
#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "host/objects/change_notice.h"
#include "host/text/text_model.h"
#include "layout/composition_job.h"

namespace tarvelin {

struct ColumnFinder::Story {
  std::vector<ColumnFrame> columns;
  std::optional<double> uniform;
  std::unique_ptr<ComposedStory> composed;
  PlaceCursor cursor;
  std::vector<PlaceMark> marks;  // marks[k]: before paragraph k was placed
  uint64_t revision = 0;
};

ColumnFinder::ColumnFinder(Document& doc) : doc_(doc), known_(std::make_shared<Known>()) {
  doc.DataBase().AddObserver([known = std::weak_ptr<Known>(known_)](const ChangeSet&) {
    if (auto k = known.lock()) {
      k->stories.clear();
      k->composer.reset();
    }
  });
}

ColumnFinder::~ColumnFinder() = default;

std::optional<double> ColumnFinder::ColumnWidthAt(UID uid, int32_t index) {
  if (!known_->composer) known_->composer = std::make_unique<Composer>(doc_);
  Composer& composer = *known_->composer;
  std::unique_ptr<Story>& s = known_->stories[uid];
  if (!s) {
    s = std::make_unique<Story>();
    s->columns = ThreadColumns(doc_, StoryThread(doc_, uid));
    s->uniform = UniformColumnWidth(s->columns);
  }
  if (s->columns.empty()) return std::nullopt;
  if (s->uniform) return s->uniform;
  auto text = doc_.DataBase().Query<ITextModel>(uid);
  if (!s->composed) {
    Composer::Prepared prepared = composer.BeginPrepare(uid);
    if (!text || !prepared.story) return WidthOfColumnHolding(s->columns, index);
    s->composed = std::move(prepared.story);
    s->cursor = composer.BeginPlace(*s->composed, s->columns);
    s->cursor.prepare = std::move(prepared.cursor);
    s->revision = text->Revision();
  } else if (text && text->Revision() != s->revision) {
    // Back to the first paragraph that does not end before the edits began; the last one
    // placed goes again in any case, since where placing stopped after it (overset, or the
    // end of the story) is no mark to go on from.
    const size_t from = text->ChangedFrom(s->revision);
    const auto& paragraphs = s->composed->paragraphs;
    const auto first_changed =
        std::partition_point(paragraphs.begin(), paragraphs.end(), [&](const ComposedParagraph& p) {
          return static_cast<size_t>(p.start + p.length + (p.hasEnd ? 1 : 0)) <= from;
        });
    if (s->marks.empty()) {
      Composer::Rewind(*s->composed, s->cursor, Composer::Mark(*s->composed, s->cursor));
    } else {
      const size_t k =
          std::min(static_cast<size_t>(first_changed - paragraphs.begin()), s->marks.size() - 1);
      Composer::Rewind(*s->composed, s->cursor, s->marks[k]);
      s->marks.resize(k);
    }
    s->revision = text->Revision();
  }

  // The paragraph holding the index and the next one: placing that one settles where the
  // lines before it stay.
  ComposedStory& story = *s->composed;
  while (!s->cursor.done) {
    const size_t next = s->cursor.paragraph;
    if (next > 0 && story.paragraphs[next - 1].start > index) break;
    s->marks.push_back(Composer::Mark(story, s->cursor));
    composer.ContinuePlace(story, s->cursor, static_cast<size_t>(-1), 1);
    if (s->cursor.paragraph == next) s->marks.pop_back();
  }
  // Columns with lines hold disjoint ranges and empty ones none: a finished line that
  // holds the index names the column.
  const auto after = std::partition_point(story.lines.begin(), story.lines.end(),
                                          [&](const ComposedLine& l) { return l.start <= index; });
  if (after != story.lines.begin()) {
    const auto line = after - 1;
    if (index < line->end &&
        static_cast<size_t>(line - story.lines.begin()) < s->cursor.finishedLines)
      return s->columns[static_cast<size_t>(line->column)].bounds.Width();
  }
  std::vector<ColumnFrame> columns = s->columns;
  for (size_t i = 0; i < columns.size() && i < story.columns.size(); ++i) {
    const auto [start, end] = story.ColumnRange(i);
    columns[i].start = start;
    columns[i].end = end;
  }
  return WidthOfColumnHolding(columns, index);
}

}  // namespace tarvelin
