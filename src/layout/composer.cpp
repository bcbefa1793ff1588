#include "layout/composer.h"

#include <QTextLine>
#include <algorithm>
#include <cmath>
#include <deque>
#include <unordered_map>

#include "host/documents/document.h"
#include "host/text/text_model.h"
#include "layout/line_break_pool.h"
#include "layout/paragraph_layout.h"

namespace tarvelin {

namespace {

constexpr char16_t kLineSeparator = 0x2028;
constexpr char16_t kWordJoiner = 0x2060;
constexpr double kFit = 0.01;  // how far a line may reach below a column, in points
constexpr double kAutoLeadingFactor = 1.2;

// The paragraph's layout as reading the story made it, from what the paragraph keeps.
std::unique_ptr<QTextLayout> NewLayout(const ComposedStory& story, const ComposedParagraph& p) {
  return MakeParagraphLayout(p.text, p.look.alignment, p.basePaint, story.anchorPaint, p.runs,
                             p.anchors, story.formats);
}

// A placed paragraph's layout made again, its lines broken to the widths and set at the
// places placing gave them: what the paragraph's own layout was.
std::unique_ptr<QTextLayout> ParagraphLayout(const ComposedStory& story, size_t paragraph) {
  const ComposedParagraph& p = story.paragraphs[paragraph];
  std::unique_ptr<QTextLayout> layout = NewLayout(story, p);
  // A paragraph's lines follow each other.
  const auto first = std::partition_point(
      story.lines.begin(), story.lines.end(),
      [&](const ComposedLine& l) { return static_cast<size_t>(l.paragraph) < paragraph; });
  const auto last = std::partition_point(first, story.lines.end(), [&](const ComposedLine& l) {
    return static_cast<size_t>(l.paragraph) == paragraph;
  });
  layout->beginLayout();
  for (auto l = first; l != last; ++l) {
    QTextLine line = layout->createLine();
    if (!line.isValid()) break;
    line.setLineWidth(l->width);
  }
  layout->endLayout();
  for (auto l = first; l != last; ++l) {
    QTextLine line = layout->lineAt(l->layoutLine);
    if (line.isValid()) line.setPosition(QPointF(l->x, l->baseline - line.ascent()));
  }
  return layout;
}

}  // namespace

Composer::Composer(Document& doc) : doc_(doc), styles_(doc.DataBase(), doc.TextWorkspaceRefs()) {}

Composer::~Composer() = default;

std::unique_ptr<ComposedStory> Composer::Prepare(UID uid) {
  auto prepared = BeginPrepare(uid);
  if (!prepared.story) return nullptr;
  while (PrepareParagraph(*prepared.story, *prepared.cursor)) {
  }
  return std::move(prepared.story);
}

Composer::Prepared Composer::BeginPrepare(UID uid) {
  Prepared prepared;
  auto text = doc_.DataBase().Query<ITextModel>(uid);
  if (!text) return prepared;
  prepared.story = std::make_unique<ComposedStory>();
  ComposedStory& story = *prepared.story;
  story.story = uid;
  story.totalLength = static_cast<int32_t>(text->TotalLength());
  prepared.cursor = std::make_shared<PrepareCursor>();
  prepared.cursor->text = std::move(text);
  prepared.cursor->anchorPaint = static_cast<int32_t>(story.paints.size());
  story.anchorPaint = prepared.cursor->anchorPaint;
  TextPaint stand_in;
  stand_in.anchor = true;
  story.paints.push_back(stand_in);
  story.formats.emplace_back();
  return prepared;
}

bool Composer::PrepareParagraph(ComposedStory& story, PrepareCursor& cursor) {
  Database& db = doc_.DataBase();
  const ITextModel* text = cursor.text.get();
  const size_t total = static_cast<size_t>(story.totalLength);
  size_t& pos = cursor.position;
  if (cursor.done || pos >= total) {
    cursor.done = true;
    return false;
  }
  auto paint_index = [&](const CharacterLook& look) {
    auto [it, inserted] =
        cursor.paintOf.try_emplace(&look, static_cast<int32_t>(story.paints.size()));
    if (inserted) {
      story.paints.push_back(look.paint);
      story.formats.push_back(look.format);
    }
    return it->second;
  };
  const int32_t anchor_paint = cursor.anchorPaint;
  TextRange range = text->ParagraphAt(pos);
  if (range.length == 0 || range.start != pos) {  // a damaged story: stop cleanly
    cursor.done = true;
    return false;
  }
  const size_t end = range.start + range.length;
  ComposedParagraph p;
  p.start = static_cast<int32_t>(range.start);
  p.hasEnd = text->CharAt(end - 1) == kParagraphEnd;
  p.length = static_cast<int32_t>(range.length - (p.hasEnd ? 1 : 0));
  p.look = styles_.Paragraph(*text, range.start);

  std::u16string units = text->Text(range.start, static_cast<size_t>(p.length));
  std::vector<Anchor> anchors = text->InlineObjectsIn(range.start, static_cast<size_t>(p.length));
  size_t next_anchor = 0;

  const CharacterLook& first = styles_.Character(*text, range.start);
  p.basePaint = paint_index(first);
  for (size_t i = range.start; i < range.start + static_cast<size_t>(p.length);) {
    TextRange run = text->CharacterRunAt(i);
    size_t run_end = std::min(run.start + run.length, range.start + static_cast<size_t>(p.length));
    if (run_end <= i) run_end = i + 1;
    const CharacterLook& look = styles_.Character(*text, i);
    const int32_t paint = paint_index(look);
    // Split the run at its anchors: each anchor is a range of its own.
    size_t from = i;
    auto add_range = [&](size_t a, size_t b) {
      if (b <= a) return;
      int32_t s = static_cast<int32_t>(a - range.start), e = static_cast<int32_t>(b - range.start);
      p.runs.push_back({s, e, paint});
      p.runSizes.push_back(look.size);
    };
    while (next_anchor < anchors.size() && anchors[next_anchor].position < run_end) {
      const Anchor& a = anchors[next_anchor++];
      if (a.position < from) continue;
      add_range(from, a.position);
      AnchorSlot slot;
      slot.index = static_cast<int32_t>(a.position - range.start);
      slot.item = a.uid;
      if (auto item = db.Query<IPageItem>(a.uid)) {
        slot.width = std::max(0.0, item->Bounds().Width());
        slot.height = std::max(0.0, item->Bounds().Height());
      }
      slot.paint = paint;
      p.runs.push_back({slot.index, slot.index + 1, anchor_paint});
      p.runSizes.push_back(0);
      units[static_cast<size_t>(slot.index)] = kAnchorStandIn;
      p.anchors.push_back(slot);
      from = a.position + 1;
    }
    add_range(from, run_end);
    if (look.allSmallCaps) {
      for (size_t k = i; k < run_end; ++k)
        units[k - range.start] = QChar::toLower(units[k - range.start]);
    }
    i = run_end;
  }
  for (size_t k = 0; k < units.size(); ++k) {
    char16_t& u = units[k];
    if (u == u'\n')
      u = kLineSeparator;
    else if (u == kObjectReplacement)
      u = kWordJoiner;  // an object character without object
  }
  // Stand-ins lowered by small capitals are restored.
  for (const AnchorSlot& a : p.anchors) units[static_cast<size_t>(a.index)] = kAnchorStandIn;
  if (p.runs.empty()) p.runSizes.push_back(first.size);

  p.text = QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size()));
  if (cursor.makeLayouts) p.layout = NewLayout(story, p);
  story.paragraphs.push_back(std::move(p));
  pos = end;
  return true;
}

