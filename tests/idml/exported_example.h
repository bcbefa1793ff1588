// The paginated example exported as the user does it: `tarvelin paginate` of the example
// frame file in a scratch folder, `tarvelin export-idml` of the document, and its
// `tarvelin dump`, made once for the tests that read them.
#pragma once

#include <filesystem>
#include <string>

namespace tarvelin::idml::test {

struct CliRun {
  int exitCode = -1;
  std::string out, err;
};

// Runs the command line with `args` (already quoted as the shell needs).
CliRun Tarvelin(const std::string& args);

struct ExportedExample {
  std::filesystem::path folder, document, package;
  std::string dump;   // JSON
  std::string error;  // empty when all of it was made
};

const ExportedExample& Example();

}  // namespace tarvelin::idml::test
