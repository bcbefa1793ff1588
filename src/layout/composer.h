// Composition of one story into a sequence of column frames.
//
// Prepare reads the story once: per paragraph the text (paragraph end left out, forced
// line breaks as U+2028, an anchored U+FFFC as a stand-in glyph whose advance is widened
// to the inline frame's width), the character looks as Qt format ranges and the paragraph
// look. Place then breaks the paragraphs into lines column by column:
//
//   * a line's ascent is the largest of its fonts' and of its inline frames' heights (an
//     inline frame stands on the baseline);
//   * the first baseline of a column lies one ascent below the column's top; the next
//     one lies `leading` lower (automatic leading: 120 % of the line's largest size), and
//     never so close that the line's ascent meets the previous line's descent;
//   * a line that does not reach below the column's bottom stays; otherwise it moves to
//     the next column (a keep-with-next paragraph's last line comes along); a line too
//     tall for an empty column leaves that column empty;
//   * when the columns run out, `more` may add columns; text left then is overset.
//
// Place can run again with other columns (fitting measures that way); the paragraphs'
// layouts are kept for rendering and hit-testing unless KeepLayouts(false). Everything is linear in
// the story: each paragraph is laid out once unless a line moves to a column of another width (then
// that paragraph's lines so far are laid out again).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "host/documents/page_item.h"
#include "host/objects/uid.h"
#include "layout/composer_style.h"
#include "layout/composition_state.h"

namespace tarvelin {

class Document;
class LineBreakPool;

// Appends columns after the last one; false when there are no more.
using MoreColumns = std::function<bool(std::vector<ColumnFrame>& columns)>;

class ITextModel;
struct CharacterLook;

// Where reading the story stopped: placing in steps reads paragraphs only as it needs them.
struct PrepareCursor {
  std::shared_ptr<ITextModel> text;
  size_t position = 0;  // the story index of the next paragraph
  std::unordered_map<const CharacterLook*, int32_t> paintOf;
  int32_t anchorPaint = 0;
  bool makeLayouts = true;  // false: placing breaks the paragraphs ahead without one
  bool done = false;
};

struct BreakAhead;

// Where placing stopped: the next paragraph, the column it goes into and how full that is.
struct PlaceCursor {
  size_t paragraph = 0;
  size_t column = 0;
  bool emptyColumn = true;
  double lastBaseline = 0, prevDescent = 0;
  size_t finishedLines = 0;  // lines whose positions, inline frames and rules are set
  size_t released = 0;       // paragraphs before it have let their layouts go
  bool done = false;
  MoreColumns more;
  std::shared_ptr<PrepareCursor> prepare;  // set: paragraphs still to be read
  std::shared_ptr<BreakAhead> ahead;       // set: paragraphs read and broken ahead
  // The primary fonts of lines broken on other threads, by paint, as found again on this
  // one: index into ComposedStory::fonts, -1 not yet.
  std::vector<int32_t> primaryFonts;
};

// Where placing stood before a paragraph, to place again from there after the story
// changed from that paragraph on.
struct PlaceMark {
  size_t paragraph = 0, column = 0;
  bool emptyColumn = true;
  double lastBaseline = 0, prevDescent = 0;
  size_t lines = 0, finishedLines = 0, inlines = 0, rules = 0, spans = 0, glyphs = 0;
  // The line before, as it was then: keep-with-next moves it when the paragraph is placed.
  std::optional<ComposedLine> previous;
};

class Composer {
 public:
  explicit Composer(Document& doc);
  ~Composer();
  Composer(const Composer&) = delete;
  Composer& operator=(const Composer&) = delete;

