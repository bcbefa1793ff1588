// A document template (JSON): parsed, and built into a document when it parses.
#include <memory>

#include "fuzz_target.h"
#include "host/application/host_registry.h"
#include "layout/document_template.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvelin;
  fuzz::Quiet();
  static const std::shared_ptr<ClassRegistry> registry = CreateHostRegistry();
  TemplateResult parsed = ParseTemplate(fuzz::AsText(data, size));
  if (!parsed.spec) return 0;
  std::vector<std::string> warnings;
  std::string error;
  auto doc = BuildDocument(registry, *parsed.spec, warnings, error);
  return 0;
}