namespace {

struct LineMetrics {
  double ascent = 0, descent = 0, inlineHeight = 0, maxSize = 0;
};

// A line as placing needs it, whether from a layout or from breaks made ahead.
BrokenLine SpanOf(const QTextLine& line) {
  return {line.textStart(), line.textLength(), line.ascent(), line.descent()};
}

LineMetrics Measure(const ComposedParagraph& p, const BrokenLine& line) {
  LineMetrics m;
  m.ascent = line.ascent;
  m.descent = line.descent;
  const int32_t from = line.start, to = from + line.length;
  for (const AnchorSlot& a : p.anchors)
    if (a.index >= from && a.index < to) m.inlineHeight = std::max(m.inlineHeight, a.height);
  m.ascent = std::max(m.ascent, m.inlineHeight);
  for (size_t r = 0; r < p.runs.size(); ++r)
    if (p.runs[r].start < std::max(to, from + 1) && p.runs[r].end > from)
      m.maxSize = std::max(m.maxSize, p.runSizes[r]);
  if (p.runs.empty() && !p.runSizes.empty()) m.maxSize = p.runSizes.front();
  return m;
}

void FinishLines(ComposedStory& story, PlaceCursor& cursor);

double WidthIn(const PMRect& column, const ComposedParagraph& p, int32_t line_no) {
  double indent = p.look.leftIndent + (line_no == 0 ? p.look.firstLineIndent : 0);
  return std::max(1.0, column.Width() - indent - p.look.rightIndent);
}

double WidthFor(const ComposedStory& story, const ComposedParagraph& p, size_t column,
                int32_t line_no) {
  return WidthIn(story.columns[column].frame.bounds, p, line_no);
}

// A paragraph to be broken on another thread, for a column like `column`.
BreakJob JobFor(const ComposedStory& story, const ComposedParagraph& p, const PMRect& column,
                bool glyphs) {
  BreakJob job;
  job.text = p.text;
  job.alignment = p.look.alignment;
  job.basePaint = p.basePaint;
  job.anchorPaint = story.anchorPaint;
  job.runs = p.runs;
  job.anchors = p.anchors;
  job.firstWidth = WidthIn(column, p, 0);
  job.otherWidth = WidthIn(column, p, 1);
  job.glyphs = glyphs;
  return job;
}

// Whether Qt breaks a line alike at both widths: it keeps a line's width in 1/64 points, so
// columns whose widths differ in the last bits (from their positions' arithmetic) break
// alike. Equal both truncated and rounded, whichever Qt does.
bool SameLineWidth(double a, double b) {
  return std::floor(a * 64) == std::floor(b * 64) && std::round(a * 64) == std::round(b * 64);
}

// Paragraphs are queued in batches, enough of them ahead that the workers never wait for
// the placing thread while it reads the story.
constexpr size_t kBatch = 24;
constexpr size_t kAhead = 8 * kBatch;

}  // namespace

