#include "preferences_page.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "core/diagnostics.h"
#include "face_fonts.h"
#include "face_text.h"
#include "preferences/preference_data.h"
#include "preferences/preference_types.h"
#include "tagged/file_choosers.h"

namespace tarvelin::studio::face {

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kTypeRole = Qt::UserRole + 1;
const std::u16string kRootName = u"/tarvelin/preferences/";

std::u16string KeyOf(const QTreeWidgetItem* row) {
  return FromQ(row->data(0, kKeyRole).toString());
}
int32_t TypeOf(const QTreeWidgetItem* row) {
  return row->data(0, kTypeRole).toInt();
}

}  // namespace

PreferencesPage::PreferencesPage(const KCommonPreferenceTypesList& registry,
                                 SessionWorkspace* workspace, FolderChooser chooser,
                                 QWidget* parent)
    : QWidget(parent),
      registry_(registry),
      workspace_(workspace),
      chooser_(std::move(chooser)),
      model_(registry) {
  setWindowTitle(Tr("0x113380kCommonPreferencesStringKey"));
  UseFont(this, FaceFont::kBody);  // the tree and the editors
  auto* title = new QLabel(windowTitle(), this);
  title->setObjectName(QStringLiteral("pageTitle"));
  UseFont(title, FaceFont::kTitle);
  tree_ = new QTreeWidget(this);
  tree_->setColumnCount(2);
  tree_->setHeaderHidden(true);
  tree_->setExpandsOnDoubleClick(false);
  tree_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  edit_ = new QLineEdit(this);
  choice_ = new QComboBox(this);
  change_ = new QPushButton(Tr("0x113380kGPSPChangeKey"), this);
  auto* editors = new QHBoxLayout;
  editors->addWidget(edit_, 1);
  editors->addWidget(choice_, 1);
  editors->addWidget(change_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addWidget(tree_, 1);
  layout->addLayout(editors);

  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &PreferencesPage::RowSelected);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, &PreferencesPage::ToggleSelected);
  connect(edit_, &QLineEdit::textEdited, this, &PreferencesPage::WriteEditorIntoRow);
  connect(edit_, &QLineEdit::editingFinished, this, &PreferencesPage::WriteEditorIntoRow);
  connect(choice_, &QComboBox::currentIndexChanged, this, &PreferencesPage::WriteEditorIntoRow);
  connect(change_, &QPushButton::clicked, this, &PreferencesPage::ChooseFolder);
  Fill();
}

void PreferencesPage::Fill() {
  model_.SetRoot(kRootName);
  tree_->clear();
  selected_.clear();
  editing_ = nullptr;
  editing_type_ = 0;
  AddRows(nullptr, kRootName);
  tree_->expandAll();
  tree_->clearSelection();
  edit_->clear();
  edit_->hide();
  choice_->hide();
  change_->hide();
}

void PreferencesPage::AddRows(QTreeWidgetItem* parent, const std::u16string& nodeName) {
  const int32_t count = model_.GetChildCount(nodeName);
  for (int32_t i = 0; i < count; ++i) {
    const std::u16string childName = model_.GetNthChildName(nodeName, i);
    const PnlTrvDataNode* node = model_.GetNode(childName);
    if (!node) continue;
    auto* row = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
    row->setText(0, ToQ(node->label));
    row->setData(0, kKeyRole, ToQ(node->key));
    row->setData(0, kTypeRole, node->type);
    if (node->type != 0) {
      if (std::optional<std::u16string> stored = registry_.GetPreference(node->key, workspace_)) {
        if (node->type == kPreferenceTypeChoice) {
          const auto values = registry_.GetOptionValues(node->key);
          const auto labels = registry_.GetOptionLabels(node->key);
          for (size_t k = 0; k < values.size() && k < labels.size(); ++k)
            if (values[k] == *stored) {
              row->setText(1, ToQ(labels[k]));
              break;
            }
        } else {
          row->setText(1, ToQ(*stored));
        }
      }
    }
    AddRows(row, childName);
  }
}

