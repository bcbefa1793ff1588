// The studio's preferences dialog: a list of pages beside the selected page. The General
// page holds the measurement unit of the panels, the interface language and the default
// template (kept in QSettings: they belong to this user's studio, not to a workspace);
// plug-ins add pages of their own with AddPreferencePage.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/application/services.h"

class QListWidget;
class QStackedWidget;

namespace tarvelin::studio {

// A page of the dialog: `make` builds its widget; `apply` is called with it on OK.
struct PreferencePage {
  uint32_t id = 0;  // 0 is General
  QString title;
  std::function<QWidget*(QWidget* parent)> make;
  std::function<void(QWidget* page)> apply;
};

// Pages added here appear after General, in the order added.
void AddPreferencePage(PreferencePage page);

class StudioPreferencesDialog final : public QDialog {
  Q_OBJECT
 public:
  StudioPreferencesDialog(QWidget* parent, uint32_t page);
  void accept() override;

 private:
  QListWidget* list_;
  QStackedWidget* stack_;
  std::vector<std::pair<PreferencePage, QWidget*>> pages_;
};

// The host's preferences service: the dialog, modal over the window.
class StudioPreferences final : public PreferencesDialog {
 public:
  explicit StudioPreferences(QWidget* parent) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  void Open(uint32_t pageID) override;

 private:
  QWidget* parent_;
};

// The default template chosen in Preferences; empty for the built-in one.
QString DefaultTemplateFile();

}  // namespace tarvelin::studio
