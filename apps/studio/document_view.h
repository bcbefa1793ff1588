// The page view of one document: its pages one below the other on a grey pasteboard,
// drawn by the renderer that writes the PNGs and PDFs, with guides, frame edges, overset
// markers and the selection drawn over them.
//
// Only pages that meet the viewport are drawn. Each drawn page is kept as a pixmap at the
// current zoom in a bounded cache, emptied when the document changes or the zoom does, so
// scrolling over pages already seen only copies pixmaps.
//
// Two tools: the selection tool selects the frame under the pointer (Shift adds, Escape
// clears); the text tool places the caret in a story, selects a range by dragging or
// Shift-click, and edits the story with the host's text commands.
#pragma once

#include <QAbstractScrollArea>
#include <QPixmap>
#include <list>
#include <optional>
#include <unordered_map>
#include <vector>

#include "host/documents/selection.h"
#include "host/documents/spread.h"

namespace tarvelin::studio {

class StudioDocument;

enum class Tool { kSelection, kText };

struct ViewGuides {
  bool margins = true;     // margin and column guides
  bool frameEdges = true;  // the edges of every frame
  bool overset = true;     // the red marker on frames whose story does not fit
};

class DocumentView final : public QAbstractScrollArea {
  Q_OBJECT
 public:
  static constexpr double kMinZoom = 0.10;
  static constexpr double kMaxZoom = 16.0;
  // Pixels per point at 100 %.
  static constexpr double kScreenDpi = 96.0;

  explicit DocumentView(StudioDocument& doc, QWidget* parent = nullptr);
  StudioDocument& Doc() const { return doc_; }

  double Zoom() const { return zoom_; }
  void SetZoom(double zoom);
  void ZoomBy(double factor) { SetZoom(zoom_ * factor); }
  void FitPage();
  void FitWidth();

  int PageCount() const { return static_cast<int>(pages_.size()); }
  // The page at the top of the viewport, 0-based.
  int CurrentPage() const;
  void GoToPage(int index);

  Tool CurrentTool() const { return tool_; }
  void SetTool(Tool tool);
  ViewGuides Guides() const { return guides_; }
  void SetGuides(ViewGuides guides);

  // Where a point of a page (spread coordinates) is in the viewport.
  QPoint ViewportPoint(int page, double x, double y) const;
  // The page as the view draws it at the current zoom, without guides or selection.
  QImage PageImage(int page);
  // Pages in the cache; for the cache's tests and the speed figures.
  int CachedPages() const { return static_cast<int>(cache_.size()); }

 signals:
  void ZoomChanged(double zoom);
  void CurrentPageChanged(int page);
  void SelectionChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  bool focusNextPrevChild(bool) override { return false; }

 private:
  struct Slot {
    PageRef ref;
    QRectF rect;  // in content pixels
  };
  struct Hit {
    int page = -1;
    double x = 0, y = 0;  // spread coordinates
  };

  void OnDocumentChanged();
  void Relayout();
  void UpdateScrollBars();
  double Scale() const { return zoom_ * kScreenDpi / 72.0; }
  QPointF ContentOrigin() const;
  std::optional<Hit> HitAt(QPoint viewportPoint) const;
  const QPixmap& PagePixmap(int page);
  void PaintOverlay(QPainter& p, int page);
  void PaintSelection(QPainter& p);
  void PlaceCaret(const Hit& hit, bool extend);
  void EditText(const QString& text, int key);
  void EmitPageIfChanged();

  StudioDocument& doc_;
  std::vector<Slot> pages_;
  double zoom_ = 1.0;
  double contentWidth_ = 0, contentHeight_ = 0;
  Tool tool_ = Tool::kSelection;
  ViewGuides guides_;
  // Text tool: the end of the range that moves; the other end is the anchor.
  std::optional<StoryRange> textAnchor_;
  int lastPage_ = -1;

  // The page cache, most recently used first.
  static constexpr size_t kCachePages = 48;
  std::list<int> lru_;
  std::unordered_map<int, std::pair<QPixmap, std::list<int>::iterator>> cache_;
};

}  // namespace tarvelin::studio
