#include "document_view.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLine>
#include <algorithm>
#include <cmath>

#include "frame_geometry.h"
#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "host/text/text_commands.h"
#include "layout/composition_state.h"
#include "layout/layout_service_qt.h"
#include "layout/renderer.h"
#include "studio_document.h"

namespace tarvelin::studio {

namespace {

constexpr double kGap = 24;  // pixels between pages and around them
const QColor kPasteboard(0xB8, 0xB8, 0xB8);
const QColor kMarginGuide(0xD0, 0x40, 0xD0);
const QColor kColumnGuide(0x80, 0x50, 0xE0);
const QColor kFrameEdge(0x60, 0x90, 0xE0);
const QColor kSelection(0x20, 0x60, 0xFF);
const QColor kOverset(0xE0, 0x20, 0x20);

QRectF ToQ(const PMRect& r) {
  return QRectF(r.left, r.top, r.Width(), r.Height());
}

QPen Cosmetic(const QColor& colour, double width = 1) {
  QPen pen(colour, width);
  pen.setCosmetic(true);
  return pen;
}

}  // namespace

DocumentView::DocumentView(StudioDocument& doc, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(doc) {
  setObjectName("documentView");
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  viewport()->setMouseTracking(false);
  viewport()->setAutoFillBackground(false);
  connect(&doc_, &StudioDocument::Changed, this, &DocumentView::OnDocumentChanged);
  // Overset markers wait for the whole composition; the pages drawn stay as they are.
  connect(&doc_, &StudioDocument::Composed, viewport(), qOverload<>(&QWidget::update));
  Relayout();
}

void DocumentView::OnDocumentChanged() {
  cache_.clear();
  lru_.clear();
  Relayout();
  viewport()->update();
}

void DocumentView::Relayout() {
  const double s = Scale();
  pages_.clear();
  double y = kGap, widest = 0;
  for (const PageRef& ref : DocumentPages(doc_.Doc())) {
    const double w = ref.page.bounds.Width() * s, h = ref.page.bounds.Height() * s;
    pages_.push_back({ref, QRectF(0, y, w, h)});
    widest = std::max(widest, w);
    y += h + kGap;
  }
  contentWidth_ = widest + 2 * kGap;
  contentHeight_ = y;
  for (Slot& slot : pages_) slot.rect.moveLeft((contentWidth_ - slot.rect.width()) / 2);
  UpdateScrollBars();
}

void DocumentView::UpdateScrollBars() {
  const QSize vp = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, static_cast<int>(contentWidth_) - vp.width()));
  horizontalScrollBar()->setPageStep(vp.width());
  verticalScrollBar()->setRange(0, std::max(0, static_cast<int>(contentHeight_) - vp.height()));
  verticalScrollBar()->setPageStep(vp.height());
  verticalScrollBar()->setSingleStep(40);
  horizontalScrollBar()->setSingleStep(40);
}

void DocumentView::SetZoom(double zoom) {
  zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
  if (std::abs(zoom - zoom_) < 1e-9) return;
  // The page at the top stays in view.
  const int page = CurrentPage();
  zoom_ = zoom;
  cache_.clear();
  lru_.clear();
  Relayout();
  GoToPage(page);
  viewport()->update();
  emit ZoomChanged(zoom_);
}

void DocumentView::FitPage() {
  if (pages_.empty()) return;
  const PMRect& b = pages_[static_cast<size_t>(std::max(0, CurrentPage()))].ref.page.bounds;
  const QSize vp = viewport()->size();
  const double per = kScreenDpi / 72.0;
  SetZoom(std::min((vp.width() - 2 * kGap) / (b.Width() * per),
                   (vp.height() - 2 * kGap) / (b.Height() * per)));
}

void DocumentView::FitWidth() {
  if (pages_.empty()) return;
  const PMRect& b = pages_[static_cast<size_t>(std::max(0, CurrentPage()))].ref.page.bounds;
  SetZoom((viewport()->width() - 2 * kGap) / (b.Width() * kScreenDpi / 72.0));
}

int DocumentView::CurrentPage() const {
  if (pages_.empty()) return -1;
  const double mid = verticalScrollBar()->value() + viewport()->height() / 3.0;
  auto it = std::partition_point(pages_.begin(), pages_.end(),
                                 [mid](const Slot& s) { return s.rect.bottom() + kGap < mid; });
  if (it == pages_.end()) --it;
  return static_cast<int>(it - pages_.begin());
}