QTreeWidgetItem* PreferencesPage::RowOf(const std::u16string& key) const {
  for (QTreeWidgetItemIterator it(tree_); *it; ++it)
    if (KeyOf(*it) == key) return *it;
  return nullptr;
}

void PreferencesPage::RowSelected() {
  const QList<QTreeWidgetItem*> rows = tree_->selectedItems();
  for (QTreeWidgetItem* row : rows) {
    const std::u16string key = KeyOf(row);
    const int32_t type = TypeOf(row);
    if (type != 0 && !registry_.Contains(key)) {
      diag::Write("GetNode returned nil!\n");
      continue;
    }
    preparing_ = true;
    edit_->hide();
    choice_->hide();
    change_->hide();
    editing_ = row;
    editing_type_ = type;
    if (type == 1 || type == 2 || type == 3 || type == kPreferenceTypeFolder) {
      edit_->setText(row->text(1));
      edit_->show();
      if (type == kPreferenceTypeFolder) change_->show();
    } else if (type == kPreferenceTypeChoice) {
      choice_->clear();
      for (const auto& label : registry_.GetOptionLabels(key)) choice_->addItem(ToQ(label));
      choice_->setCurrentIndex(choice_->findText(row->text(1), Qt::MatchExactly));
      choice_->show();
    }
    preparing_ = false;
    selected_.push_back(row);
    return;
  }
}

void PreferencesPage::WriteEditorIntoRow() {
  if (preparing_ || !editing_) return;
  const std::u16string key = KeyOf(editing_);
  if (editing_type_ == 1 || editing_type_ == 2 || editing_type_ == 3 ||
      editing_type_ == kPreferenceTypeFolder) {
    editing_->setText(1, edit_->text());
  } else if (editing_type_ == kPreferenceTypeChoice) {
    const auto labels = registry_.GetOptionLabels(key);
    const int index = choice_->currentIndex();
    if (index >= 0 && static_cast<size_t>(index) < labels.size())
      editing_->setText(1, ToQ(labels[static_cast<size_t>(index)]));
  }
}

void PreferencesPage::ChooseFolder() {
  std::optional<QString> folder;
  if (chooser_) {
    folder = chooser_(edit_->text());
  } else {
    // The host's folder chooser, opening at the folder being changed.
    SDKFolderChooser chooser;
    chooser.SetStartFolder(std::filesystem::path(FromQ(edit_->text())));
    chooser.ShowDialog();
    if (chooser.IsChosen()) folder = ToQ(chooser.GetPath());
  }
  if (!folder) return;
  edit_->setText(*folder);
  WriteEditorIntoRow();
}

void PreferencesPage::ToggleSelected() {
  for (QTreeWidgetItem* row : tree_->selectedItems()) row->setExpanded(!row->isExpanded());
}

bool PreferencesPage::Apply() {
  if (selected_.empty()) return true;
  if (!workspace_) {
    diag::Write("VELDPreferenceDialogObserver::ButtonClicked exception => workspace == nil!\n");
    return false;
  }
  std::vector<PreferenceEdit> edits;
  for (QTreeWidgetItem* row : selected_) {
    const std::u16string key = KeyOf(row);
    const int32_t type = TypeOf(row);
    if (type == 0) continue;
    if (!registry_.Contains(key)) {
      diag::Printf("KCommonPreferenceTypesList::SetPreference: identifier %s does not exist\n",
                   row->data(0, kKeyRole).toString().toUtf8().constData());
      continue;
    }
    const std::u16string value = FromQ(row->text(1));
    if (type == kPreferenceTypeChoice) {
      const auto labels = registry_.GetOptionLabels(key);
      const auto values = registry_.GetOptionValues(key);
      for (size_t k = 0; k < labels.size() && k < values.size(); ++k)
        if (labels[k] == value) {
          edits.push_back({key, values[k]});
          break;
        }
    } else {
      edits.push_back({key, value});
    }
  }
  return ChangePreferences(*workspace_, edits) == kSuccess;
}

}  // namespace tarvelin::studio::face
