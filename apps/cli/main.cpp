// tarvelin: the command line. Errors are normalised here into one message and an exit code.
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
  tarvelin::SetLanguage(tarvelin::LanguageForHostCode(HostLanguageCode()));
  std::vector<std::string> args(argv + 1, argv + argc);
  return tarvelin::cli::Run(args);
}