void DocumentView::GoToPage(int index) {
  if (pages_.empty()) return;
  index = std::clamp(index, 0, PageCount() - 1);
  verticalScrollBar()->setValue(
      static_cast<int>(pages_[static_cast<size_t>(index)].rect.top() - kGap / 2));
  EmitPageIfChanged();
}

void DocumentView::EmitPageIfChanged() {
  const int page = CurrentPage();
  if (page != lastPage_) {
    lastPage_ = page;
    emit CurrentPageChanged(page);
  }
}

void DocumentView::SetTool(Tool tool) {
  tool_ = tool;
  viewport()->setCursor(tool == Tool::kText ? Qt::IBeamCursor : Qt::ArrowCursor);
  textAnchor_.reset();
}

void DocumentView::SetGuides(ViewGuides guides) {
  guides_ = guides;
  viewport()->update();
}

QPointF DocumentView::ContentOrigin() const {
  const double spare = std::max(0.0, (viewport()->width() - contentWidth_) / 2);
  return QPointF(spare - horizontalScrollBar()->value(), -verticalScrollBar()->value());
}

QPoint DocumentView::ViewportPoint(int page, double x, double y) const {
  const Slot& slot = pages_.at(static_cast<size_t>(page));
  const PMRect& b = slot.ref.page.bounds;
  const QPointF p = ContentOrigin() + slot.rect.topLeft() +
                    QPointF((x - b.left) * Scale(), (y - b.top) * Scale());
  return p.toPoint();
}

std::optional<DocumentView::Hit> DocumentView::HitAt(QPoint viewportPoint) const {
  const QPointF c = QPointF(viewportPoint) - ContentOrigin();
  for (size_t i = 0; i < pages_.size(); ++i) {
    const Slot& slot = pages_[i];
    if (c.y() < slot.rect.top() - kGap / 2 || c.y() > slot.rect.bottom() + kGap / 2) continue;
    const PMRect& b = slot.ref.page.bounds;
    return Hit{static_cast<int>(i), b.left + (c.x() - slot.rect.left()) / Scale(),
               b.top + (c.y() - slot.rect.top()) / Scale()};
  }
  return std::nullopt;
}

QImage DocumentView::PageImage(int page) {
  const Slot& slot = pages_.at(static_cast<size_t>(page));
  QImage image(std::max(1, static_cast<int>(std::lround(slot.rect.width()))),
               std::max(1, static_cast<int>(std::lround(slot.rect.height()))),
               QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  if (const CompositionState* state = doc_.StateForPage(slot.ref)) {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(Scale(), Scale());
    RenderReport report;
    PaintPage(p, doc_.Doc(), *state, slot.ref, report);
  }
  return image;
}

const QPixmap& DocumentView::PagePixmap(int page) {
  auto it = cache_.find(page);
  if (it != cache_.end()) {
    lru_.splice(lru_.begin(), lru_, it->second.second);
    return it->second.first;
  }
  if (cache_.size() >= kCachePages) {
    cache_.erase(lru_.back());
    lru_.pop_back();
  }
  lru_.push_front(page);
  auto& entry = cache_[page];
  entry = {QPixmap::fromImage(PageImage(page)), lru_.begin()};
  return entry.first;
}

void DocumentView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  p.fillRect(viewport()->rect(), kPasteboard);
  if (pages_.empty()) return;
  const QPointF origin = ContentOrigin();
  const double top = -origin.y(), bottom = top + viewport()->height();
  auto first = std::partition_point(pages_.begin(), pages_.end(),
                                    [top](const Slot& s) { return s.rect.bottom() < top; });
  for (auto it = first; it != pages_.end() && it->rect.top() <= bottom; ++it) {
    const int index = static_cast<int>(it - pages_.begin());
    const QRectF r = it->rect.translated(origin);
    p.fillRect(r.translated(3, 3), QColor(0, 0, 0, 60));
    p.drawPixmap(r.topLeft(), PagePixmap(index));
    PaintOverlay(p, index);
  }
  PaintSelection(p);
}

