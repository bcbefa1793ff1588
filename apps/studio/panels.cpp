#include "panels.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/measurement_units.h"
#include "document_view.h"
#include "frame_geometry.h"
#include "host/documents/document.h"
#include "host/documents/object_style.h"
#include "host/documents/page_item.h"
#include "host/documents/page_item_commands.h"
#include "host/text/style_table.h"
#include "host/text/swatch_list.h"
#include "layout/composer_style.h"
#include "layout/composition_state.h"
#include "layout/layout_service_qt.h"
#include "layout/renderer.h"
#include "studio_document.h"

namespace tarvelin::studio {

namespace {

QString Q(const std::u16string& s) {
  return QString::fromStdU16String(s);
}

QString SwatchName(const Database& db, UID swatch) {
  if (swatch == kInvalidUID) return QObject::tr("None");
  auto s = db.Query<ISwatch>(swatch);
  return s ? Q(s->Name()) : QObject::tr("None");
}

QIcon Chip(const QColor& colour) {
  QPixmap chip(16, 16);
  chip.fill(colour);
  QPainter p(&chip);
  p.setPen(Qt::gray);
  p.drawRect(0, 0, 15, 15);
  return QIcon(chip);
}

}  // namespace

namespace {

const MeasurementUnit* PanelUnit() {
  const QString name = PanelUnitName();
  for (const MeasurementUnit& unit : MeasurementUnits())
    if (QString::fromUtf8(unit.Name().data(), static_cast<int>(unit.Name().size())) == name)
      return &unit;
  return nullptr;
}

QString KindText(FrameKind kind) {
  switch (kind) {
    case FrameKind::kText:
      return Panel::tr("text");
    case FrameKind::kPicture:
      return Panel::tr("picture");
    default:
      return Panel::tr("empty");
  }
}

}  // namespace

double PointsPerPanelUnit() {
  const MeasurementUnit* unit = PanelUnit();
  return unit ? unit->PointsPerUnit() : 1;
}

QString PanelUnitName() {
  return QSettings().value("units", "points").toString();
}

void Panel::Show(DocumentView* view) {
  view_ = view;
  Refresh();
}

// ---------------------------------------------------------------- pages

PagesPanel::PagesPanel(QWidget* parent) : Panel(tr("Pages"), parent) {
  setObjectName("pagesPanel");
  list_ = new QListWidget(this);
  list_->setViewMode(QListView::IconMode);
  list_->setIconSize(QSize(96, 136));
  list_->setResizeMode(QListView::Adjust);
  list_->setMovement(QListView::Static);
  list_->setUniformItemSizes(true);
  setWidget(list_);
  connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (view_) view_->GoToPage(list_->row(item));
  });
  thumbnails_ = new QTimer(this);
  thumbnails_->setSingleShot(true);
  thumbnails_->setInterval(0);
  connect(thumbnails_, &QTimer::timeout, this, &PagesPanel::DrawNextThumbnail);
}

namespace {
// Thumbnails for the first pages only: a long document lists the rest by number.
constexpr int kThumbnails = 64;
}  // namespace

void PagesPanel::Refresh() {
  thumbnails_->stop();
  if (!view_ || !isVisible()) {
    list_->clear();
    return;
  }
  const int count = static_cast<int>(DocumentPages(view_->Doc().Doc()).size());
  if (list_->count() != count) {
    list_->clear();
    // A blank sheet until the thumbnail is drawn, so that every cell has its size.
    QPixmap blank(list_->iconSize());
    blank.fill(Qt::white);
    QPainter(&blank).drawRect(blank.rect().adjusted(0, 0, -1, -1));
    const QIcon sheet(blank);
    for (int i = 0; i < count; ++i) new QListWidgetItem(sheet, QString::number(i + 1), list_);
  }
  // Drawn one at a time while the studio is idle, over the old ones: a long document
  // opens, and a keystroke goes on, without waiting for them.
  next_ = 0;
  thumbnails_->start();
}

