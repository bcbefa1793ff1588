#include "cli_app.h"

#include <cstdio>
#include <iostream>

#include "core/diagnostics.h"

namespace tarvelin::cli {

namespace {

constexpr const char* kUsageText =
    "Usage: tarvelin [--verbose] COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  preprocess FRAME.rmk [-o OUT] [--encoding macce|wince|unicode]\n"
    "                        rewrite a frame file's box definitions as tag text\n"
    "\n"
    "Options:\n"
    "  --help                show this text\n"
    "  --version             show the version\n"
    "  --verbose             show diagnostics on stderr\n"
    "\n"
    "Exit codes: 0 done, 1 done with warnings, 2 bad usage or unreadable input, 3 cancelled.\n";

}  // namespace

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> rest;
  for (const auto& a : args) {
    if (a == "--help" || a == "-h") {
      std::fputs(kUsageText, stdout);
      return kDone;
    }
    if (a == "--version") {
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
    std::fputs(kUsageText, stderr);
    return kUsage;
  }
  std::fprintf(stderr, "tarvelin: unknown command '%s' (see tarvelin --help)\n", rest[0].c_str());
  return kUsage;
}

}  // namespace tarvelin::cli