// Paragraphs read and queued to be broken ahead of the one placing reaches.
struct BreakAhead {
  BreakAhead(int threads, size_t from) : pool(threads), queued(from), taken(from) {}
  LineBreakPool pool;
  size_t queued;  // paragraphs before it are queued, or were placed before
  size_t taken;   // paragraphs before it have their breaks
  size_t batchesTaken = 0;
  std::deque<size_t> batchEnds;  // the paragraph after each queued batch not yet taken
};

void Composer::ReadAhead(ComposedStory& story, PlaceCursor& cursor, size_t paragraph) {
  BreakAhead& a = *cursor.ahead;
  while (story.paragraphs.size() < paragraph + kAhead && PrepareParagraph(story, *cursor.prepare)) {
  }
  // The widths of the column placing is in: right for a story whose columns are all one
  // width (and for every page added); where they are not, placing lays the paragraph out.
  const size_t column = std::min(cursor.column, story.columns.size() - 1);
  bool formats_known = false;
  while (a.queued < story.paragraphs.size()) {
    const size_t n = std::min(kBatch, story.paragraphs.size() - a.queued);
    if (n < kBatch && a.queued > paragraph && !cursor.prepare->done) break;  // more to come
    if (!formats_known) a.pool.AddFormats(story.formats);
    formats_known = true;
    std::vector<BreakJob> batch;
    batch.reserve(n);
    for (size_t i = a.queued; i < a.queued + n; ++i)
      batch.push_back(
          JobFor(story, story.paragraphs[i], story.columns[column].frame.bounds, story.glyphsKept));
    a.pool.Submit(std::move(batch));
    a.queued += n;
    a.batchEnds.push_back(a.queued);
  }
  while (a.taken <= paragraph && !a.batchEnds.empty()) {
    std::vector<std::optional<LineBreaks>> breaks = a.pool.Take(a.batchesTaken++);
    const size_t end = a.batchEnds.front();
    a.batchEnds.pop_front();
    for (size_t i = a.taken; i < end && i - a.taken < breaks.size(); ++i)
      story.paragraphs[i].breaks = std::move(breaks[i - a.taken]);
    a.taken = end;
  }
}

void Composer::Place(ComposedStory& story, std::vector<ColumnFrame> frames, const MoreColumns& more,
                     std::shared_ptr<PrepareCursor> prepare) {
  PlaceCursor cursor = BeginPlace(story, std::move(frames), more);
  cursor.prepare = std::move(prepare);
  ContinuePlace(story, cursor);
}

PlaceCursor Composer::BeginPlace(ComposedStory& story, std::vector<ColumnFrame> frames,
                                 MoreColumns more) {
  story.lines.clear();
  story.inlines.clear();
  story.rules.clear();
  story.columns.clear();
  story.overset = false;
  story.composedEnd = story.totalLength;
  story.glyphsKept = KeepsGlyphs();
  story.paragraphSpans.clear();
  story.spans.clear();
  story.glyphIds.clear();
  story.glyphX.clear();
  for (const ColumnFrame& f : frames) story.columns.push_back({f, 0, 0});
  PlaceCursor cursor;
  cursor.more = std::move(more);
  return cursor;
}

