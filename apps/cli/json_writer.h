// A small streaming JSON writer for the inspection commands. It keeps track of commas
// and indentation; the caller keeps the nesting balanced. Strings are written as UTF-8
// with the escapes JSON requires (and U+2028, U+2029 escaped too); a lone surrogate
// becomes U+FFFD. Numbers are written in their shortest round-trip form (a float as a
// float, so 0.99f prints as 0.99); NaN and infinities, which JSON lacks, print as null.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvelin::cli {

class JsonWriter {
 public:
  // Inline containers stay on one line: short arrays of numbers, pairs.
  enum class Layout { kBlock, kInline };

  explicit JsonWriter(bool pretty = true) : pretty_(pretty) {}

  void BeginObject(Layout layout = Layout::kBlock);
  void EndObject();
  void BeginArray(Layout layout = Layout::kBlock);
  void EndArray();
  // The name of the next member; ASCII or UTF-8.
  void Key(std::string_view name);

  void String(std::u16string_view text);
  void String(std::string_view utf8);
  void String(const char* utf8) { String(std::string_view(utf8)); }
  void Int(int64_t value);
  void Float(float value);
  void Double(double value);
  void Bool(bool value);
  void Null();

  // The document so far; complete once every container is closed.
  const std::string& Text() const { return out_; }

 private:
  struct Level {
    bool inlined;
    bool empty;
  };
  void BeforeValue();
  void Open(char bracket, Layout layout);
  void Close(char bracket);
  void NewLine();
  void Escape(std::u16string_view text);

  bool pretty_;
  bool afterKey_ = false;
  std::vector<Level> levels_;
  std::string out_;
};

}  // namespace tarvelin::cli
