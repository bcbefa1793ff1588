#include "import_options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "face_text.h"

namespace tarvelin::studio::face {

ImportOptionsDialog::ImportOptionsDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Tr("0x113380kQXTIDialogTitleKey"));
  force_ = new QCheckBox(Tr("0x113380kForceMacCEEncodingKey"), this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(force_);
  layout->addWidget(buttons);
}

bool QtImportOptions::Run(QXTIDialogController& controller) {
  ImportOptionsDialog dialog(parent_);
  if (dialog.exec() != QDialog::Accepted) return false;
  controller.ApplyDialogFields(dialog.ForceMacCE()->isChecked());
  return true;
}

}  // namespace tarvelin::studio::face
