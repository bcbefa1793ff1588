// Shared by the fuzz targets: the libFuzzer entry point each defines, and the quiet
// process state they run in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Optional: a target that needs a running host starts it here, once, before any input.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace tarvelin::fuzz {

// Discards the diagnostics channel, once per process: a target runs millions
// of inputs and their messages are not what is being tested.
void Quiet();

inline std::string_view AsText(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace tarvelin::fuzz