bool Composer::ContinuePlace(ComposedStory& story, PlaceCursor& cursor, size_t throughColumn,
                             size_t paragraphs) {
  if (cursor.done) return true;
  const size_t stop = paragraphs > static_cast<size_t>(-1) - cursor.paragraph
                          ? static_cast<size_t>(-1)
                          : cursor.paragraph + paragraphs;
  size_t& c = cursor.column;
  bool& empty_column = cursor.emptyColumn;
  double& last_baseline = cursor.lastBaseline;
  double& prev_descent = cursor.prevDescent;
  bool out_of_columns = false;

  auto ensure_column = [&]() {
    while (c >= story.columns.size()) {
      std::vector<ColumnFrame> added;
      if (!cursor.more || !cursor.more(added) || added.empty()) return false;
      for (const ColumnFrame& f : added) story.columns.push_back({f, 0, 0});
    }
    return true;
  };
  auto width_for = [&](const ComposedParagraph& p, size_t column, int32_t line_no) {
    return WidthFor(story, p, column, line_no);
  };
  auto x_for = [&](const ComposedParagraph& p, size_t column, int32_t line_no) {
    return story.columns[column].frame.bounds.left + p.look.leftIndent +
           (line_no == 0 ? p.look.firstLineIndent : 0);
  };

  // Stops only between paragraphs, once the last line placed lies past `throughColumn`:
  // the columns up to it are then final (a keep-with-next move touches only that line).
  auto have_paragraph = [&] {
    return cursor.paragraph < story.paragraphs.size() ||
           (cursor.prepare && PrepareParagraph(story, *cursor.prepare));
  };
  if (!cursor.ahead && breakThreads_ >= 0 && !keepLayouts_ && cursor.prepare &&
      !story.columns.empty() && story.paragraphs.size() == cursor.paragraph) {
    cursor.ahead = std::make_shared<BreakAhead>(breakThreads_, cursor.paragraph);
    cursor.prepare->makeLayouts = false;
  }
  for (; !out_of_columns && have_paragraph(); ++cursor.paragraph) {
    if (c > throughColumn || cursor.paragraph >= stop) break;
    const size_t pi = cursor.paragraph;
    if (cursor.ahead) ReadAhead(story, cursor, pi);
    ComposedParagraph& p = story.paragraphs[pi];
    // Lines come from the breaks made ahead while they were made for the widths asked
    // for, and from the paragraph's own layout from the first that was not.
    const LineBreaks* ahead = p.breaks ? &*p.breaks : nullptr;
    QTextLayout* layout = nullptr;
    std::vector<double> widths;
    BrokenLine line;
    auto use_layout = [&] {
      if (!p.layout) p.layout = NewLayout(story, p);  // placed before, its layout let go
      layout = p.layout.get();
      // Shaped glyphs stay while the paragraph is broken (a line that moves to a column of
      // another width re-breaks it without shaping it again) and go when it is done.
      layout->setCacheEnabled(true);
      layout->beginLayout();
      QTextLine last;
      for (double w : widths) {
        last = layout->createLine();
        last.setLineWidth(w);
      }
      if (!widths.empty()) line = SpanOf(last);
      ahead = nullptr;
      p.breaks.reset();
    };
    auto ahead_fits = [&](int32_t line_no, double width) {
      return SameLineWidth(width, line_no == 0 ? ahead->firstWidth : ahead->otherWidth);
    };
    // The next line, broken to `width`; false at the paragraph's end.
    auto next_line = [&](int32_t line_no, double width) {
      if (ahead && !ahead_fits(line_no, width)) use_layout();
      if (ahead) {
        if (static_cast<size_t>(line_no) >= ahead->lines.size()) return false;
        line = ahead->lines[static_cast<size_t>(line_no)];
      } else {
        QTextLine ql = layout->createLine();
        if (!ql.isValid()) return false;
        ql.setLineWidth(width);
        line = SpanOf(ql);
      }
      widths.push_back(width);
      return true;
    };
    // The paragraph broken again up to here, with `width` for the current line.
    auto rebreak_line = [&](int32_t line_no, double width) {
      widths.back() = width;
      if (ahead && ahead_fits(line_no, width)) {
        line = ahead->lines[static_cast<size_t>(line_no)];
        return;
      }
      if (layout) layout->endLayout();
      use_layout();
    };
    if (!ahead) use_layout();
    const size_t first_line = story.lines.size();
    for (int32_t line_no = 0;; ++line_no) {
      if (!ensure_column()) {
        out_of_columns = true;
        story.composedEnd = story.lines.empty() ? p.start : story.lines.back().end;
        break;
      }
      double width = width_for(p, c, line_no);
      if (!next_line(line_no, width)) break;

      for (;;) {
        LineMetrics m = Measure(p, line);
        double baseline;
        if (empty_column) {
          baseline = story.columns[c].frame.bounds.top + m.ascent;
        } else {
          double step = p.look.leading < 0
                            ? std::max(kAutoLeadingFactor * m.maxSize, m.ascent + prev_descent)
                            : std::max(p.look.leading, m.inlineHeight + prev_descent);
          baseline = last_baseline + step;
        }
        const PMRect& col = story.columns[c].frame.bounds;
        if (baseline + m.descent <= col.bottom + kFit) {
          ComposedLine l;
          l.paragraph = static_cast<int32_t>(pi);
          l.layoutLine = line_no;
          l.start = p.start + line.start;
          l.end = l.start + line.length;
          l.column = static_cast<int32_t>(c);
          l.x = x_for(p, c, line_no);
          l.baseline = baseline;
          l.ascent = m.ascent;
          l.descent = m.descent;
          l.width = width;
          story.lines.push_back(l);
          empty_column = false;
          last_baseline = baseline;
          prev_descent = m.descent;
          break;
        }
        // Next column. A keep-with-next paragraph's last line comes along with this
        // paragraph's first, unless it is alone in its column.
        const bool was_empty = empty_column;
        ++c;
        empty_column = true;
        if (!ensure_column()) {
          out_of_columns = true;
          story.composedEnd = p.start + line.start;
          break;
        }
        if (!was_empty && line_no == 0 && pi > 0 && story.paragraphs[pi - 1].look.keepWithNext &&
            !story.lines.empty()) {
          ComposedLine& prev = story.lines.back();
          const bool alone =
              story.lines.size() < 2 || story.lines[story.lines.size() - 2].column != prev.column;
          const ComposedParagraph& pp = story.paragraphs[static_cast<size_t>(prev.paragraph)];
          if (!alone && prev.paragraph == static_cast<int32_t>(pi) - 1 &&
              std::abs(width_for(pp, c, prev.layoutLine) - prev.width) < 1e-6) {
            prev.column = static_cast<int32_t>(c);
            prev.x = x_for(pp, c, prev.layoutLine);
            prev.baseline = story.columns[c].frame.bounds.top + prev.ascent;
            last_baseline = prev.baseline;
            prev_descent = prev.descent;
            empty_column = false;
          }
        }
        double new_width = width_for(p, c, line_no);
        if (std::abs(new_width - width) > 1e-6) {
          // Broken again to here with the new column's width for this line.
          width = new_width;
          rebreak_line(line_no, width);
        }
      }
      if (out_of_columns) break;
    }
    // Where each inline frame stands in its line needs the glyphs: measured now, from the
    // line's own origin (Qt keeps positions in 1/64 units, so a frame at the start of a
    // line lies exactly on the column's edge).
    for (size_t li = first_line; li < story.lines.size(); ++li) {
      const ComposedLine& l = story.lines[li];
      if (l.paragraph != static_cast<int32_t>(pi)) continue;
      const int32_t from = l.start - p.start;
      const int32_t to = from + (ahead ? ahead->lines[static_cast<size_t>(l.layoutLine)].length
                                       : layout->lineAt(l.layoutLine).textLength());
      for (size_t k = 0; k < p.anchors.size(); ++k) {
        AnchorSlot& a = p.anchors[k];
        if (a.index < from || a.index >= to) continue;
        if (ahead) {
          a.lineOffset = ahead->anchorOffsets[k];
        } else {
          QTextLine ql = layout->lineAt(l.layoutLine);
          a.lineOffset = ql.cursorToX(a.index) - ql.x();
        }
      }
    }
    if (story.glyphsKept)
      KeepGlyphs(story, cursor, pi, static_cast<int32_t>(story.lines.size() - first_line), layout);
    if (layout) {
      layout->setCacheEnabled(false);
      layout->endLayout();  // releases the glyphs; the lines stay
    } else {
      ++placedAhead_;
    }
    if (!out_of_columns && !story.lines.empty() && p.hasEnd &&
        story.lines.back().paragraph == static_cast<int32_t>(pi))
      story.lines.back().end += 1;
    // Between paragraphs, as a step would end: only a few layouts are alive at a time.
    if (!keepLayouts_ && !out_of_columns) FinishAndRelease(story, cursor, pi + 1);
  }
  if (out_of_columns || !have_paragraph()) {
    cursor.done = true;
    story.overset = out_of_columns;
  }
  if (cursor.done && cursor.ahead) {
    // Paragraphs read ahead but not placed are left out, as if never read.
    story.paragraphs.resize(cursor.paragraph);
    cursor.ahead.reset();
  }
  FinishAndRelease(story, cursor, cursor.done ? story.paragraphs.size() : cursor.paragraph);
  return cursor.done;
}