void DocumentView::PaintOverlay(QPainter& p, int page) {
  const Slot& slot = pages_[static_cast<size_t>(page)];
  const PMRect& b = slot.ref.page.bounds;
  const CompositionState* state = doc_.StateForPage(slot.ref);
  const Database& db = doc_.Doc().DataBase();
  p.save();
  p.translate(ContentOrigin() + slot.rect.topLeft());
  p.scale(Scale(), Scale());
  p.translate(-b.left, -b.top);
  p.setClipRect(ToQ(b));
  p.setBrush(Qt::NoBrush);
  if (guides_.margins) {
    const PMRect area = Deflate(b, slot.ref.page.margins);
    p.setPen(Cosmetic(kMarginGuide));
    p.drawRect(ToQ(area));
    const int columns = slot.ref.page.columns;
    if (columns > 1) {
      const double width = (area.Width() - (columns - 1) * slot.ref.page.gutter) / columns;
      p.setPen(Cosmetic(kColumnGuide));
      for (int c = 1; c < columns; ++c) {
        const double x = area.left + c * width + (c - 1) * slot.ref.page.gutter;
        p.drawLine(QPointF(x, area.top), QPointF(x, area.bottom));
        p.drawLine(QPointF(x + slot.ref.page.gutter, area.top),
                   QPointF(x + slot.ref.page.gutter, area.bottom));
      }
    }
  }
  auto spread = db.Query<ISpread>(slot.ref.spread);
  if (spread && state && (guides_.frameEdges || guides_.overset)) {
    for (UID sl : spread->SpreadLayers()) {
      auto layer = db.Query<ISpreadLayer>(sl);
      if (!layer) continue;
      for (UID item : layer->Items()) {
        auto pi = db.Query<IPageItem>(item);
        if (!pi) continue;
        const QRectF r = ToQ(pi->Bounds());
        if (guides_.frameEdges) {
          p.setPen(Cosmetic(kFrameEdge));
          p.drawRect(r);
          size_t first = 0;
          if (const ComposedStory* story = state->StoryInFrame(item, &first)) {
            p.setPen(Cosmetic(kFrameEdge.lighter(130)));
            for (const PlacedInline& placed : story->inlines) {
              if (story->columns[static_cast<size_t>(placed.column)].frame.frame != item) continue;
              if (auto placedRect = PlacedBounds(doc_.Doc(), *state, placed.item))
                p.drawRect(ToQ(*placedRect));
            }
          }
        }
        auto frame = db.Query<ITextFrame>(item);
        if (guides_.overset && frame && frame->NextFrame() == kInvalidUID &&
            doc_.Layout().StoryState(doc_.Doc(), frame->Story()).overset) {
          // A small red box with a plus at the frame's bottom right corner.
          const double side = 8 / Scale();
          QRectF mark(r.right() - side * 1.5, r.bottom() - side * 1.5, side, side);
          p.setPen(Cosmetic(kOverset, 1.5));
          p.fillRect(mark, Qt::white);
          p.drawRect(mark);
          p.drawLine(QPointF(mark.center().x(), mark.top() + side * 0.2),
                     QPointF(mark.center().x(), mark.bottom() - side * 0.2));
          p.drawLine(QPointF(mark.left() + side * 0.2, mark.center().y()),
                     QPointF(mark.right() - side * 0.2, mark.center().y()));
        }
      }
    }
  }
  p.restore();
}

