#include "batch_action.h"

#include <cstdio>

#include "shell/plugin_ids.h"

namespace tarvelin::cli {

std::optional<RunReport> PerformBatchAction(Application& app, ActionID action) {
  app.Actions().PerformAction(action);

  auto component = app.Actions().Component(plugin_ids::kActionComponentClass);
  auto reporter = component ? std::dynamic_pointer_cast<IVorrinRunReport>(component) : nullptr;
  if (!reporter) return std::nullopt;
  RunReport report = reporter->LastRunReport();
  if (InterruptGuard::Interrupted()) report.cancelled = true;
  return report;
}

void PrintRunSummary(const RunReport& report) {
  if (!report.logFile.empty()) std::printf("log: %s\n", report.logFile.string().c_str());
  std::printf("frames: %d, pictures placed: %d, missing: %d, warnings: %zu\n", report.framesCreated,
              report.picturesPlaced, report.picturesMissing, report.warnings.size());
}

}  // namespace tarvelin::cli
