// The attributes panel: the advertisement attributes of the current selection as a
// two-column list, the missing-image text with its reconnect button, and the buttons
// that show the log, process and import. It draws an AttributesPanelModel; the buttons
// and the pop-up menu perform the plug-in's actions through the action manager.
//
// Geometry in points, one to a logical pixel (the panel is 301 x 281): list 0,9-300,260;
// missing-image text 19,264-140,281; reconnect 149,264-179,280; show log 184,264-214,280; process
// 219,264-249,280; import and process 254,264-284,280.
#pragma once

#include <QWidget>
#include <array>

#include "attributes/attributes_panel_model.h"
#include "host/documents/selection.h"
#include "plugin_menus.h"

class QLabel;
class QMenu;
class QToolButton;
class QTreeWidget;

namespace tarvelin {
class ActionManager;
class ActiveContext;
class Document;
}  // namespace tarvelin

namespace tarvelin::studio::face {

class AttributesPanel final : public QWidget {
  Q_OBJECT
 public:
  // Context and actions must outlive the panel; `perform` runs the buttons' and the
  // pop-up menu's actions (empty: the action manager runs them).
  AttributesPanel(ActiveContext& context, ActionManager& actions, PerformAction perform = {},
                  QWidget* parent = nullptr);
  ~AttributesPanel() override;

  // Follows the front document's selection (call again when the front document changes);
  // refreshes at once.
  void FollowFrontDocument();
  // Rebuilds the model from the front document's selection and redraws.
  void Refresh();

  const AttributesPanelModel& Model() const { return model_; }
  QTreeWidget* List() const { return list_; }
  QLabel* MissingImageText() const { return missing_; }
  QToolButton* Button(AttributesPanelModel::Button button) const;
  // The pop-up menu, rebuilt from the plug-in's menu definitions each time.
  std::unique_ptr<QMenu> MakePopupMenu();

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void Redraw();
  void StopFollowing();

  ActiveContext& context_;
  ActionManager& actions_;
  PerformAction perform_;
  AttributesPanelModel model_;
  QTreeWidget* list_;
  QLabel* missing_;
  std::array<QToolButton*, 4> buttons_{};
  Document* followed_ = nullptr;
  Selection::ObserverId observer_ = 0;
};

}  // namespace tarvelin::studio::face
