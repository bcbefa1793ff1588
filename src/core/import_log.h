// The import log: a process-wide plain log of one engine run, opened per run and written
// to by any layer while it is open (writing while closed does nothing).
//
// File format: UTF-16 code units, each as one little-endian 16-bit value, no byte-order
// mark. Every line is its text followed by one U+000D (no line feed). The file starts
// with two header lines, "// ----" and "// Log started on <date>.".
//
// Every line written is also echoed to the diagnostics channel.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarvelin {

// One argument of LogMessage. Text arguments are always data, never a format.
class LogArg {
 public:
  LogArg(std::u16string_view text) : value_(std::u16string(text)) {}
  LogArg(const char16_t* text) : value_(std::u16string(text)) {}
  LogArg(const std::u16string& text) : value_(text) {}
  LogArg(std::string_view utf8);
  LogArg(const char* utf8) : LogArg(std::string_view(utf8)) {}
  LogArg(const std::string& utf8) : LogArg(std::string_view(utf8)) {}
  LogArg(int v) : value_(static_cast<int64_t>(v)) {}
  LogArg(long v) : value_(static_cast<int64_t>(v)) {}
  LogArg(long long v) : value_(static_cast<int64_t>(v)) {}
  LogArg(unsigned v) : value_(static_cast<int64_t>(v)) {}
  LogArg(double v) : value_(v) {}

  std::u16string AsText() const;
  int64_t AsInteger() const;
  double AsReal() const;

 private:
  std::variant<std::u16string, int64_t, double> value_;
};

class KInDesignCommon {
 public:
  // Longest line a LogMessage produces, in UTF-16 units; longer output is cut.
  static constexpr size_t kMaxMessageUnits = 8000;

  // Closes any open log, then creates (or overwrites) the file. False when it cannot be
  // created; then no log is open.
  static bool OpenLog(const std::filesystem::path& file);
  // <folder of the frame file>/<base name>.log
  static bool OpenLogForFrameFile(const std::filesystem::path& frameFile);
  static std::filesystem::path LogFileForFrameFile(const std::filesystem::path& frameFile);
  static void CloseLog();
  static bool IsLogOpen();
  // The last log opened; kept after closing.
  static std::filesystem::path GetLogFile();

  // The format may be a string-table key; it is translated, then formatted with the
  // arguments (%s %d %i %u %ld %f %.Nf %x %%; anything else is copied as it stands).
  static void LogMessage(std::string_view formatOrKey, std::initializer_list<LogArg> args = {});
  static void LogKey(std::string_view key, const std::vector<std::u16string>& texts);
  static void LogLine(std::u16string_view text);
  static std::u16string FormatKey(std::string_view key, const std::vector<std::u16string>& texts);

  // Formatting alone, as LogMessage does it (exposed for tests and alert texts).
  static std::u16string Format(std::u16string_view format, std::initializer_list<LogArg> args);

  // The whole text of a log file as "Show log" shows it; nullopt-like empty text and a
  // diagnostic when it cannot be read.
  static std::u16string ReadLogText(const std::filesystem::path& file, bool* ok = nullptr);
  // The lines of a log's text, without their U+000D (a last line without one is kept).
  static std::vector<std::u16string> SplitLogLines(std::u16string_view text);
};

}  // namespace tarvelin
