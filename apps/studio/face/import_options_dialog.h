// The tagged-text import's options dialog: "Force MacCE encoding", OK and Cancel. OK
// hands the check box to the dialog controller; Cancel leaves it unconfirmed.
#pragma once

#include <QDialog>

#include "tagged/qxt_import_provider.h"

class QCheckBox;

namespace tarvelin::studio::face {

class ImportOptionsDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit ImportOptionsDialog(QWidget* parent = nullptr);
  QCheckBox* ForceMacCE() const { return force_; }

 private:
  QCheckBox* force_;
};

// Runs the dialog modally for each import that asks for it.
class QtImportOptions final : public QXTOptionsDialog {
 public:
  explicit QtImportOptions(QWidget* parent) : parent_(parent) {}
  bool Run(QXTIDialogController& controller) override;

 private:
  QWidget* parent_;
};

}  // namespace tarvelin::studio::face
