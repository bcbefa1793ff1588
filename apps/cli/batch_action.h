// One of the plug-in's actions, performed as the command line performs it (with the
// batch services the host was started with, cli_host.h), and the plug-in's report of the
// run read back afterwards.
#pragma once

#include <filesystem>
#include <optional>

#include "batch_services.h"
#include "engine/engine_run.h"
#include "host/application/application.h"

namespace tarvelin::cli {

// nullopt when the plug-in gave no report. A Ctrl-C during the action counts as a cancel.
// The caller keeps an InterruptGuard alive across the action.
std::optional<RunReport> PerformBatchAction(Application& app, ActionID action);

// The closing lines on stdout: the log and what the run made; failed frame commands as
// warnings on stderr.
void PrintRunSummary(const RunReport& report);

}  // namespace tarvelin::cli