void Composer::FinishAndRelease(ComposedStory& story, PlaceCursor& cursor, size_t placed) {
  FinishLines(story, cursor);
  if (keepLayouts_) return;
  // Paragraphs whose lines are all finished: drawing has their glyphs.
  const size_t finished = cursor.finishedLines < story.lines.size()
                              ? static_cast<size_t>(story.lines[cursor.finishedLines].paragraph)
                              : placed;
  for (; cursor.released < finished && cursor.released < story.paragraphs.size();
       ++cursor.released) {
    ComposedParagraph& p = story.paragraphs[cursor.released];
    p.layout.reset();
    p.breaks.reset();
    p.text = QString();
    p.runs = {};
    p.runSizes = {};
    p.anchors = {};
  }
}

namespace {

int32_t FontIn(ComposedStory& story, const QRawFont& raw) {
  for (size_t i = 0; i < story.fonts.size(); ++i)
    if (story.fonts[i] == raw) return static_cast<int32_t>(i);
  story.fonts.push_back(raw);
  return static_cast<int32_t>(story.fonts.size() - 1);
}

}  // namespace

// A font a breaking thread told by its key, found on this thread.
QRawFont Composer::FontOf(const ComposedStory& story, const FontKey& key) {
  if (key.primary) {
    // Stories share their looks' fonts: each is found once.
    const QFont font = story.formats[static_cast<size_t>(key.paint)].font();
    auto [it, inserted] = primaryFonts_.try_emplace(font);
    if (inserted) it->second = QRawFont::fromFont(font);
    return it->second;
  }
  for (const auto& [known, raw] : otherFonts_)
    if (SameFont(known, key)) return raw;
  QFont font(key.family);
  font.setStyleName(key.style);
  font.setWeight(static_cast<QFont::Weight>(key.weight));
  font.setItalic(key.italic);
  QRawFont raw = QRawFont::fromFont(font);
  if (raw.isValid() && raw.pixelSize() != key.pixelSize) raw.setPixelSize(key.pixelSize);
  // Another family or style than named would draw other glyphs under the same ids.
  if (raw.familyName() != key.family || raw.styleName() != key.style) raw = QRawFont();
  otherFonts_.emplace_back(key, raw);
  return raw;
}

