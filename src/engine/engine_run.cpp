#include "engine/engine_run.h"

#include "core/alert.h"
#include "core/diagnostics.h"

namespace tarvelin {

void ReportFrameCommand(EngineContext& ctx, UID frame, const char* command, ErrorCode e) {
  if (e == kSuccess) return;
  diag::Printf("%s failed (%s)\n", command, ErrorCodeName(e));
  ctx.report.failedCommands.push_back({frame, command, ErrorCodeName(e)});
}

bool ShowMissingDataAlert(RunState& run, int category, std::u16string_view text) {
  if (category < 0 || category > 2) {
    diag::Printf("Wrong error code number (%d).\n", category);
    return true;
  }
  if (run.suppressed[static_cast<size_t>(category)] != 0) return true;
  switch (Alerts().ThreeButtons(u"Brak danych", std::u16string(text))) {
    case AlertAnswer::kCancel:
      run.continueRun = false;
      return false;
    case AlertAnswer::kTryAgain:
      run.suppressed[static_cast<size_t>(category)] = 1;
      return true;
    case AlertAnswer::kContinue:
      return true;
  }
  return true;
}

}  // namespace tarvelin