void DocumentView::PaintSelection(QPainter& p) {
  const Selection& sel = doc_.Doc().GetSelection();
  if (sel.IsEmpty()) return;
  const CompositionState* state = doc_.State();
  if (!state) return;
  const Document& doc = doc_.Doc();
  auto toView = [&](UID item, const PMRect& r) -> std::optional<QRectF> {
    const UID spread = SpreadOf(doc, item);
    for (size_t i = 0; i < pages_.size(); ++i) {
      const Slot& slot = pages_[i];
      if (slot.ref.spread != spread) continue;
      const PMRect& b = slot.ref.page.bounds;
      const double cx = (r.left + r.right) / 2;
      if (cx < b.left || cx > b.right) continue;
      const QPointF tl = ContentOrigin() + slot.rect.topLeft() +
                         QPointF((r.left - b.left) * Scale(), (r.top - b.top) * Scale());
      return QRectF(tl, QSizeF(r.Width() * Scale(), r.Height() * Scale()));
    }
    return std::nullopt;
  };
  p.save();
  if (const auto& text = sel.Text()) {
    const ComposedStory* story = state->Story(text->story);
    if (!story) {
      p.restore();
      return;
    }
    auto caret = [&](int32_t index) -> std::optional<QRectF> {
      auto r = CaretRect(doc, *state, text->story, index);
      if (!r) return std::nullopt;
      const UID frame = story->lines.empty() ? kInvalidUID : story->columns[0].frame.frame;
      PMRect pr{r->left(), r->top(), r->right(), r->bottom()};
      auto line = std::partition_point(story->lines.begin(), story->lines.end(),
                                       [index](const ComposedLine& l) { return l.end <= index; });
      UID holder = line != story->lines.end()
                       ? story->columns[static_cast<size_t>(line->column)].frame.frame
                       : frame;
      return toView(holder, pr);
    };
    if (text->start == text->end) {
      if (auto r = caret(text->start)) {
        p.setPen(QPen(Qt::black, 1.5));
        p.drawLine(r->topLeft(), r->bottomLeft());
      }
    } else {
      // The range line by line, from its start (or the line's) to its end (or the line's).
      for (const ComposedLine& line : story->lines) {
        if (line.end <= text->start || line.start >= text->end) continue;
        auto a = caret(std::max(line.start, text->start));
        auto b = caret(std::min(line.end, text->end));
        if (!a || !b || std::abs(a->top() - b->top()) > 0.5) {
          if (a)
            p.fillRect(QRectF(a->topLeft(), QSizeF(line.width * Scale() / 2, a->height())),
                       QColor(60, 120, 255, 90));
          continue;
        }
        p.fillRect(QRectF(a->topLeft(), QPointF(b->left(), a->bottom())), QColor(60, 120, 255, 90));
      }
    }
  } else {
    p.setPen(QPen(kSelection, 1.5));
    for (UID item : sel.LayoutItems()) {
      auto bounds = PlacedBounds(doc, *state, item);
      auto r = bounds ? toView(item, *bounds) : std::nullopt;
      if (!r) continue;
      p.setBrush(Qt::NoBrush);
      p.drawRect(*r);
      p.setBrush(Qt::white);
      for (const QPointF& corner :
           {r->topLeft(), r->topRight(), r->bottomLeft(), r->bottomRight(),
            QPointF(r->center().x(), r->top()), QPointF(r->center().x(), r->bottom()),
            QPointF(r->left(), r->center().y()), QPointF(r->right(), r->center().y())})
        p.drawRect(QRectF(corner - QPointF(3, 3), QSizeF(6, 6)));
    }
  }
  p.restore();
}

void DocumentView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void DocumentView::scrollContentsBy(int, int) {
  viewport()->update();
  EmitPageIfChanged();
}

void DocumentView::mousePressEvent(QMouseEvent* event) {
  setFocus();
  if (event->button() != Qt::LeftButton) return;
  auto hit = HitAt(event->position().toPoint());
  const CompositionState* state = doc_.State();
  Selection& sel = doc_.Doc().GetSelection();
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  if (!hit || !state) {
    if (!shift) sel.Clear();
  } else if (tool_ == Tool::kText) {
    PlaceCaret(*hit, shift);
  } else {
    const PageRef& page = pages_[static_cast<size_t>(hit->page)].ref;
    const UID item = ItemAt(doc_.Doc(), *state, page, hit->x, hit->y);
    Database* db = &doc_.Doc().DataBase();
    if (shift) {
      UIDList items = sel.Text() ? UIDList(db) : sel.LayoutItems();
      if (items.empty()) items = UIDList(db);
      if (item != kInvalidUID && !items.Remove(item)) items.Append(item);
      sel.SelectItems(items);
    } else if (item != kInvalidUID) {
      sel.SelectItems(UIDList(UIDRef(db, item)));
    } else {
      sel.Clear();
    }
  }
  viewport()->update();
  emit SelectionChanged();
}

void DocumentView::mouseMoveEvent(QMouseEvent* event) {
  if (tool_ != Tool::kText || !(event->buttons() & Qt::LeftButton)) return;
  if (auto hit = HitAt(event->position().toPoint())) {
    PlaceCaret(*hit, true);
    viewport()->update();
    emit SelectionChanged();
  }
}

