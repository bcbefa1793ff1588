// The diagnostics channel: developer-facing lines (class and operation names, failed
// host calls). They never reach the user. Each front end decides where they go: the
// studio prints them, the CLI shows them only with --verbose, tests capture them.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tarvelin::diag {

using Sink = std::function<void(std::string_view)>;

// Replaces the process-wide sink; an empty sink discards. Returns the previous one.
Sink SetSink(Sink sink);

// Writes the text as it stands (lines carry their own "\n").
void Write(std::string_view text);

// printf-style, with a literal format only; output longer than 16000 bytes is cut.
void Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Captures everything written while it lives; restores the previous sink after.
class Capture {
 public:
  Capture();
  ~Capture();
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
  Sink previous_;
};

}  // namespace tarvelin::diag
