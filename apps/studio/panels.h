// The host's panels, as dock widgets of the main window: Pages (thumbnails, click to
// go), Swatches, Paragraph and Character styles, Object styles, and Properties (the
// selected frame's geometry and attributes, edited through page-item commands, so each
// edit undoes). Each panel follows the document it is shown and is refreshed when that
// document changes or its selection does.
#pragma once

#include <QDockWidget>
#include <QPointer>
#include <vector>

class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QListWidget;
class QSpinBox;
class QTimer;
class QTreeWidget;

namespace tarvelin::studio {

class DocumentView;

// The unit the panels show lengths in, by the name MeasurementUnits() gives it.
double PointsPerPanelUnit();
QString PanelUnitName();

class Panel : public QDockWidget {
  Q_OBJECT
 public:
  using QDockWidget::QDockWidget;
  // The view whose document the panel shows (null: none open).
  void Show(DocumentView* view);
  virtual void Refresh() = 0;

 protected:
  QPointer<DocumentView> view_;
};

class PagesPanel final : public Panel {
  Q_OBJECT
 public:
  explicit PagesPanel(QWidget* parent);
  void Refresh() override;

 private:
  void DrawNextThumbnail();

  QListWidget* list_;
  QTimer* thumbnails_;
  int next_ = 0;  // the next page whose thumbnail is drawn
};

class SwatchesPanel final : public Panel {
  Q_OBJECT
 public:
  explicit SwatchesPanel(QWidget* parent);
  void Refresh() override;

 private:
  QTreeWidget* tree_;
};

class StylesPanel final : public Panel {
  Q_OBJECT
 public:
  explicit StylesPanel(QWidget* parent);
  void Refresh() override;

 private:
  QTreeWidget* tree_;
};

class PropertiesPanel final : public Panel {
  Q_OBJECT
 public:
  explicit PropertiesPanel(QWidget* parent);
  void Refresh() override;

 private:
  void Apply();
  QDoubleSpinBox* Length(const char* name);

  QLabel* summary_;
  QWidget* form_;
  std::vector<QDoubleSpinBox*> bounds_;  // x, y, width, height
  std::vector<QDoubleSpinBox*> insets_;  // left, top, right, bottom
  QDoubleSpinBox* stroke_;
  QSpinBox* columns_;
  QDoubleSpinBox* gutter_;
  QLabel* fill_;
  QLabel* strokeColour_;
  QLabel* fit_;
  bool filling_ = false;
};

}  // namespace tarvelin::studio
