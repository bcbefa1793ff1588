// A plug-in's modal dialog built from its view resource (a title, check boxes, OK and
// Cancel), and the host's dialog service that runs it. The plug-in's controller sets the
// fields before the window shows and reads them on OK only, so Cancel changes nothing.
#pragma once

#include <QDialog>
#include <QPointer>
#include <vector>

#include "host/application/ui_services.h"

class QCheckBox;

namespace tarvelin::studio::face {

class ResourceDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit ResourceDialog(const DialogResource& resource, QWidget* parent = nullptr);
  // The check box of a widget ID, or null.
  QCheckBox* CheckBox(uint32_t widgetID) const;
  DialogFields Fields() const;
  void SetFields(const DialogFields& fields);

 private:
  std::vector<std::pair<uint32_t, QCheckBox*>> boxes_;
};

class QtDialogService final : public DialogService {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }
  DialogOutcome RunModal(const DialogResource& resource, DialogController& controller) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace tarvelin::studio::face
