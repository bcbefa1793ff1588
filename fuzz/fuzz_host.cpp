#include "fuzz_host.h"

#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <cstdlib>
#include <string>

#include "fuzz_target.h"
#include "host/application/application.h"
#include "layout/qt_platform.h"

namespace tarvelin::fuzz {

namespace {

std::filesystem::path ScratchFolder() {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path base =
      fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
  const fs::path dir = base / ("tarvelin-fuzz-" + std::to_string(::getpid()));
  fs::create_directories(dir, ec);
  return dir;
}

struct Running {
  Host host;
  std::unique_ptr<QGuiApplication> gui;
  std::unique_ptr<QtPlatform> platform;  // needs the GUI application first
  std::unique_ptr<Application> app;

  Running() {
    Quiet();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    gui = std::make_unique<QGuiApplication>(argc, argv);
    platform = std::make_unique<QtPlatform>();
    StartOptions options;
    options.workspaceFile = std::filesystem::path();
    platform->Offer(options.services);
    std::string error;
    app = Application::Start(options, &error);
    if (!app) std::abort();  // nothing can be fuzzed without a host
    host.registry = app->Registry();
    host.layout = &platform->layout;
    host.scratch = ScratchFolder();
    host.picture = host.scratch / "picture.png";
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(qRgb(200, 40, 90));
    if (!image.save(QString::fromStdString(host.picture.string()), "PNG")) std::abort();
  }
  ~Running() {
    std::error_code ec;
    std::filesystem::remove_all(host.scratch, ec);
  }
};

}  // namespace

const Host& StartHost() {
  static Running running;
  return running.host;
}

}  // namespace tarvelin::fuzz
