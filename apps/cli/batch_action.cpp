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
  // Frame commands that failed are warnings: the frames came out other than asked.
  constexpr size_t kShown = 10;
  for (size_t i = 0; i < report.failedCommands.size() && i < kShown; ++i) {
    const FrameCommandFailure& f = report.failedCommands[i];
    if (f.frame == kInvalidUID)
      std::fprintf(stderr, "tarvelin: warning: %s failed (%s)\n", f.command.c_str(),
                   f.error.c_str());
    else
      std::fprintf(stderr, "tarvelin: warning: frame %u: %s failed (%s)\n", f.frame,
                   f.command.c_str(), f.error.c_str());
  }
  if (report.failedCommands.size() > kShown)
    std::fprintf(stderr, "tarvelin: warning: %zu more frame commands failed\n",
                 report.failedCommands.size() - kShown);
  if (!report.logFile.empty()) std::printf("log: %s\n", report.logFile.string().c_str());
  std::printf("frames: %d, pictures placed: %d, missing: %d, warnings: %zu\n", report.framesCreated,
              report.picturesPlaced, report.picturesMissing,
              report.warnings.size() + report.failedCommands.size());
}

}  // namespace tarvelin::cli
