// The command dispatcher of the tarvelin executable. Each command lives in its own
// cmd_<name>.cpp and registers itself with a static CommandRegistration.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tarvelin::cli {

// Exit codes of the command-line contract.
enum ExitCode : int { kDone = 0, kDoneWithWarnings = 1, kUsage = 2, kCancelled = 3 };

// args: the words after the command name (global options removed).
using CommandFn = std::function<int(const std::vector<std::string>& args)>;

struct CommandRegistration {
  // usage: one or more lines for --help, e.g. "preprocess FRAME.rmk [-o OUT]   what it does"
  CommandRegistration(const char* name, const char* usage, CommandFn fn);
};

// One line on stderr, "tarvelin: <message>", and the usage exit code.
int UsageError(const std::string& message);

int Run(const std::vector<std::string>& args);

}  // namespace tarvelin::cli
