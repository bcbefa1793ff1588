// Runs a fuzz target's entry point once per file, for the test build: no libFuzzer, no
// clang. Arguments are files or folders (every regular file inside, sorted); a missing
// folder counts as empty, so a target without reproducers yet needs no placeholder.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz_target.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg = argv[i];
    std::error_code ec;
    if (fs::is_directory(arg, ec)) {
      for (const auto& entry : fs::directory_iterator(arg))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else if (fs::exists(arg, ec)) {
      files.push_back(arg);
    }
  }
  std::sort(files.begin(), files.end());
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    if (!in.eof() && in.fail()) {
      std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
      return 1;
    }
    // A fresh copy of exactly the input's size, so ASan sees reads past its end.
    std::vector<uint8_t> exact(bytes);
    LLVMFuzzerTestOneInput(exact.data(), exact.size());
  }
  std::printf("replay: %zu inputs\n", files.size());
  return files.empty() ? 1 : 0;
}
