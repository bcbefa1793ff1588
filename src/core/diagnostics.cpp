#include "core/diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>

namespace tarvelin::diag {

namespace {
Sink& CurrentSink() {
  static Sink sink;
  return sink;
}
}  // namespace

Sink SetSink(Sink sink) { return std::exchange(CurrentSink(), std::move(sink)); }

void Write(std::string_view text) {
  if (auto& sink = CurrentSink()) sink(text);
}

void Printf(const char* format, ...) {
  if (!CurrentSink()) return;
  char buffer[16000];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return;
  size_t len = std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1);
  Write(std::string_view(buffer, len));
}

Capture::Capture()
    : previous_(SetSink([this](std::string_view t) { text_.append(t); })) {}

Capture::~Capture() { SetSink(std::move(previous_)); }

}  // namespace tarvelin::diag
