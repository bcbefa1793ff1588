#include "json_writer.h"

#include <charconv>
#include <cmath>

#include "core/utf16.h"

namespace tarvelin::cli {

namespace {

template <typename T>
void AppendNumber(std::string& out, T value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

}  // namespace

void JsonWriter::NewLine() {
  if (!pretty_ || (!levels_.empty() && levels_.back().inlined)) return;
  out_ += '\n';
  out_.append(levels_.size() * 2, ' ');
}

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level& level = levels_.back();
  if (!level.empty) out_ += level.inlined && pretty_ ? ", " : ",";
  level.empty = false;
  NewLine();
}

void JsonWriter::Open(char bracket, Layout layout) {
  BeforeValue();
  const bool inlined = layout == Layout::kInline || (!levels_.empty() && levels_.back().inlined);
  out_ += bracket;
  levels_.push_back({inlined, true});
}

void JsonWriter::Close(char bracket) {
  if (levels_.empty()) return;  // unbalanced call: nothing to close
  const Level level = levels_.back();
  levels_.pop_back();
  if (pretty_ && !level.empty && !level.inlined) {
    out_ += '\n';
    out_.append(levels_.size() * 2, ' ');
  }
  out_ += bracket;
}

void JsonWriter::BeginObject(Layout layout) {
  Open('{', layout);
}
void JsonWriter::EndObject() {
  Close('}');
}
void JsonWriter::BeginArray(Layout layout) {
  Open('[', layout);
}
void JsonWriter::EndArray() {
  Close(']');
}

void JsonWriter::Key(std::string_view name) {
  BeforeValue();
  Escape(FromUtf8(name));
  out_ += pretty_ ? ": " : ":";
  afterKey_ = true;
}

void JsonWriter::Escape(std::u16string_view text) {
  out_ += '"';
  // Runs between escapes go through ToUtf8 whole: it joins surrogate pairs and turns a
  // lone surrogate into U+FFFD.
  size_t plain = 0;
  auto flush = [&](size_t end) {
    if (end > plain) out_ += ToUtf8(text.substr(plain, end - plain));
    plain = end + 1;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const char* escape = nullptr;
    switch (c) {
      case u'"':
        escape = "\\\"";
        break;
      case u'\\':
        escape = "\\\\";
        break;
      case u'\b':
        escape = "\\b";
        break;
      case u'\f':
        escape = "\\f";
        break;
      case u'\n':
        escape = "\\n";
        break;
      case u'\r':
        escape = "\\r";
        break;
      case u'\t':
        escape = "\\t";
        break;
      default:
        break;
    }
    if (escape != nullptr) {
      flush(i);
      out_ += escape;
    } else if (c < 0x20 || c == 0x2028 || c == 0x2029) {
      static const char kHex[] = "0123456789abcdef";
      flush(i);
      out_ += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out_ += kHex[(c >> shift) & 0xF];
    }
  }
  flush(text.size());
  out_ += '"';
}

void JsonWriter::String(std::u16string_view text) {
  BeforeValue();
  Escape(text);
}

void JsonWriter::String(std::string_view utf8) {
  String(FromUtf8(utf8));
}

void JsonWriter::Int(int64_t value) {
  BeforeValue();
  AppendNumber(out_, value);
}

void JsonWriter::Float(float value) {
  BeforeValue();
  if (!std::isfinite(value)) {
    out_ += "null";
    return;
  }
  AppendNumber(out_, value);
}

void JsonWriter::Double(double value) {
  BeforeValue();
  if (!std::isfinite(value)) {
    out_ += "null";
    return;
  }
  AppendNumber(out_, value);
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
}

void JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
}

}  // namespace tarvelin::cli
