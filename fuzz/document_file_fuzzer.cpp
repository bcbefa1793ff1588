// A document file (.tvd, SQLite bytes) opened as the front ends open one, from memory:
// the same checks and loading as from disk, without a file per input.
#include "fuzz_target.h"
#include "host/application/host_registry.h"
#include "host/documents/document.h"
#include "host/persistence/document_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvelin;
  fuzz::Quiet();
  static const std::shared_ptr<ClassRegistry> registry = CreateHostRegistry();
  FileResult result;
  auto doc = OpenDocumentImage(registry, {data, size}, "fuzz.tvd", result);
  if (!doc == result.Ok() || result.Ok() != result.message.empty()) __builtin_trap();
  return 0;
}