  // Null when `story` is not a story of the document.
  std::unique_ptr<ComposedStory> Prepare(UID story);
  // A story with no paragraph read yet, and the cursor that reads them one at a time
  // (give it to the PlaceCursor to read them as placing reaches them).
  struct Prepared {
    std::unique_ptr<ComposedStory> story;  // null when `story` is not a story
    std::shared_ptr<PrepareCursor> cursor;
  };
  Prepared BeginPrepare(UID story);
  // Whether placed paragraphs keep their layouts (the default: the studio hit-tests them);
  // without, a paragraph lets its layout go once its lines are finished and keeps only its
  // glyphs: a batch run's composition so costs a fraction, and drawing lays nothing out.
  void KeepLayouts(bool keep) { keepLayouts_ = keep; }
  // Without layouts kept, placed paragraphs keep their glyphs for drawing (the default) or,
  // for a run that draws nothing and only needs where the text ends, nothing at all.
  // Either way they let go of their text and looks.
  void KeepGlyphsForDrawing(bool keep) { keepGlyphs_ = keep; }
  // Paragraphs read as placing reaches them are broken into lines ahead, on up to `threads`
  // threads besides the caller's, when placing keeps no layouts: the same lines in a
  // fraction of the time on a machine with cores to spare. Negative (the default): not
  // ahead; 0: ahead on the caller's thread alone.
  void BreakAheadOn(int threads) { breakThreads_ = threads; }
  // For a batch run of many short stories, which cannot keep threads busy one at a time:
  // a story read whole (its cursor done) is queued, its paragraphs broken on up to
  // `threads` threads besides the caller's for its first column's width, while the stories
  // queued before it are placed. TakeQueued gives its paragraphs their breaks; Place then
  // uses them as it uses breaks made ahead. Needs KeepLayouts(false); without threads to be
  // had, the caller breaks them when it takes them.
  void QueueOn(int threads);
  size_t Queue(const ComposedStory& story, const PrepareCursor& cursor,
               const std::vector<ColumnFrame>& columns);
  void TakeQueued(ComposedStory& story, size_t ticket);
  // Paragraphs placed so far whose lines were all broken ahead.
  size_t PlacedFromBreaksAhead() const { return placedAhead_; }
  bool PrepareParagraph(ComposedStory& story, PrepareCursor& cursor);  // false at the end
  // With `prepare` (BeginPrepare's cursor), paragraphs are read as placing reaches them.
  void Place(ComposedStory& story, std::vector<ColumnFrame> columns, const MoreColumns& more = {},
             std::shared_ptr<PrepareCursor> prepare = {});

  // Placing in steps, with exactly the result of Place: BeginPlace, then ContinuePlace until
  // it returns true. Each step places whole paragraphs until the last line placed lies
  // past column `throughColumn`, so the columns up to it are final and can be drawn.
  PlaceCursor BeginPlace(ComposedStory& story, std::vector<ColumnFrame> columns,
                         MoreColumns more = {});
  // At most `paragraphs` paragraphs are placed in one step.
  bool ContinuePlace(ComposedStory& story, PlaceCursor& cursor,
                     size_t throughColumn = static_cast<size_t>(-1),
                     size_t paragraphs = static_cast<size_t>(-1));

  // Rewinding placement in steps (without columns added by `more`): Mark before a step,
  // and after the story changed from the marked paragraph on, Rewind to the mark drops
  // what was placed and read since; placing on reads the paragraphs again and ends exactly
  // where placing the changed story from the start ends.
  static PlaceMark Mark(const ComposedStory& story, const PlaceCursor& cursor);
  static void Rewind(ComposedStory& story, PlaceCursor& cursor, const PlaceMark& mark);

 private:
  // Finishes the lines placed so far (all but the last while placing goes on) and lets
  // go of the layouts of paragraphs before `placed` whose lines are all finished.
  void FinishAndRelease(ComposedStory& story, PlaceCursor& cursor, size_t placed);
  // Keeps the glyphs of the first `lines` lines of a placed paragraph, from its layout or
  // from the lines broken ahead.
  void KeepGlyphs(ComposedStory& story, PlaceCursor& cursor, size_t paragraph, int32_t lines,
                  const QTextLayout* layout);

  Document& doc_;
  StyleReader styles_;
  // Reads paragraphs ahead of `paragraph`, queues them to be broken and takes the breaks
  // of those up to it.
  void ReadAhead(ComposedStory& story, PlaceCursor& cursor, size_t paragraph);

  // The queue of whole stories: its thread pool, the formats it knows (one for each look,
  // across stories; 0 is the stand-ins' empty format) and, per ticket, each story paint's.
  std::unique_ptr<LineBreakPool> queue_;
  std::unordered_map<const CharacterLook*, int32_t> queueFormatOf_;
  std::vector<QTextCharFormat> queueFormats_;
  std::unordered_map<size_t, std::vector<int32_t>> queuedPaints_;
  struct FontHash {
    size_t operator()(const QFont& f) const { return qHash(f); }
  };
  // Fonts other threads named, found on this one once for all stories (invalid: not
  // found as named).
  std::unordered_map<QFont, QRawFont, FontHash> primaryFonts_;
  std::vector<std::pair<FontKey, QRawFont>> otherFonts_;
  QRawFont FontOf(const ComposedStory& story, const FontKey& key);
  bool KeepsGlyphs() const { return !keepLayouts_ && keepGlyphs_; }

  bool keepLayouts_ = true;
  bool keepGlyphs_ = true;
  int breakThreads_ = -1;
  size_t placedAhead_ = 0;
};

// The height the story's text needs in one column of `width` (lines and inline frames,
// from the first ascent to the last descent).
double MeasureTextHeight(Composer& composer, ComposedStory& story, double width);

}  // namespace tarvelin
