#include "cli_host.h"

#include <QGuiApplication>
#include <cstdlib>

#include "core/diagnostics.h"
#include "host/application/session_workspace.h"
#include "host/text/font_families.h"
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

std::optional<std::filesystem::path> UserWorkspaceFile() {
  if (const char* env = std::getenv("TARVELIN_WORKSPACE"); env != nullptr && *env)
    return std::filesystem::path(env);
  return SessionWorkspace::DefaultFile();
}

std::unique_ptr<CliHost> CliHost::Start(const HostOptions& options, std::string* error) {
  std::unique_ptr<CliHost> host(new CliHost());
  if (options.platform) {
    EnsureGuiApplication();
    host->fonts_ = std::make_unique<QtFontCatalogue>();
    host->images_ = std::make_unique<QtImageProbe>();
    host->layout_ = std::make_unique<QtLayoutService>();
    // The catalogue is shared with the text side's font-family lookups.
    SetFontCatalogue(std::shared_ptr<const FontCatalogue>(host->fonts_.get(), [](auto*) {}));
  }

  StartOptions start;
  if (options.plugIns) start.plugInFolder = DefaultPlugInFolder();
  start.workspaceFile = options.workspace ? options.workspace : UserWorkspaceFile();
  host->app_ = Application::Start(start, error);
  if (!host->app_) return nullptr;
  auto& services = host->app_->Services();
  services.fonts = host->fonts_.get();
  services.images = host->images_.get();
  services.layout = host->layout_.get();
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
  app_.reset();
  if (fonts_) SetFontCatalogue(nullptr);
}

}  // namespace tarvelin::cli
