// Measurements in any unit, as box attributes and templates write them.
#include <cmath>

#include "core/measurement_units.h"
#include "core/utf16.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvelin;
  fuzz::Quiet();
  const std::u16string text = FromUtf8(fuzz::AsText(data, size));
  bool error = false;
  const float points = MeasurementToPoints(text, &error);
  if (error && points != 0) __builtin_trap();
  return 0;
}
