// The host as the studio runs it: the Qt platform services (fonts, images, layout), the
// interactive services (message boxes, file dialogs, the progress window, the log viewer,
// the preferences dialog) and the Application with the plug-in modules and the session
// workspace. One per process, made after the QApplication.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "engine/engine_run.h"
#include "host/application/application.h"
#include "host/application/import_command.h"
#include "host/application/interface_fonts.h"
#include "import_log_dialog.h"
#include "layout/qt_platform.h"
#include "resource_dialog.h"

namespace tarvelin {
class Document;
}  // namespace tarvelin

namespace tarvelin::studio {

class DialogChooser;
class MessageBoxAlerts;
class ProgressWindowFactory;
class StudioPreferences;

struct StudioOptions {
  // nullopt: $TARVELIN_WORKSPACE, else the per-user default; an empty path: a fresh
  // workspace that is never saved.
  std::optional<std::filesystem::path> workspace;
};

class StudioHost {
 public:
  // Null with the reason when the host cannot start.
  static std::unique_ptr<StudioHost> Start(const StudioOptions& options, std::string* error);
  ~StudioHost();

  Application& App() { return *app_; }
  QtLayoutService& Layout() { return platform_->layout; }
  MessageBoxAlerts& Alerts() { return *alerts_; }
  DialogChooser& Chooser() { return *chooser_; }
  ProgressWindowFactory& Progress() { return *progress_; }
  face::ImportLogViewer& LogViewer() { return *logViewer_; }
  face::QtDialogService& Dialogs() { return *dialogs_; }
  StudioPreferences& Preferences() { return *preferences_; }

  // Performs a plug-in action on the front document as one undo step, the document
  // composed afterwards (pages added while the main story does not fit). With `file`,
  // the action's file chooser answers it instead of asking. A cancelled run is rolled
  // back whole. nullopt when the plug-in gave no report.
  std::optional<RunReport> PerformAction(ActionID action,
                                         std::optional<std::filesystem::path> file = {});
  // The host's File > Import into the front document, with the providers' options dialogs;
  // `file` answers the chooser. The document is composed inside the import's undo step.
  ImportOutcome Import(std::optional<std::filesystem::path> file = {});

 private:
  StudioHost();
  std::unique_ptr<QtPlatform> platform_;
  std::unique_ptr<MessageBoxAlerts> alerts_;
  std::unique_ptr<DialogChooser> chooser_;
  std::unique_ptr<ProgressWindowFactory> progress_;
  std::unique_ptr<face::ImportLogViewer> logViewer_;
  std::unique_ptr<face::QtDialogService> dialogs_;
  std::unique_ptr<StudioPreferences> preferences_;
  std::unique_ptr<InterfaceFontService> interfaceFonts_;
  std::unique_ptr<Application> app_;
};

// Composes the document, adding pages while its main story does not fit; the pages are
// made by commands, so inside a sequence they undo with it.
ErrorCode ComposeDocument(QtLayoutService& layout, Document& doc);

}  // namespace tarvelin::studio
