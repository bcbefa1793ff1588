#include "resource_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "face_text.h"

namespace tarvelin::studio::face {

ResourceDialog::ResourceDialog(const DialogResource& resource, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dialog%1").arg(resource.viewID));
  setWindowTitle(Tr(resource.titleKey));
  auto* layout = new QVBoxLayout(this);
  for (const DialogCheckBox& box : resource.checkBoxes) {
    auto* check = new QCheckBox(Tr(box.labelKey), this);
    check->setObjectName(QStringLiteral("0x%1").arg(box.widgetID, 0, 16));
    layout->addWidget(check);
    boxes_.emplace_back(box.widgetID, check);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

QCheckBox* ResourceDialog::CheckBox(uint32_t widgetID) const {
  for (const auto& [id, box] : boxes_)
    if (id == widgetID) return box;
  return nullptr;
}

DialogFields ResourceDialog::Fields() const {
  DialogFields fields;
  for (const auto& [id, box] : boxes_) fields.SetChecked(id, box->isChecked());
  return fields;
}

void ResourceDialog::SetFields(const DialogFields& fields) {
  for (const auto& [id, box] : boxes_) box->setChecked(fields.Checked(id));
}

DialogOutcome QtDialogService::RunModal(const DialogResource& resource,
                                        DialogController& controller) {
  ResourceDialog dialog(resource, parent_);
  DialogFields fields;
  controller.InitializeDialogFields(fields);
  dialog.SetFields(fields);
  if (dialog.exec() != QDialog::Accepted) return DialogOutcome::kCancelled;
  controller.ApplyDialogFields(dialog.Fields());
  return DialogOutcome::kConfirmed;
}

}  // namespace tarvelin::studio::face
