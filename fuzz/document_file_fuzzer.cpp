// A document file (.tvd, SQLite bytes) opened as the front ends open one. SQLite reads a
// path, so the bytes go to a file of this process first.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz_target.h"
#include "host/application/host_registry.h"
#include "host/documents/document.h"
#include "host/persistence/document_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvelin;
  fuzz::Quiet();
  static const std::shared_ptr<ClassRegistry> registry = CreateHostRegistry();
  static const std::filesystem::path file =
      std::filesystem::temp_directory_path() /
      ("tarvelin-fuzz-" + std::to_string(::getpid()) + ".tvd");
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  FileResult result;
  auto doc = OpenDocumentFile(registry, file, result);
  if (!doc == result.Ok()) __builtin_trap();
  std::error_code ec;
  std::filesystem::remove(file, ec);
  return 0;
}
