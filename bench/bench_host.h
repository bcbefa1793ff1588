// What the benchmarks that compose share: a running host without plug-ins whose front end
// offers the platform's fonts, and a main on Qt's offscreen platform.
#pragma once

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <filesystem>
#include <memory>
#include <string>

#include "host/application/application.h"
#include "layout/qt_font_catalogue.h"

namespace tarvelin::bench {

inline Application& FontsOnlyHost() {
  static QtFontCatalogue fonts;
  static std::unique_ptr<Application> app = [] {
    StartOptions options;
    options.workspaceFile = std::filesystem::path();
    options.services.fonts = &fonts;
    std::string error;
    return Application::Start(options, &error);
  }();
  return *app;
}

inline int RunOffscreen(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace tarvelin::bench
