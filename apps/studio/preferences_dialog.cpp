#include "preferences_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>

#include "core/measurement_units.h"
#include "studio_language.h"

namespace tarvelin::studio {

namespace {

std::vector<PreferencePage>& ContributedPages() {
  static std::vector<PreferencePage> pages;
  return pages;
}

QWidget* MakeGeneralPage(QWidget* parent) {
  auto* page = new QWidget(parent);
  auto* form = new QFormLayout(page);
  auto* units = new QComboBox(page);
  units->setObjectName("units");
  for (const MeasurementUnit& unit : MeasurementUnits()) {
    const QString name =
        QString::fromUtf8(unit.Name().data(), static_cast<int>(unit.Name().size()));
    if (units->findText(name) < 0) units->addItem(name);
  }
  units->setCurrentText(QSettings().value("units", "points").toString());
  form->addRow(QObject::tr("Measurement units"), units);
  auto* language = new QComboBox(page);
  language->setObjectName("language");
  language->addItem(QObject::tr("System default"), static_cast<int>(StudioLanguage::kSystem));
  language->addItem("English", static_cast<int>(StudioLanguage::kEnglish));
  language->addItem("Polski", static_cast<int>(StudioLanguage::kPolish));
  language->setCurrentIndex(language->findData(static_cast<int>(StoredLanguage())));
  form->addRow(QObject::tr("Interface language"), language);
  auto* row = new QWidget(page);
  auto* rowLayout = new QHBoxLayout(row);
  rowLayout->setContentsMargins(0, 0, 0, 0);
  auto* file = new QLineEdit(DefaultTemplateFile(), row);
  file->setObjectName("defaultTemplate");
  file->setPlaceholderText(QObject::tr("Built-in template"));
  auto* browse = new QPushButton(QObject::tr("Choose..."), row);
  QObject::connect(browse, &QPushButton::clicked, page, [page, file] {
    const QString chosen = QFileDialog::getOpenFileName(page, QObject::tr("Default template"),
                                                        file->text(), "JSON (*.json)");
    if (!chosen.isEmpty()) file->setText(chosen);
  });
  rowLayout->addWidget(file);
  rowLayout->addWidget(browse);
  form->addRow(QObject::tr("Default template"), row);
  return page;
}

void ApplyGeneralPage(QWidget* page) {
  QSettings settings;
  settings.setValue("units", page->findChild<QComboBox*>("units")->currentText());
  const QString file = page->findChild<QLineEdit*>("defaultTemplate")->text().trimmed();
  if (file.isEmpty())
    settings.remove("defaultTemplate");
  else
    settings.setValue("defaultTemplate", file);
  auto* language = page->findChild<QComboBox*>("language");
  const auto chosen = static_cast<StudioLanguage>(language->currentData().toInt());
  if (chosen != StoredLanguage()) {
    StoreLanguage(chosen);
    ApplyLanguage(chosen);
  }
}

}  // namespace

void AddPreferencePage(PreferencePage page) {
  // A page added again (another window of the same run) replaces the first.
  for (PreferencePage& p : ContributedPages())
    if (p.id == page.id) {
      p = std::move(page);
      return;
    }
  ContributedPages().push_back(std::move(page));
}

QString DefaultTemplateFile() {
  return QSettings().value("defaultTemplate").toString();
}

StudioPreferencesDialog::StudioPreferencesDialog(QWidget* parent, uint32_t page) : QDialog(parent) {
  setObjectName("preferencesDialog");
  setWindowTitle(tr("Preferences"));
  resize(640, 420);
  list_ = new QListWidget(this);
  list_->setMaximumWidth(180);
  stack_ = new QStackedWidget(this);
  std::vector<PreferencePage> all = {{0, tr("General"), MakeGeneralPage, ApplyGeneralPage}};
  for (const auto& p : ContributedPages()) all.push_back(p);
  int selected = 0;
  for (auto& p : all) {
    QWidget* widget = p.make(stack_);
    stack_->addWidget(widget);
    list_->addItem(p.title);
    if (p.id == page) selected = static_cast<int>(pages_.size());
    pages_.push_back({std::move(p), widget});
  }
  connect(list_, &QListWidget::currentRowChanged, stack_, &QStackedWidget::setCurrentIndex);
  list_->setCurrentRow(selected);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* top = new QHBoxLayout();
  top->addWidget(list_);
  top->addWidget(stack_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(buttons);
}

void StudioPreferencesDialog::accept() {
  for (auto& [page, widget] : pages_)
    if (page.apply) page.apply(widget);
  QDialog::accept();
}

void StudioPreferences::Open(uint32_t pageID) {
  StudioPreferencesDialog dialog(parent_, pageID);
  dialog.exec();
}

}  // namespace tarvelin::studio
