#include "attributes_panel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QTreeWidget>

#include "core/diagnostics.h"
#include "face_fonts.h"
#include "face_icons.h"
#include "face_text.h"
#include "host/application/action_manager.h"
#include "host/application/active_context.h"
#include "plugin_menus.h"

namespace tarvelin::studio::face {

namespace {

using PanelButton = AttributesPanelModel::Button;

QRect Points(int left, int top, int right, int bottom) {
  return QRect(left, top, right - left, bottom - top);
}

struct ButtonSpec {
  PanelButton button;
  int icon;
  const char* tooltipKey;  // null: no tooltip
  QRect where;
};

const ButtonSpec kButtons[] = {
    {PanelButton::kReconnect, kReconnectIcon,
     "0x113380kZevStringReconnectMissingGraphicFileTooltipKey", Points(149, 264, 179, 280)},
    {PanelButton::kShowLog, kShowLogIcon, "0x113380kZevStringShowLogKey",
     Points(184, 264, 214, 280)},
    {PanelButton::kProcess, kProcessIcon, nullptr, Points(219, 264, 249, 280)},
    {PanelButton::kImportAndProcess, kImportAndProcessIcon, "0x113380kZevStringImportAndProcessKey",
     Points(254, 264, 284, 280)},
};

}  // namespace

AttributesPanel::AttributesPanel(ActiveContext& context, ActionManager& actions,
                                 PerformAction perform, QWidget* parent)
    : QWidget(parent), context_(context), actions_(actions), perform_(std::move(perform)) {
  setWindowTitle(Tr("0x113380kVorrinPanelTitleKey"));
  setFixedSize(301, 281);
  UseFont(this, FaceFont::kBody);
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("attributeList"));
  list_->setGeometry(Points(0, 9, 300, 260));
  list_->setColumnCount(2);
  list_->setHeaderHidden(true);
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::NoSelection);
  list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  missing_ = new QLabel(Tr(AttributesPanelModel::kMissingImageTextKey), this);
  missing_->setObjectName(QStringLiteral("missingImageText"));
  missing_->setGeometry(Points(19, 264, 140, 281));
  missing_->hide();
  for (const ButtonSpec& spec : kButtons) {
    auto* b = new QToolButton(this);
    b->setAutoRaise(true);
    b->setGeometry(spec.where);
    b->setIcon(FaceIcon(spec.icon));
    b->setIconSize(FacePixmap(spec.icon).size());
    if (spec.tooltipKey) b->setToolTip(Tr(spec.tooltipKey));
    const uint32_t action = AttributesPanelModel::ActionFor(spec.button);
    connect(b, &QToolButton::clicked, this, [this, action] {
      if (perform_)
        perform_(action);
      else
        actions_.PerformAction(action);
    });
    buttons_[static_cast<size_t>(spec.button)] = b;
  }
  Button(PanelButton::kReconnect)->hide();
  FollowFrontDocument();
}

AttributesPanel::~AttributesPanel() {
  StopFollowing();
}

QToolButton* AttributesPanel::Button(AttributesPanelModel::Button button) const {
  return buttons_[static_cast<size_t>(button)];
}

void AttributesPanel::StopFollowing() {
  // A closed document took its selection and its observers with it.
  if (followed_ && context_.Contains(followed_))
    followed_->GetSelection().RemoveObserver(observer_);
  followed_ = nullptr;
  observer_ = 0;
}

void AttributesPanel::FollowFrontDocument() {
  StopFollowing();
  if (Document* front = context_.FrontDocument()) {
    followed_ = front;
    observer_ = front->GetSelection().AddObserver([this](const Selection&) { Refresh(); });
  }
  Refresh();
}

void AttributesPanel::Refresh() {
  model_.Refresh(context_);
  Redraw();
}

void AttributesPanel::Redraw() {
  list_->clear();
  for (size_t i = 0; i < model_.RowCount(); ++i) {
    std::u16string name, value;
    if (!model_.Row(i, &name, &value)) continue;
    list_->addTopLevelItem(new QTreeWidgetItem(QStringList{ToQ(name), ToQ(value)}));
  }
  const bool missing = model_.ImageMissingShown();
  missing_->setVisible(missing);
  Button(PanelButton::kReconnect)->setVisible(missing);
  for (PanelButton b : {PanelButton::kReconnect, PanelButton::kShowLog, PanelButton::kProcess,
                        PanelButton::kImportAndProcess}) {
    QToolButton* button = Button(b);
    if (!button) {
      diag::Write("Error getting widget from panel.\n");
      return;
    }
    button->setEnabled(model_.IsEnabled(b) &&
                       actions_.IsEnabled(AttributesPanelModel::ActionFor(b)));
  }
}

std::unique_ptr<QMenu> AttributesPanel::MakePopupMenu() {
  auto menu = std::make_unique<QMenu>(this);
  FillMenu(*menu, kPopupMenuPath, actions_, perform_);
  return menu;
}

void AttributesPanel::contextMenuEvent(QContextMenuEvent* event) {
  std::unique_ptr<QMenu> menu = MakePopupMenu();
  menu->exec(event->globalPos());
}

}  // namespace tarvelin::studio::face