void Composer::KeepGlyphs(ComposedStory& story, PlaceCursor& cursor, size_t paragraph,
                          int32_t lines, const QTextLayout* layout) {
  ComposedParagraph& p = story.paragraphs[paragraph];
  story.paragraphSpans.resize(paragraph);
  story.paragraphSpans.push_back(static_cast<uint32_t>(story.spans.size()));
  auto collect = [&](const QTextLayout& from) {
    const FontIndex font = [&](const QGlyphRun& run, int32_t) {
      return FontIn(story, run.rawFont());
    };
    for (int32_t i = 0; i < lines; ++i)
      CollectLineGlyphs(from.lineAt(i), p.runs, story.anchorPaint, font,
                        {story.spans, story.glyphIds, story.glyphX});
  };
  if (layout) {
    collect(*layout);
    return;
  }
  if (!p.breaks) return;
  // The lines broken ahead hold every line's glyphs; those placed come first. Their fonts
  // are found again here; -1: not found.
  const LineBreaks& b = *p.breaks;
  auto font_of = [&](const FontKey& key) {
    if (key.primary) {
      const size_t paint = static_cast<size_t>(key.paint);
      std::vector<int32_t>& primaries = cursor.primaryFonts;
      if (primaries.size() <= paint) primaries.resize(paint + 1, -1);
      if (primaries[paint] < 0) {
        const QRawFont raw = FontOf(story, key);
        if (raw.isValid()) primaries[paint] = FontIn(story, raw);
      }
      return primaries[paint];
    }
    const QRawFont raw = FontOf(story, key);
    return raw.isValid() ? FontIn(story, raw) : -1;
  };
  std::vector<int32_t> fonts;
  fonts.reserve(b.fonts.size());
  for (const FontKey& key : b.fonts) {
    fonts.push_back(font_of(key));
    // A font this thread does not find as the breaking thread named it: the paragraph is
    // laid out here to take its glyphs, rather than drawn in another font or not at all.
    if (fonts.back() < 0) {
      collect(*ParagraphLayout(story, paragraph));
      return;
    }
  }
  size_t n = 0;
  while (n < b.spans.size() && b.spans[n].line < lines) ++n;
  const uint32_t glyphs = n == 0 ? 0 : b.spans[n - 1].first + b.spans[n - 1].count;
  const uint32_t base = static_cast<uint32_t>(story.glyphIds.size());
  story.glyphIds.insert(story.glyphIds.end(), b.glyphIds.begin(), b.glyphIds.begin() + glyphs);
  story.glyphX.insert(story.glyphX.end(), b.glyphX.begin(), b.glyphX.begin() + glyphs);
  for (size_t i = 0; i < n; ++i) {
    GlyphSpan span = b.spans[i];
    span.first += base;
    span.font = fonts[static_cast<size_t>(span.font)];
    story.spans.push_back(span);
  }
}

