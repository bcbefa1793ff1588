// tarvelin: the command line. Errors are normalised here into one message and an exit code.
#include <cstdio>
#include <string>
#include <vector>

#include "cli_app.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tarvelin::cli::Run(args);
}
