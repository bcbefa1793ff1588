#include "layout/renderer.h"

#include <QFile>
#include <QGlyphRun>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "core/utf16.h"
#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "host/documents/spread.h"
#include "layout/composer.h"
#include "layout/composer_style.h"
#include "layout/composition_state.h"
#include "layout/page_canvas.h"
#include "layout/paragraph_layout.h"

namespace tarvelin {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxDepth = 70;  // inline frames nest at most 64 deep

QRectF ToQ(const PMRect& r) {
  return QRectF(r.left, r.top, r.Width(), r.Height());
}

}  // namespace

// Pictures read once per drawer; a null image for one that cannot be read.
struct PageDrawer::Pictures {
  std::unordered_map<std::u16string, std::pair<fs::path, QImage>> byName;
};

class PageDrawer::Walk {
 public:
  Walk(PageDrawer& drawer, PageCanvas& canvas)
      : c_(canvas),
        drawer_(drawer),
        doc_(drawer.doc_),
        db_(drawer.doc_.DataBase()),
        state_(drawer.state_) {}

  void Page(const PageRef& page) {
    const PMRect& b = page.page.bounds;
    c_.Save();
    c_.Clip(QRectF(0, 0, b.Width(), b.Height()));
    c_.Translate(-b.left, -b.top);
    auto spread = db_.Query<ISpread>(page.spread);
    auto document = doc_.Data();
    if (spread && document) {
      // Spread layers follow the document's layer order; hidden layers are not drawn.
      for (UID sl : spread->SpreadLayers()) {
        auto layer = db_.Query<ISpreadLayer>(sl);
        if (!layer) continue;
        auto doc_layer = db_.Query<ILayer>(layer->Layer());
        if (doc_layer && !doc_layer->Visible()) continue;
        for (UID item : layer->Items()) Item(item, 0);
      }
    }
    c_.Restore();
  }

 private:
  void Item(UID uid, int depth) {
    if (depth > kMaxDepth) return;
    auto item = db_.Query<IPageItem>(uid);
    if (!item) return;
    const PMRect bounds = item->Bounds();
    auto graphics = db_.Query<IGraphicAttributes>(uid);
    if (graphics && graphics->FillSwatch() != kInvalidUID)
      c_.FillRect(ToQ(bounds), SwatchInk(db_, graphics->FillSwatch(), PaperInk()));
    switch (KindOf(db_, uid)) {
      case FrameKind::kText:
        Text(uid, depth);
        break;
      case FrameKind::kPicture:
        Picture(uid, bounds);
        break;
      case FrameKind::kEmpty:
        break;
    }
    if (graphics && graphics->StrokeSwatch() != kInvalidUID && graphics->StrokeWeight() > 0)
      c_.StrokeRect(ToQ(bounds), SwatchInk(db_, graphics->StrokeSwatch(), BlackInk()),
                    graphics->StrokeWeight());
  }

  void Picture(UID frame, const PMRect& bounds) {
    UID image = ImageOf(db_, frame);
    auto item = db_.Query<IPageItem>(image);
    auto data = db_.Query<IImageItem>(image);
    if (!item || !data) return;
    const auto& [path, img] = drawer_.Load(data->File());
    QRectF target = ToQ(item->Bounds());
    c_.Save();
    c_.Clip(ToQ(bounds));
    if (img.isNull()) {
      // The picture is missing: a crossed box where it would be.
      const Ink grey{{ColourSpace::kCmyk, {0, 0, 0, 0.37f}, true}, {}};
      c_.StrokeRect(target, grey, 0.5);
      c_.Line(target.topLeft(), target.bottomRight(), grey, 0.5);
      c_.Line(target.topRight(), target.bottomLeft(), grey, 0.5);
    } else {
      c_.Image(target, {path, &img});
    }
    c_.Restore();
  }

