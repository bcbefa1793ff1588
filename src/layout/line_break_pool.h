// Paragraphs broken into lines on worker threads while the thread that places them goes on.
//
// A Qt font keeps its engine data per thread in state that copies of it share, so no font
// or format may be used by two threads: every thread lays out with formats of its own,
// made from the properties of the story's formats, and gets the same lines the placing
// thread's own layout would give.
#pragma once

#include <QMap>
#include <QRawFont>
#include <QString>
#include <QTextCharFormat>
#include <QVariant>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "layout/composition_state.h"

class QThread;

namespace tarvelin {

// A paragraph to break, as plain data.
struct BreakJob {
  QString text;
  int32_t alignment = 0;
  int32_t basePaint = 0, anchorPaint = 0;
  std::vector<PaintRun> runs;
  std::vector<AnchorSlot> anchors;
  double firstWidth = 1, otherWidth = 1;
  bool glyphs = false;  // keep every line's glyphs for drawing
};

// What a thread breaks with: formats (indexed by paint) that it owns, and the primary font
// of each, found as glyphs are kept.
struct BreakFormats {
  std::vector<QTextCharFormat> formats;
  std::vector<QRawFont> primaries;
};

// Whether two keys tell the same font.
bool SameFont(const FontKey& a, const FontKey& b);

// Breaks one paragraph.
LineBreaks BreakParagraph(const BreakJob& job, BreakFormats& formats);

class LineBreakPool {
 public:
  // Starts up to `workers` threads besides the caller's (none when none can be started).
  explicit LineBreakPool(int workers);
  ~LineBreakPool();  // drops queued work and waits for the threads
  LineBreakPool(const LineBreakPool&) = delete;
  LineBreakPool& operator=(const LineBreakPool&) = delete;

  int Workers() const { return static_cast<int>(threads_.size()); }
  // Makes the story's formats from the first not yet known on known to the breakers; a
  // story only ever appends formats.
  void AddFormats(const std::vector<QTextCharFormat>& formats);
  // Queues a batch of paragraphs; batches are numbered from 0 in the order queued.
  size_t Submit(std::vector<BreakJob> batch);
  // The breaks of batch `n`, once, breaking queued batches on the calling thread while
  // the workers are busy. Empty where a paragraph could not be broken.
  std::vector<std::optional<LineBreaks>> Take(size_t n);

 private:
  using Breaker = BreakFormats;  // this thread's own
  struct Batch {
    size_t number = 0;
    std::vector<BreakJob> jobs;
  };
  using Results = std::vector<std::optional<LineBreaks>>;

  void Work(Breaker& breaker);
  Results Run(Breaker& breaker, const Batch& batch);

  std::mutex mutex_;
  std::condition_variable queued_, finished_;
  std::deque<Batch> queue_;
  std::unordered_map<size_t, Results> done_;
  size_t submitted_ = 0;
  bool stop_ = false;
  std::vector<QMap<int, QVariant>> properties_;     // of the story's formats, by paint
  std::vector<std::unique_ptr<Breaker>> breakers_;  // the caller's first, then the workers'
  std::vector<std::unique_ptr<QThread>> threads_;
};

}  // namespace tarvelin
