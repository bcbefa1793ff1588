// The host as the command line runs it: a GUI application on the offscreen platform (for
// fonts, images and composition), the command line's services object (the Qt platform
// services and the batch answers to alerts, choosers and progress), and the Application
// with the plug-in modules and the session workspace. One per command run.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "batch_services.h"
#include "host/application/application.h"
#include "layout/qt_platform.h"

class QGuiApplication;

namespace tarvelin::cli {

// Creates the process's QGuiApplication on the offscreen platform (unless the user chose
// another) the first time it is called; Qt's own remarks go to the diagnostics channel.
void EnsureGuiApplication();

struct HostOptions {
  bool plugIns = true;
  // The GUI application and the Qt services (fonts, images, layout); commands that only
  // read documents go without.
  bool platform = true;
  // nullopt: SessionWorkspace::DefaultFile(); an empty path: a fresh workspace that is never saved.
  std::optional<std::filesystem::path> workspace{};
  // How the missing-data alert is answered, and the file the chooser gives.
  MissingPolicy policy = MissingPolicy::kContinue;
  std::optional<std::filesystem::path> chosenFile{};
  // Answers alerts instead of the batch alerts when set (kept alive by the caller).
  AlertService* alerts = nullptr;
};

class CliHost {
 public:
  // Null with the reason when the host cannot start.
  static std::unique_ptr<CliHost> Start(const HostOptions& options, std::string* error);
  // For commands whose documents are whole without the plug-ins (their records are kept
  // as stored): with the plug-ins when they load, else without them, the reason written
  // to the diagnostics channel after "tarvelin `command`: ". Null only when the host
  // cannot start at all.
  static std::unique_ptr<CliHost> StartPlugInsIfAny(const char* command, HostOptions options,
                                                    std::string* error);
  ~CliHost();

  Application& App() { return *app_; }
  // Only with HostOptions::platform.
  QtFontCatalogue& Fonts() { return platform_->fonts; }
  QtLayoutService& Layout() { return platform_->layout; }

 private:
  CliHost();
  std::unique_ptr<QtPlatform> platform_;
  std::unique_ptr<BatchAlerts> alerts_;
  std::unique_ptr<BatchChooser> chooser_;
  std::unique_ptr<TerminalProgressFactory> progress_;
  std::unique_ptr<Application> app_;
};

}  // namespace tarvelin::cli