namespace {

// Positions, column ranges, inline frames and rules of the lines placed since last time.
void FinishLines(ComposedStory& story, PlaceCursor& cursor) {
  // The last line waits while placing goes on: the next paragraph may take it along.
  const size_t end =
      cursor.done || story.lines.empty() ? story.lines.size() : story.lines.size() - 1;
  for (size_t li = cursor.finishedLines; li < end; ++li) {
    const ComposedLine& l = story.lines[li];
    ComposedColumn& col = story.columns[static_cast<size_t>(l.column)];
    if (col.lineCount == 0) col.firstLine = static_cast<int32_t>(li);
    ++col.lineCount;
    ComposedParagraph& p = story.paragraphs[static_cast<size_t>(l.paragraph)];
    const bool first_line = l.layoutLine == 0;
    const bool last_line = l.end == p.start + p.length + (p.hasEnd ? 1 : 0);
    const bool to_text = (first_line && p.look.above.on && p.look.above.mode == kRuleToText) ||
                         (last_line && p.look.below.on && p.look.below.mode == kRuleToText);
    // Lines broken ahead need no layout, unless a rule is measured on the text.
    if (!p.layout && (!p.breaks || to_text))
      p.layout = ParagraphLayout(story, static_cast<size_t>(l.paragraph));
    QTextLine ql;
    int32_t from = 0, to = 0;
    if (p.layout) {
      ql = p.layout->lineAt(l.layoutLine);
      ql.setPosition(QPointF(l.x, l.baseline - ql.ascent()));
      from = ql.textStart();
      to = from + ql.textLength();
    } else {
      const BrokenLine& b = p.breaks->lines[static_cast<size_t>(l.layoutLine)];
      from = b.start;
      to = from + b.length;
    }
    for (const AnchorSlot& a : p.anchors) {
      if (a.index < from || a.index >= to) continue;
      const double x = l.x + a.lineOffset;
      story.inlines.push_back({a.item,
                               p.start + a.index,
                               l.column,
                               {x, l.baseline - a.height, x + a.width, l.baseline}});
    }
    const PMRect& bounds = col.frame.bounds;
    auto rule = [&](const RuleLook& r, double y) {
      double x1 = bounds.left + r.leftIndent, x2 = bounds.right - r.rightIndent;
      if (r.mode == kRuleToText) {
        QRectF text = ql.naturalTextRect();
        x1 = text.left() + r.leftIndent;
        x2 = text.right() - r.rightIndent;
      }
      if (x2 > x1 && r.width > 0) story.rules.push_back({l.column, x1, x2, y, r.width, r.ink});
    };
    if (first_line && p.look.above.on)
      rule(p.look.above, l.baseline - p.look.above.offset - p.look.above.width / 2);
    if (last_line && p.look.below.on)
      rule(p.look.below, l.baseline + p.look.below.offset + p.look.below.width / 2);
  }
  cursor.finishedLines = std::max(cursor.finishedLines, end);
}

}  // namespace

void Composer::QueueOn(int threads) {
  queue_ = std::make_unique<LineBreakPool>(std::max(threads, 0));
  queueFormatOf_.clear();
  queueFormats_.assign(1, QTextCharFormat());
  queuedPaints_.clear();
}

size_t Composer::Queue(const ComposedStory& story, const PrepareCursor& cursor,
                       const std::vector<ColumnFrame>& columns) {
  // The story's paints as the queue's formats: one for each look, whatever story has it.
  std::vector<int32_t> formats(story.paints.size(), 0);  // stand-ins: the empty format
  for (const auto& [look, paint] : cursor.paintOf) {
    auto [it, inserted] =
        queueFormatOf_.try_emplace(look, static_cast<int32_t>(queueFormats_.size()));
    if (inserted) queueFormats_.push_back(look->format);
    formats[static_cast<size_t>(paint)] = it->second;
  }
  queue_->AddFormats(queueFormats_);
  auto format = [&](int32_t paint) { return formats[static_cast<size_t>(paint)]; };
  std::vector<BreakJob> batch;
  batch.reserve(story.paragraphs.size());
  for (const ComposedParagraph& p : story.paragraphs) {
    BreakJob job = JobFor(story, p, columns.front().bounds, KeepsGlyphs());
    job.basePaint = format(job.basePaint);
    job.anchorPaint = format(job.anchorPaint);
    for (PaintRun& r : job.runs) r.paint = format(r.paint);
    for (AnchorSlot& a : job.anchors) a.paint = format(a.paint);
    batch.push_back(std::move(job));
  }
  const size_t ticket = queue_->Submit(std::move(batch));
  queuedPaints_[ticket] = std::move(formats);
  return ticket;
}