void PagesPanel::DrawNextThumbnail() {
  if (!view_ || next_ >= std::min(kThumbnails, list_->count())) return;
  StudioDocument& doc = view_->Doc();
  const auto pages = DocumentPages(doc.Doc());
  if (static_cast<size_t>(next_) >= pages.size()) return;
  const PageRef& page = pages[static_cast<size_t>(next_)];
  const CompositionState* state = doc.StateForPage(page);
  if (!state) return;
  const PMRect& b = page.page.bounds;
  const double scale = std::min(96 / b.Width(), 136 / b.Height());
  QImage image(std::max(1, int(b.Width() * scale)), std::max(1, int(b.Height() * scale)),
               QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(scale, scale);
  RenderReport report;
  PaintPage(p, doc.Doc(), *state, page, report);
  p.end();
  list_->item(next_)->setIcon(QIcon(QPixmap::fromImage(image)));
  ++next_;
  thumbnails_->start();
}

// ---------------------------------------------------------------- swatches

SwatchesPanel::SwatchesPanel(QWidget* parent) : Panel(tr("Swatches"), parent) {
  setObjectName("swatchesPanel");
  tree_ = new QTreeWidget(this);
  tree_->setHeaderLabels({tr("Name"), tr("Model"), tr("Values")});
  tree_->setRootIsDecorated(false);
  setWidget(tree_);
}

void SwatchesPanel::Refresh() {
  tree_->clear();
  if (!view_) return;
  const Document& doc = view_->Doc().Doc();
  const Database& db = doc.DataBase();
  auto list = db.Query<ISwatchList>(doc.TextWorkspaceRefs().swatches);
  if (!list) return;
  for (UID uid : list->Swatches()) {
    auto swatch = db.Query<ISwatch>(uid);
    if (!swatch) continue;
    const Colour& c = swatch->GetColour();
    QStringList values;
    for (size_t i = 0; i < ComponentCount(c.space); ++i)
      values << QString::number(c.components[i], 'g', 3);
    auto* item = new QTreeWidgetItem(
        tree_,
        {Q(swatch->Name()), QString(ColourSpaceName(c.space)) + (c.process ? "" : tr(" spot")),
         values.join(" ")});
    item->setIcon(0, Chip(ColourOf(c)));
  }
  tree_->resizeColumnToContents(0);
}

// ---------------------------------------------------------------- styles

StylesPanel::StylesPanel(QWidget* parent) : Panel(tr("Styles"), parent) {
  setObjectName("stylesPanel");
  tree_ = new QTreeWidget(this);
  tree_->setHeaderHidden(true);
  setWidget(tree_);
}

void StylesPanel::Refresh() {
  tree_->clear();
  if (!view_) return;
  const Document& doc = view_->Doc().Doc();
  const Database& db = doc.DataBase();
  const TextWorkspace refs = doc.TextWorkspaceRefs();
  auto group = [&](const QString& title, UID table) {
    auto* top = new QTreeWidgetItem(tree_, {title});
    if (auto styles = db.Query<IStyleTable>(table))
      for (const auto& [name, uid] : styles->Styles()) new QTreeWidgetItem(top, {Q(name)});
    top->setExpanded(true);
  };
  group(tr("Paragraph Styles"), refs.paragraphStyles);
  group(tr("Character Styles"), refs.characterStyles);
  auto* objects = new QTreeWidgetItem(tree_, {tr("Object Styles")});
  if (auto data = doc.Data())
    for (UID uid : data->ObjectStyles())
      if (auto style = db.Query<IObjectStyle>(uid))
        new QTreeWidgetItem(objects, {Q(style->Name())});
  objects->setExpanded(true);
}

// ---------------------------------------------------------------- properties

PropertiesPanel::PropertiesPanel(QWidget* parent) : Panel(tr("Properties"), parent) {
  setObjectName("propertiesPanel");
  auto* box = new QWidget(this);
  auto* layout = new QVBoxLayout(box);
  summary_ = new QLabel(box);
  summary_->setWordWrap(true);
  layout->addWidget(summary_);
  form_ = new QWidget(box);
  auto* form = new QFormLayout(form_);
  const char* boundNames[] = {"x", "y", "width", "height"};
  const char* insetNames[] = {"insetLeft", "insetTop", "insetRight", "insetBottom"};
  for (const char* n : boundNames) bounds_.push_back(Length(n));
  for (const char* n : insetNames) insets_.push_back(Length(n));
  stroke_ = Length("strokeWeight");
  gutter_ = Length("gutter");
  columns_ = new QSpinBox(form_);
  columns_->setObjectName("columns");
  columns_->setRange(1, 64);
  connect(columns_, &QSpinBox::editingFinished, this, &PropertiesPanel::Apply);
  fill_ = new QLabel(form_);
  strokeColour_ = new QLabel(form_);
  fit_ = new QLabel(form_);
  form->addRow(tr("X"), bounds_[0]);
  form->addRow(tr("Y"), bounds_[1]);
  form->addRow(tr("Width"), bounds_[2]);
  form->addRow(tr("Height"), bounds_[3]);
  form->addRow(tr("Fill"), fill_);
  form->addRow(tr("Stroke"), strokeColour_);
  form->addRow(tr("Stroke weight"), stroke_);
  for (int i = 0; i < 4; ++i)
    form->addRow(
        tr("Inset %1").arg(QStringList{tr("left"), tr("top"), tr("right"), tr("bottom")}[i]),
        insets_[static_cast<size_t>(i)]);
  form->addRow(tr("Columns"), columns_);
  form->addRow(tr("Gutter"), gutter_);
  form->addRow(tr("Fit"), fit_);
  layout->addWidget(form_);
  layout->addStretch();
  setWidget(box);
}

QDoubleSpinBox* PropertiesPanel::Length(const char* name) {
  auto* spin = new QDoubleSpinBox(form_);
  spin->setObjectName(name);
  spin->setRange(-100000, 100000);
  spin->setDecimals(3);
  spin->setKeyboardTracking(false);
  connect(spin, &QDoubleSpinBox::editingFinished, this, &PropertiesPanel::Apply);
  return spin;
}

void PropertiesPanel::Refresh() {
  filling_ = true;
  form_->setEnabled(false);
  summary_->setText(tr("No frame selected"));
  StudioDocument* doc = view_ ? &view_->Doc() : nullptr;
  const UIDList* items = doc ? &doc->Doc().GetSelection().LayoutItems() : nullptr;
  const CompositionState* state = items && items->size() == 1 ? doc->State() : nullptr;
  if (!state) {
    filling_ = false;
    return;
  }
  const Database& db = doc->Doc().DataBase();
  const UID uid = (*items)[0];
  auto pi = db.Query<IPageItem>(uid);
  if (!pi) {
    filling_ = false;
    return;
  }
  const double unit = PointsPerPanelUnit();
  const MeasurementUnit* panelUnit = PanelUnit();
  const QString suffix =
      panelUnit ? " " + QString::fromUtf8(panelUnit->Abbreviation().data(),
                                          static_cast<qsizetype>(panelUnit->Abbreviation().size()))
                : " pt";
  const PMRect shown = PlacedBounds(doc->Doc(), *state, uid).value_or(pi->Bounds());
  const bool inlineFrame = pi->AnchorStory() != kInvalidUID;
  const double values[] = {shown.left, shown.top, shown.Width(), shown.Height()};
  for (size_t i = 0; i < 4; ++i) {
    bounds_[i]->setSuffix(suffix);
    bounds_[i]->setValue(values[i] / unit);
    // An inline frame's place comes from its line; only its size is its own.
    bounds_[i]->setEnabled(!inlineFrame || i >= 2);
  }
  const FrameKind kind = KindOf(db, uid);
  summary_->setText(tr("%1 frame, UID %2%3")
                        .arg(KindText(kind))
                        .arg(uid)
                        .arg(inlineFrame ? tr(", inline") : QString()));
  auto graphics = db.Query<IGraphicAttributes>(uid);
  fill_->setText(graphics ? SwatchName(db, graphics->FillSwatch()) : tr("None"));
  strokeColour_->setText(graphics ? SwatchName(db, graphics->StrokeSwatch()) : tr("None"));
  stroke_->setSuffix(" pt");
  stroke_->setValue(graphics ? graphics->StrokeWeight() : 0);
  stroke_->setEnabled(graphics != nullptr);
  auto text = db.Query<ITextFrame>(uid);
  const Insets in = text ? text->TextInsets() : Insets{};
  const double insetValues[] = {in.left, in.top, in.right, in.bottom};
  for (size_t i = 0; i < 4; ++i) {
    insets_[i]->setSuffix(suffix);
    insets_[i]->setValue(insetValues[i] / unit);
    insets_[i]->setEnabled(text != nullptr);
  }
  columns_->setValue(text ? text->Columns() : 1);
  columns_->setEnabled(text != nullptr);
  gutter_->setSuffix(suffix);
  gutter_->setValue(text ? text->Gutter() / unit : 0);
  gutter_->setEnabled(text != nullptr);
  QString fit = tr("—");
  if (text) {
    const StoryFit f = doc->Layout().StoryState(doc->Doc(), text->Story());
    fit = f.overset ? tr("text does not fit (overset)") : tr("text fits");
  }
  fit_->setText(fit);
  form_->setEnabled(true);
  filling_ = false;
}

void PropertiesPanel::Apply() {
  if (filling_ || !view_) return;
  StudioDocument& doc = view_->Doc();
  const UIDList& items = doc.Doc().GetSelection().LayoutItems();
  if (items.size() != 1) return;
  Database& db = doc.Doc().DataBase();
  const UID uid = items[0];
  auto pi = db.Query<IPageItem>(uid);
  if (!pi) return;
  const double unit = PointsPerPanelUnit();
  const UIDList one = UIDList(UIDRef(&db, uid));
  // A field counts as edited only when it differs from the value it shows rounded, so an
  // edit of one field never rounds the others.
  auto edited = [unit](const QDoubleSpinBox* spin, double points) {
    const double shown = QString::number(points / unit, 'f', spin->decimals()).toDouble();
    return std::abs(spin->value() - shown) > 1e-9;
  };
  auto value = [unit, &edited](const QDoubleSpinBox* spin, double points) {
    return edited(spin, points) ? spin->value() * unit : points;
  };
  const PMRect own = pi->Bounds();
  const CompositionState* state = doc.State();
  const PMRect shown = state ? PlacedBounds(doc.Doc(), *state, uid).value_or(own) : own;
  const double x = value(bounds_[0], shown.left), y = value(bounds_[1], shown.top);
  const double w = value(bounds_[2], shown.Width()), h = value(bounds_[3], shown.Height());
  const PMRect wanted{own.left + x - shown.left, own.top + y - shown.top,
                      own.left + x - shown.left + w, own.top + y - shown.top + h};
  if (w > 0 && h > 0 && !(wanted == own)) SetBounds(doc.Doc(), UIDRef(&db, uid), wanted);
  if (auto graphics = db.Query<IGraphicAttributes>(uid);
      graphics && std::abs(graphics->StrokeWeight() - value(stroke_, graphics->StrokeWeight())) > 0)
    SetStrokeWeight(doc.Doc(), one, std::max(0.0, stroke_->value()));
  if (auto text = db.Query<ITextFrame>(uid)) {
    const Insets& was = text->TextInsets();
    const Insets in{value(insets_[0], was.left), value(insets_[1], was.top),
                    value(insets_[2], was.right), value(insets_[3], was.bottom)};
    if (!(in == was)) SetTextInsets(doc.Doc(), one, in);
    const double gutter = value(gutter_, text->Gutter());
    if (columns_->value() != text->Columns() || gutter != text->Gutter())
      SetColumns(doc.Doc(), one, columns_->value(), std::max(0.0, gutter));
  }
  Refresh();
}

}  // namespace tarvelin::studio
