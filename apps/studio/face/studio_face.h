// The plug-in's face as one piece for a studio window: the log viewer and the import
// options dialog it hands the host, the about box and the developer's page as front-end
// actions, and the preferences page's factory.
#pragma once

#include <QString>
#include <memory>

#include "import_log_dialog.h"
#include "import_options_dialog.h"

class QWidget;

namespace tarvelin {
class ActionManager;
class SessionWorkspace;
}  // namespace tarvelin

namespace tarvelin::studio::face {

class PreferencesPage;

class StudioFace {
 public:
  explicit StudioFace(QWidget* window) : window_(window), log_(window), options_(window) {}

  LogViewer* LogViewerService() { return &log_; }
  QXTOptionsDialog* OptionsDialog() { return &options_; }

  // About (both action IDs) opens the about box and the developer's-page actions open the
  // configured address with the desktop's browser, both as actions of the front end.
  void Install(ActionManager& actions);

  // The page's title and a new page over the process's preference registry (filled by the
  // start-up defaults when still empty).
  static QString PreferencesPageTitle();
  static PreferencesPage* MakePreferencesPage(SessionWorkspace* workspace, QWidget* parent);

 private:
  QWidget* window_;
  ImportLogViewer log_;
  QtImportOptions options_;
};

}  // namespace tarvelin::studio::face