  void Text(UID frame, int depth) {
    size_t first = 0;
    const ComposedStory* story = state_.StoryInFrame(frame, &first);
    if (!story) return;
    size_t end = first;
    while (end < story->columns.size() && story->columns[end].frame.frame == frame) ++end;
    for (size_t c = first; c < end; ++c) {
      const ComposedColumn& column = story->columns[c];
      for (int32_t li = column.firstLine; li < column.firstLine + column.lineCount; ++li)
        Line(*story, story->lines[static_cast<size_t>(li)]);
    }
    for (const RuleStroke& r : story->rules) {
      if (r.column < static_cast<int32_t>(first) || r.column >= static_cast<int32_t>(end)) continue;
      c_.Line(QPointF(r.x1, r.y), QPointF(r.x2, r.y), r.ink, r.weight);
    }
    for (const PlacedInline& placed : story->inlines) {
      if (placed.column < static_cast<int32_t>(first) || placed.column >= static_cast<int32_t>(end))
        continue;
      auto item = db_.Query<IPageItem>(placed.item);
      if (!item) continue;
      // The item is drawn in its own coordinates, moved to where its line put it.
      const PMRect& own = item->Bounds();
      c_.Save();
      c_.Translate(placed.rect.left - own.left, placed.rect.top - own.top);
      Item(placed.item, depth + 1);
      c_.Restore();
    }
  }

  void Line(const ComposedStory& story, const ComposedLine& line) {
    const ComposedParagraph& para = story.paragraphs[static_cast<size_t>(line.paragraph)];
    if (para.layout) {
      // Laid out and kept: the line's glyphs are read from its layout.
      QTextLine ql = para.layout->lineAt(line.layoutLine);
      spans_.clear();
      ids_.clear();
      x_.clear();
      fonts_.clear();
      const FontIndex font = [&](const QGlyphRun& run, int32_t) {
        fonts_.push_back(run.rawFont());
        return static_cast<int32_t>(fonts_.size() - 1);
      };
      CollectLineGlyphs(ql, para.runs, story.anchorPaint, font, {spans_, ids_, x_});
      for (const GlyphSpan& span : spans_) Span(story, span, fonts_, ids_, x_, ql.x(), ql.y());
      return;
    }
    // Glyphs kept by a composition that let the layouts go, from the line's origin as Qt
    // set it: Qt keeps positions in 1/64 points, truncated.
    auto fixed = [](double v) { return std::trunc(v * 64) / 64; };
    const size_t pi = static_cast<size_t>(line.paragraph);
    if (pi >= story.paragraphSpans.size()) return;
    const uint32_t first = story.paragraphSpans[pi];
    const uint32_t last = pi + 1 < story.paragraphSpans.size()
                              ? story.paragraphSpans[pi + 1]
                              : static_cast<uint32_t>(story.spans.size());
    const auto spans = std::span(story.spans).subspan(first, last - first);
    auto span = std::lower_bound(spans.begin(), spans.end(), line.layoutLine,
                                 [](const GlyphSpan& g, int32_t v) { return g.line < v; });
    for (; span != spans.end() && span->line == line.layoutLine; ++span)
      Span(story, *span, story.fonts, story.glyphIds, story.glyphX, fixed(line.x),
           fixed(line.baseline - span->ascent));
  }

  // A span of glyphs whose line's top left corner is at (x, top).
  void Span(const ComposedStory& story, const GlyphSpan& span, const std::vector<QRawFont>& fonts,
            const std::vector<uint16_t>& ids, const std::vector<uint16_t>& x, double left,
            double top) {
    const TextPaint& paint = story.paints[static_cast<size_t>(span.paint)];
    if (paint.anchor || paint.hidden) return;
    const GlyphRunView run{fonts[static_cast<size_t>(span.font)],
                           ids.data() + span.first,
                           span.x,
                           x.data() + span.first,
                           span.count,
                           top + span.ascent + span.drop,
                           span.decorations};
    c_.Glyphs(QPointF(left, -paint.rise), run, paint.ink, paint.stretch);
  }

