#include "layout/line_break_pool.h"

#include <QTextLine>
#include <QThread>

#include "layout/paragraph_layout.h"

namespace tarvelin {

namespace {

// The font of a glyph run as FontKey tells it, for another thread to find again.
int32_t KeyOf(const QGlyphRun& run, int32_t paint, BreakFormats& own, std::vector<FontKey>& keys) {
  const size_t p = static_cast<size_t>(paint);
  if (own.primaries.size() <= p) own.primaries.resize(p + 1);
  if (!own.primaries[p].isValid()) own.primaries[p] = QRawFont::fromFont(own.formats[p].font());
  const QRawFont raw = run.rawFont();
  FontKey key;
  key.paint = paint;
  key.primary = raw == own.primaries[p];
  if (!key.primary) {
    key.family = raw.familyName();
    key.style = raw.styleName();
    key.weight = raw.weight();
    key.italic = raw.style() != QFont::StyleNormal;
    key.pixelSize = raw.pixelSize();
  }
  for (size_t i = 0; i < keys.size(); ++i) {
    if (SameFont(keys[i], key)) return static_cast<int32_t>(i);
  }
  keys.push_back(std::move(key));
  return static_cast<int32_t>(keys.size() - 1);
}

}  // namespace

bool SameFont(const FontKey& a, const FontKey& b) {
  if (a.primary != b.primary) return false;
  if (a.primary) return a.paint == b.paint;
  return a.family == b.family && a.style == b.style && a.weight == b.weight &&
         a.italic == b.italic && a.pixelSize == b.pixelSize;
}

LineBreaks BreakParagraph(const BreakJob& job, BreakFormats& own) {
  const std::vector<QTextCharFormat>& formats = own.formats;
  std::unique_ptr<QTextLayout> layout = MakeParagraphLayout(
      job.text, job.alignment, job.basePaint, job.anchorPaint, job.runs, job.anchors, formats);
  LineBreaks out;
  out.firstWidth = job.firstWidth;
  out.otherWidth = job.otherWidth;
  layout->beginLayout();
  for (;;) {
    QTextLine line = layout->createLine();
    if (!line.isValid()) break;
    line.setLineWidth(out.lines.empty() ? job.firstWidth : job.otherWidth);
    out.lines.push_back({line.textStart(), line.textLength(), line.ascent(), line.descent()});
  }
  // Measured as placing measures them: all lines made, glyphs still cached.
  out.anchorOffsets.resize(job.anchors.size());
  size_t li = 0;
  for (size_t k = 0; k < job.anchors.size(); ++k) {
    const int32_t index = job.anchors[k].index;
    while (li < out.lines.size() && out.lines[li].start + out.lines[li].length <= index) ++li;
    if (li == out.lines.size()) break;
    if (index < out.lines[li].start) continue;
    QTextLine line = layout->lineAt(static_cast<int>(li));
    out.anchorOffsets[k] = line.cursorToX(index) - line.x();
  }
  if (job.glyphs) {
    const FontIndex font = [&](const QGlyphRun& run, int32_t paint) {
      return KeyOf(run, paint, own, out.fonts);
    };
    for (int i = 0; i < layout->lineCount(); ++i)
      CollectLineGlyphs(layout->lineAt(i), job.runs, job.anchorPaint, font,
                        {out.spans, out.glyphIds, out.glyphX});
  }
  layout->setCacheEnabled(false);
  layout->endLayout();
  return out;
}

LineBreakPool::LineBreakPool(int workers) {
  breakers_.push_back(std::make_unique<Breaker>());
  for (int i = 0; i < workers; ++i) {
    auto breaker = std::make_unique<Breaker>();
    Breaker* b = breaker.get();
    std::unique_ptr<QThread> thread(QThread::create([this, b] { Work(*b); }));
    if (!thread) break;
    thread->start();
    if (!thread->isRunning() && !thread->isFinished()) break;  // no thread to be had
    breakers_.push_back(std::move(breaker));
    threads_.push_back(std::move(thread));
  }
}

LineBreakPool::~LineBreakPool() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    queue_.clear();
  }
  queued_.notify_all();
  for (auto& t : threads_) t->wait();
}

void LineBreakPool::AddFormats(const std::vector<QTextCharFormat>& formats) {
  std::lock_guard lock(mutex_);
  for (size_t i = properties_.size(); i < formats.size(); ++i)
    properties_.push_back(formats[i].properties());
}

size_t LineBreakPool::Submit(std::vector<BreakJob> batch) {
  size_t number = 0;
  {
    std::lock_guard lock(mutex_);
    number = submitted_++;
    queue_.push_back({number, std::move(batch)});
  }
  queued_.notify_one();
  return number;
}

std::vector<std::optional<LineBreaks>> LineBreakPool::Take(size_t n) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (auto it = done_.find(n); it != done_.end()) {
      Results r = std::move(it->second);
      done_.erase(it);
      return r;
    }
    if (!queue_.empty()) {
      Batch batch = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      Results r = Run(*breakers_.front(), batch);
      lock.lock();
      done_[batch.number] = std::move(r);
      continue;
    }
    if (n >= submitted_) return {};  // never queued
    finished_.wait(lock);
  }
}

void LineBreakPool::Work(Breaker& breaker) {
  std::unique_lock lock(mutex_);
  for (;;) {
    queued_.wait(lock, [&] { return stop_ || !queue_.empty(); });
    if (stop_) return;
    Batch batch = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    Results r = Run(breaker, batch);
    lock.lock();
    done_[batch.number] = std::move(r);
    finished_.notify_all();
  }
}

LineBreakPool::Results LineBreakPool::Run(Breaker& breaker, const Batch& batch) {
  // Formats first used by this batch: made from their properties, on this thread.
  int32_t highest = -1;
  for (const BreakJob& job : batch.jobs) {
    highest = std::max({highest, job.basePaint, job.anchorPaint});
    for (const PaintRun& r : job.runs) highest = std::max(highest, r.paint);
    for (const AnchorSlot& a : job.anchors) highest = std::max(highest, a.paint);
  }
  if (static_cast<size_t>(highest + 1) > breaker.formats.size()) {
    std::vector<QMap<int, QVariant>> added;
    {
      std::lock_guard lock(mutex_);
      for (size_t i = breaker.formats.size(); i < properties_.size(); ++i)
        added.push_back(properties_[i]);
    }
    for (const auto& properties : added) {
      QTextCharFormat f;
      for (auto it = properties.begin(); it != properties.end(); ++it)
        f.setProperty(it.key(), it.value());
      breaker.formats.push_back(f);
    }
  }
  // Empty results where a format was never made known, or memory ran out: placing lays
  // those paragraphs out itself.
  Results results(batch.jobs.size());
  if (static_cast<size_t>(highest + 1) > breaker.formats.size()) return results;
  for (size_t i = 0; i < batch.jobs.size(); ++i) {
    try {
      results[i] = BreakParagraph(batch.jobs[i], breaker);
    } catch (...) {
    }
  }
  return results;
}

}  // namespace tarvelin
