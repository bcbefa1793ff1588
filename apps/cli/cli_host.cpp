#include "cli_host.h"

#include <QGuiApplication>
#include <cstdlib>

#include "core/diagnostics.h"
#include "host/application/session_workspace.h"
#include "layout/layout_service_qt.h"
#include "layout/qt_font_catalogue.h"
#include "layout/qt_image_probe.h"

namespace tarvelin::cli {

void EnsureGuiApplication() {
  if (QGuiApplication::instance() != nullptr) return;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
    diag::Write(message.toStdString() + "\n");
  });
  static int argc = 1;
  static char name[] = "tarvelin";
  static char* argv[] = {name, nullptr};
  // Lives until the process ends: fonts and images belong to it.
  static QGuiApplication app(argc, argv);
}

CliHost::CliHost() = default;

std::unique_ptr<CliHost> CliHost::Start(const HostOptions& options, std::string* error) {
  std::unique_ptr<CliHost> host(new CliHost());
  StartOptions start;
  HostServices& services = start.services;
  if (options.platform) {
    EnsureGuiApplication();
    host->platform_ = std::make_unique<QtPlatform>();
    host->platform_->Offer(services);
  }
  host->alerts_ = std::make_unique<BatchAlerts>(options.policy);
  host->chooser_ = std::make_unique<BatchChooser>(options.chosenFile);
  host->progress_ = std::make_unique<TerminalProgressFactory>(StderrIsTerminal());
  services.alerts = options.alerts ? options.alerts : host->alerts_.get();
  services.chooser = host->chooser_.get();
  services.progress = host->progress_.get();

  if (options.plugIns) start.plugInFolder = DefaultPlugInFolder();
  start.workspaceFile = options.workspace;
  host->app_ = Application::Start(start, error);
  if (!host->app_) return nullptr;
  return host;
}

std::unique_ptr<CliHost> CliHost::StartPlugInsIfAny(const char* command, HostOptions options,
                                                    std::string* error) {
  options.plugIns = true;
  std::string why;
  if (auto host = Start(options, &why)) return host;
  diag::Printf("tarvelin %s: plug-ins not loaded (%s)\n", command, why.c_str());
  options.plugIns = false;
  return Start(options, error);
}

CliHost::~CliHost() {
  // The services outlive the application that uses them.
  app_.reset();
}

}  // namespace tarvelin::cli
