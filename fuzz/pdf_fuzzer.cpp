// The PDF writer's input: a random document (random_document.h), composed, written in
// the standard the first byte picks and read back with qpdf. A written file must parse
// without a warning, every page's content stream included, and hold every page; a file
// that is not written must say why and leave nothing behind.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz_host.h"
#include "fuzz_target.h"
#include "host/documents/document.h"
#include "host/documents/spread.h"
#include "layout/layout_service_qt.h"
#include "pdf/pdf_export.h"
#include "pdf_read_back.h"
#include "random_document.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tarvelin::fuzz::StartHost();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvelin;
  namespace fs = std::filesystem;
  const fuzz::Host& host = fuzz::StartHost();
  static const auto profile = pdf::OutputProfile::Load(pdf::DefaultOutputProfile(), nullptr);
  if (size == 0) return 0;
  pdf::PdfOptions options;
  options.standard = static_cast<pdf::PdfStandard>(data[0] % 3);
  options.profile = profile.get();
  options.created = 1'700'000'000;
  fuzz::FuzzBytes in({data + 1, size - 1});
  fuzz::RandomDocument random = fuzz::BuildRandomDocument(host, in);
  if (!random.doc) return 0;
  if (host.layout->Compose(*random.doc) != kSuccess) __builtin_trap();
  const CompositionState* state = host.layout->State(*random.doc);
  if (!state) __builtin_trap();

  const fs::path file = host.scratch / "export.pdf";
  std::error_code ec;
  fs::remove(file, ec);
  RenderReport report;
  std::string error;
  const ErrorCode written = pdf::WritePdf(*random.doc, *state, file, options, report, &error);
  if (written == kSuccess) {
    std::ifstream read(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(read), {}};
    if (!fuzz::PdfReadsCleanly(bytes, DocumentPages(*random.doc).size())) __builtin_trap();
  } else if (error.empty() || fs::exists(file, ec)) {
    __builtin_trap();
  }
  host.layout->Release(*random.doc);
  return 0;
}
