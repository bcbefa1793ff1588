// Fill and border colour values of box definitions.
#include "core/utf16.h"
#include "framefile/colour_spec.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvelin;
  fuzz::Quiet();
  ColourSpec spec;
  ParseColour(spec, FromUtf8(fuzz::AsText(data, size)));
  if (spec.colourSpace < kColourSpaceNotSet || spec.colourSpace > kColourSpaceRgb) __builtin_trap();
  return 0;
}
