#include "cli_app.h"

#include <cstdio>
#include <iostream>
#include <map>

#include "core/diagnostics.h"

namespace tarvelin::cli {

namespace {

struct Command {
  std::string usage;
  CommandFn fn;
};

std::map<std::string, Command>& Commands() {
  static std::map<std::string, Command> commands;
  return commands;
}

void PrintUsage(std::FILE* out) {
  std::fputs("Usage: tarvelin [--verbose] COMMAND [ARGS]\n\nCommands:\n", out);
  for (const auto& [name, cmd] : Commands()) std::fprintf(out, "  %s\n", cmd.usage.c_str());
  std::fputs(
      "\nOptions:\n"
      "  --help      show this text\n"
      "  --version   show the version\n"
      "  --verbose   show developer diagnostics on stderr\n"
      "\nExit codes: 0 done, 1 done with warnings, 2 bad usage or unreadable input, "
      "3 cancelled.\n",
      out);
}

}  // namespace

CommandRegistration::CommandRegistration(const char* name, const char* usage, CommandFn fn) {
  Commands()[name] = Command{usage, std::move(fn)};
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "tarvelin: %s\n", message.c_str());
  return kUsage;
}

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> rest;
  for (const auto& a : args) {
    if (rest.empty() && (a == "--help" || a == "-h")) {
      PrintUsage(stdout);
      return kDone;
    }
    if (rest.empty() && a == "--version") {
      std::printf("tarvelin %s\n", TARVELIN_VERSION);
      return kDone;
    }
    if (a == "--verbose") {
      diag::SetSink([](std::string_view t) { std::cerr << t; });
      continue;
    }
    rest.push_back(a);
  }
  if (rest.empty()) {
    PrintUsage(stderr);
    return kUsage;
  }
  auto it = Commands().find(rest[0]);
  if (it == Commands().end())
    return UsageError("unknown command '" + rest[0] + "' (see tarvelin --help)");
  return it->second.fn(std::vector<std::string>(rest.begin() + 1, rest.end()));
}

}  // namespace tarvelin::cli