void DocumentView::PlaceCaret(const Hit& hit, bool extend) {
  const CompositionState* state = doc_.State();
  Selection& sel = doc_.Doc().GetSelection();
  auto text = TextAt(doc_.Doc(), *state, pages_[static_cast<size_t>(hit.page)].ref, hit.x, hit.y);
  if (!text) {
    if (!extend) {
      sel.Clear();
      textAnchor_.reset();
    }
    return;
  }
  if (extend && textAnchor_ && textAnchor_->story == text->story) {
    const int32_t a = textAnchor_->start;
    sel.SelectText(&doc_.Doc().DataBase(),
                   {text->story, std::min(a, text->index), std::max(a, text->index)});
  } else {
    textAnchor_ = StoryRange{text->story, text->index, text->index};
    sel.SelectText(&doc_.Doc().DataBase(), *textAnchor_);
  }
}

void DocumentView::EditText(const QString& typed, int key) {
  Selection& sel = doc_.Doc().GetSelection();
  const auto& range = sel.Text();
  const CompositionState* state = doc_.State();
  const ComposedStory* story = range && state ? state->Story(range->story) : nullptr;
  if (!story) return;
  Database& db = doc_.Doc().DataBase();
  const UIDRef ref(&db, range->story);
  // The end-of-story character is never edited.
  const int32_t last = std::max(0, story->totalLength - 1);
  int32_t start = std::min(range->start, last), end = std::min(range->end, last);
  if (key == Qt::Key_Backspace && start == end) start = std::max(0, start - 1);
  if (key == Qt::Key_Delete && start == end) end = std::min(last, end + 1);
  if (typed.isEmpty() && start == end) return;
  AbortableSequence sequence(db.Commands(), typed.isEmpty() ? tr("Delete text").toStdU16String()
                                                            : tr("Typing").toStdU16String());
  if (end > start && DeleteText(ref, static_cast<size_t>(start), static_cast<size_t>(end - start)))
    return;
  if (!typed.isEmpty() && InsertText(ref, static_cast<size_t>(start), typed.toStdU16String()))
    return;
  const int32_t caret = start + static_cast<int32_t>(typed.size());
  sequence.End();
  textAnchor_ = StoryRange{range->story, caret, caret};
  sel.SelectText(&db, *textAnchor_);
  emit SelectionChanged();
}

void DocumentView::keyPressEvent(QKeyEvent* event) {
  Selection& sel = doc_.Doc().GetSelection();
  switch (event->key()) {
    case Qt::Key_Escape:
      sel.Clear();
      textAnchor_.reset();
      viewport()->update();
      emit SelectionChanged();
      return;
    case Qt::Key_PageDown:
      GoToPage(CurrentPage() + 1);
      return;
    case Qt::Key_PageUp:
      GoToPage(CurrentPage() - 1);
      return;
    default:
      break;
  }
  if (tool_ == Tool::kText && sel.Text()) {
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) {
      EditText({}, event->key());
      return;
    }
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
      const int32_t delta = event->key() == Qt::Key_Left ? -1 : 1;
      const StoryRange r = *sel.Text();
      const int32_t at =
          std::max(0, (delta < 0 ? r.start : r.end) + (r.start == r.end ? delta : 0));
      textAnchor_ = StoryRange{r.story, at, at};
      sel.SelectText(&doc_.Doc().DataBase(), *textAnchor_);
      viewport()->update();
      emit SelectionChanged();
      return;
    }
    QString text = event->text();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) text = QChar(0x000D);
    if (!text.isEmpty() && (text[0].isPrint() || text[0] == QChar(0x000D))) {
      EditText(text, 0);
      return;
    }
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void DocumentView::inputMethodEvent(QInputMethodEvent* event) {
  if (tool_ == Tool::kText && !event->commitString().isEmpty()) EditText(event->commitString(), 0);
}

void DocumentView::wheelEvent(QWheelEvent* event) {
  if (event->modifiers() & Qt::ControlModifier) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0) ZoomBy(std::pow(1.25, steps));
    return;
  }
  QAbstractScrollArea::wheelEvent(event);
}

}  // namespace tarvelin::studio
