// The plug-in's page of the host's Preferences dialog: the registered preferences as a
// tree of label/value rows, and one editor at a time for the selected row (an edit box,
// a drop-down list, or an edit box with "Change" and a folder chooser). Edits go into the
// rows; Apply writes the rows the user selected in one preference command, so rows never
// selected keep their stored values and a dialog closed without Apply stores nothing.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "preferences/preference_model.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarvelin {
class KCommonPreferenceTypesList;
class SessionWorkspace;
}  // namespace tarvelin

namespace tarvelin::studio::face {

// The host page ID under which the page is added to the Preferences dialog.
inline constexpr uint32_t kPreferencesPageID = 0x699;

class PreferencesPage final : public QWidget {
  Q_OBJECT
 public:
  // The folder chooser: the chosen folder, or nullopt when cancelled.
  using FolderChooser = std::function<std::optional<QString>(const QString& start)>;

  // Registry and workspace must outlive the page; without a chooser, the host's.
  PreferencesPage(const KCommonPreferenceTypesList& registry, SessionWorkspace* workspace,
                  FolderChooser chooser = {}, QWidget* parent = nullptr);

  // Writes the selected rows in one command; false when the workspace has no data or the
  // command failed (nothing stored). True with nothing to write.
  bool Apply();

  QTreeWidget* Tree() const { return tree_; }
  QLineEdit* EditBox() const { return edit_; }
  QComboBox* DropDown() const { return choice_; }
  QPushButton* ChangeButton() const { return change_; }
  // The row of a stored key ("image_folder2:"), or null.
  QTreeWidgetItem* RowOf(const std::u16string& key) const;

 private:
  void Fill();
  void AddRows(QTreeWidgetItem* parent, const std::u16string& nodeName);
  void RowSelected();
  void WriteEditorIntoRow();
  void ChooseFolder();
  void ToggleSelected();

  const KCommonPreferenceTypesList& registry_;
  SessionWorkspace* workspace_;
  FolderChooser chooser_;
  KCommonPrefeernceModel model_;
  QTreeWidget* tree_;
  QLineEdit* edit_;
  QComboBox* choice_;
  QPushButton* change_;
  QTreeWidgetItem* editing_ = nullptr;
  int32_t editing_type_ = 0;
  std::vector<QTreeWidgetItem*> selected_;  // one entry per selection, in order
  bool preparing_ = false;
};

}  // namespace tarvelin::studio::face
