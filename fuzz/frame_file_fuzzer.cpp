// Frame-file preprocessing from the bytes of a frame file. The first byte picks the
// encoding (0 Mac CE, 1 Windows CE, 2 UTF-16, 3 UTF-8, else the choice the import driver
// makes from the bytes); the rest is the file. The scratch copy must be whole UTF-16 units.
#include <cstdlib>

#include "core/stream.h"
#include "framefile/preprocess_frame_file.h"
#include "fuzz_target.h"
#include "tagged/file_reader.h"
#include "tagged/tagged_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvelin;
  fuzz::Quiet();
  if (size == 0) return 0;
  const std::span<const uint8_t> file(data + 1, size - 1);
  int selector = kEncodingWinCE;
  switch (data[0] % 5) {
    case 0:
      selector = kEncodingMacCE;
      break;
    case 1:
      selector = kEncodingWinCE;
      break;
    case 2:
      selector = kEncodingUnicode;
      break;
    case 3:
      selector = kEncodingUtf8;
      break;
    default:
      selector = FrameFileEncoding(file).selector;
  }
  auto reader = CreateReader(selector);
  auto in = MemoryStream::ReadView(file);
  auto out = MemoryStream::Write();
  KPreprocessFrameFile preprocessor("fuzz.rmk", data[0] & 0x80, nullptr);
  const auto copied = preprocessor.CopyAndRewrite(*reader, *in, *out);
  if (!copied.readAll || out->Bytes().size() % 2 != 0) std::abort();
  return 0;
}