  PageCanvas& c_;
  PageDrawer& drawer_;
  const Document& doc_;
  const Database& db_;
  const CompositionState& state_;
  // A kept layout's line as spans, made again for each line drawn.
  std::vector<GlyphSpan> spans_;
  std::vector<uint16_t> ids_;
  std::vector<uint16_t> x_;
  std::vector<QRawFont> fonts_;
};

PageDrawer::PageDrawer(const Document& doc, const CompositionState& state, RenderReport& report)
    : doc_(doc), state_(state), report_(report), pictures_(std::make_unique<Pictures>()) {}

PageDrawer::~PageDrawer() = default;

void PageDrawer::Draw(const PageRef& page, PageCanvas& canvas) {
  page_number_ = page.documentIndex + 1;
  Walk(*this, canvas).Page(page);
}

const std::pair<fs::path, QImage>& PageDrawer::Load(const std::u16string& file) {
  auto [it, inserted] = pictures_->byName.try_emplace(file);
  if (inserted) {
    // A relative path is taken from the working folder, else from the document's.
    fs::path path = fs::path(file);
    std::error_code ec;
    if (path.is_relative() && !fs::exists(path, ec) && !doc_.File().empty())
      path = doc_.File().parent_path() / path;
    QImageReader reader(QString::fromStdString(path.string()));
    reader.setAutoTransform(false);
    it->second = {path, reader.read()};
    if (it->second.second.isNull())
      report_.warnings.push_back("cannot read the picture " + ToUtf8(file) + " (page " +
                                 std::to_string(page_number_) +
                                 "): " + reader.errorString().toStdString());
  }
  return it->second;
}

namespace {

QString ToQPath(const fs::path& p) {
  return QString::fromStdString(p.string());
}

}  // namespace

void PaintPage(QPainter& painter, const Document& doc, const CompositionState& state,
               const PageRef& page, RenderReport& report) {
  PainterCanvas canvas(painter);
  PageDrawer(doc, state, report).Draw(page, canvas);
}

ErrorCode RenderPng(const Document& doc, const CompositionState& state, const fs::path& folder,
                    double dpi, RenderReport& report, std::string* error) {
  if (!std::isfinite(dpi) || dpi < kMinDpi || dpi > kMaxDpi) {
    if (error) *error = "the resolution must be between 1 and 2400 dpi";
    return kInvalidArgument;
  }
  std::vector<PageRef> pages = DocumentPages(doc);
  if (pages.empty()) {
    if (error) *error = "the document has no pages";
    return kInvalidArgument;
  }
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    if (error) *error = "cannot make the folder " + folder.string();
    return kFailure;
  }
  const double scale = dpi / 72.0;
  PageDrawer drawer(doc, state, report);
  for (size_t i = 0; i < pages.size(); ++i) {
    const PMRect& b = pages[i].page.bounds;
    const double w = std::ceil(b.Width() * scale), h = std::ceil(b.Height() * scale);
    if (w > kMaxPixelSide || h > kMaxPixelSide || w < 1 || h < 1) {
      if (error) *error = "a page would be too large an image at this resolution";
      return kInvalidArgument;
    }
    QImage image(static_cast<int>(w), static_cast<int>(h), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
      if (error) *error = "not enough memory for a page image";
      return kFailure;
    }
    image.fill(Qt::white);
    const int dpm = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    {
      QPainter painter(&image);
      painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                             QPainter::SmoothPixmapTransform);
      painter.scale(scale, scale);
      PainterCanvas canvas(painter);
      drawer.Draw(pages[i], canvas);
    }
    char name[32];
    std::snprintf(name, sizeof name, "page-%03zu.png", i + 1);
    fs::path out = folder / name;
    if (!image.save(ToQPath(out), "PNG")) {
      if (error) *error = "cannot write " + out.string();
      return kFailure;
    }
    report.files.push_back(out);
    ++report.pages;
  }
  return kSuccess;
}

}  // namespace tarvelin
