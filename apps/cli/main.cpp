// tarvelin: the command line. Errors are normalised here into one message and an exit code.
#include <malloc.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cli_app.h"
#include "core/string_table.h"

namespace {

// The user's messages language, as the host's language code: Polish for a Polish locale,
// English otherwise.
int HostLanguageCode() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') continue;
    return std::string(value).rfind("pl", 0) == 0 ? 16 : 1;
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  // A run reads a frame file into buffers of hundreds of megabytes and lets them go stage
  // by stage. Served from the heap and kept there, they are reused by the next stage;
  // mapped afresh for each (the default above 32 MiB), every page is faulted in again, and
  // a run of 100,000 ads spent 5 % of its time on that. A run is a short process: memory
  // not given back before it exits costs nothing.
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  // Small blocks freed go back into the heap at once, not onto lists that the next large
  // free walks through whole: letting the composition of 100,000 ads go took a third longer
  // per ad than that of 10,000, with the same run time otherwise.
  mallopt(M_MXFAST, 0);
  tarvelin::SetLanguage(tarvelin::LanguageForHostCode(HostLanguageCode()));
  std::vector<std::string> args(argv + 1, argv + argc);
  return tarvelin::cli::Run(args);
}
