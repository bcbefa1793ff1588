// The import log dialog: the log's text under the line that introduces it, with the
// dialog's icon and a close button. It only shows the log.
#pragma once

#include <QDialog>
#include <QPointer>

#include "host/application/services.h"

class QPlainTextEdit;

namespace tarvelin::studio::face {

class ImportLogDialog final : public QDialog {
  Q_OBJECT
 public:
  // `text` as the show-log action hands it over: the introducing line, then the log
  // (lines ending in CR). An empty log leaves the field empty.
  ImportLogDialog(const std::u16string& text, QWidget* parent = nullptr);
  QString FieldText() const;

 private:
  QPlainTextEdit* field_;
};

// The host's log viewer: the dialog, modal over the parent window.
class ImportLogViewer final : public LogViewer {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }
  void ShowText(const std::u16string& title, const std::u16string& text) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace tarvelin::studio::face
