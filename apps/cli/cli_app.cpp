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
  // A usage is its synopsis lines (the first ones, up to the line that does not begin with
  // the command or a blank), then its description, indented under it.
  for (const auto& [name, cmd] : Commands()) {
    size_t start = 0;
    bool synopsis = true;
    while (start <= cmd.usage.size()) {
      size_t end = cmd.usage.find('\n', start);
      if (end == std::string::npos) end = cmd.usage.size();
      std::string line = cmd.usage.substr(start, end - start);
      if (synopsis && start > 0 && !line.starts_with(" ")) synopsis = false;
      std::fprintf(out, synopsis ? "  %s\n" : "        %s\n", line.c_str());
      start = end + 1;
    }
  }
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
