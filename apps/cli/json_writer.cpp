#include "json_writer.h"

#include <charconv>
#include <cmath>

#include "core/utf16.h"

namespace tarvelin::cli {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

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
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    switch (c) {
      case u'"':
        out_ += "\\\"";
        continue;
      case u'\\':
        out_ += "\\\\";
        continue;
      case u'\b':
        out_ += "\\b";
        continue;
      case u'\f':
        out_ += "\\f";
        continue;
      case u'\n':
        out_ += "\\n";
        continue;
      case u'\r':
        out_ += "\\r";
        continue;
      case u'\t':
        out_ += "\\t";
        continue;
      default:
        break;
    }
    if (c < 0x20 || c == 0x2028 || c == 0x2029) {
      static const char kHex[] = "0123456789abcdef";
      out_ += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out_ += kHex[(c >> shift) & 0xF];
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out_, c);
  }
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