void Composer::TakeQueued(ComposedStory& story, size_t ticket) {
  std::vector<std::optional<LineBreaks>> breaks = queue_->Take(ticket);
  auto known = queuedPaints_.extract(ticket);
  if (known.empty()) return;
  const std::vector<int32_t>& formats = known.mapped();
  // Back from the queue's formats to the story's paints (stand-ins have no glyphs).
  auto paint = [&](int32_t format) {
    for (size_t p = 0; p < formats.size(); ++p)
      if (formats[p] == format && static_cast<int32_t>(p) != story.anchorPaint)
        return static_cast<int32_t>(p);
    return story.anchorPaint;
  };
  for (size_t i = 0; i < breaks.size() && i < story.paragraphs.size(); ++i) {
    if (!breaks[i]) continue;
    for (GlyphSpan& span : breaks[i]->spans) span.paint = paint(span.paint);
    for (FontKey& key : breaks[i]->fonts) key.paint = paint(key.paint);
    story.paragraphs[i].breaks = std::move(breaks[i]);
  }
}

PlaceMark Composer::Mark(const ComposedStory& story, const PlaceCursor& cursor) {
  PlaceMark m;
  m.paragraph = cursor.paragraph;
  m.column = cursor.column;
  m.emptyColumn = cursor.emptyColumn;
  m.lastBaseline = cursor.lastBaseline;
  m.prevDescent = cursor.prevDescent;
  m.lines = story.lines.size();
  m.finishedLines = cursor.finishedLines;
  m.inlines = story.inlines.size();
  m.rules = story.rules.size();
  m.spans = story.spans.size();
  m.glyphs = story.glyphIds.size();
  if (!story.lines.empty()) m.previous = story.lines.back();
  return m;
}

void Composer::Rewind(ComposedStory& story, PlaceCursor& cursor, const PlaceMark& mark) {
  // Finished lines counted in their columns; a keep-with-next move only ever touches the
  // last line, which is not finished, so their columns are those they were counted in.
  for (size_t li = mark.finishedLines; li < cursor.finishedLines && li < story.lines.size(); ++li) {
    ComposedColumn& col = story.columns[static_cast<size_t>(story.lines[li].column)];
    if (--col.lineCount == 0) col.firstLine = 0;
  }
  story.lines.resize(mark.lines);
  if (mark.previous && !story.lines.empty()) story.lines.back() = *mark.previous;
  story.inlines.resize(mark.inlines);
  story.rules.resize(mark.rules);
  story.paragraphSpans.resize(std::min(story.paragraphSpans.size(), mark.paragraph));
  story.spans.resize(mark.spans);
  story.glyphIds.resize(mark.glyphs);
  story.glyphX.resize(mark.glyphs);
  size_t position = 0;
  if (mark.paragraph > 0) {
    const ComposedParagraph& p = story.paragraphs[mark.paragraph - 1];
    position = static_cast<size_t>(p.start + p.length + (p.hasEnd ? 1 : 0));
  }
  story.paragraphs.resize(mark.paragraph);
  cursor.paragraph = mark.paragraph;
  cursor.column = mark.column;
  cursor.emptyColumn = mark.emptyColumn;
  cursor.lastBaseline = mark.lastBaseline;
  cursor.prevDescent = mark.prevDescent;
  cursor.finishedLines = mark.finishedLines;
  cursor.released = std::min(cursor.released, mark.paragraph > 0 ? mark.paragraph - 1 : 0);
  cursor.done = false;
  cursor.ahead.reset();  // its paragraphs were read from the story as it was
  if (cursor.prepare) {
    cursor.prepare->position = position;
    cursor.prepare->done = false;
    story.totalLength = static_cast<int32_t>(cursor.prepare->text->TotalLength());
  }
  story.overset = false;
  story.composedEnd = story.totalLength;
}

double MeasureTextHeight(Composer& composer, ComposedStory& story, double width) {
  ColumnFrame column;
  column.bounds = {0, 0, std::max(1.0, width), 1e9};
  composer.Place(story, {column});
  return story.TextHeight();
}

}  // namespace tarvelin
