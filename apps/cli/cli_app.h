// The command dispatcher of the tarvelin executable.
#pragma once

#include <string>
#include <vector>

namespace tarvelin::cli {

// Exit codes of the command-line contract.
enum ExitCode : int { kDone = 0, kDoneWithWarnings = 1, kUsage = 2, kCancelled = 3 };

int Run(const std::vector<std::string>& args);

}  // namespace tarvelin::cli
