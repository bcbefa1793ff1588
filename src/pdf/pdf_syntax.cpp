#include "pdf/pdf_syntax.h"

#include <zlib.h>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tarvelin::pdf {

void AppendNumber(std::string& out, double v, int decimals) {
  if (!std::isfinite(v)) v = 0;
  // PDF readers are only required to handle reals of about ±32767 with five digits.
  v = std::fmax(-1e7, std::fmin(1e7, v));
  char buf[48];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  if (ec != std::errc()) {
    out += '0';
    return;
  }
  char* e = end;
  if (decimals > 0) {
    while (e > buf && e[-1] == '0') --e;
    if (e > buf && e[-1] == '.') --e;
  }
  std::string_view s(buf, static_cast<size_t>(e - buf));
  if (s == "-0" || s.empty()) s = "0";
  out += s;
}

std::string Number(double v, int decimals) {
  std::string s;
  AppendNumber(s, v, decimals);
  return s;
}

std::string Name(std::string_view name) {
  std::string out = "/";
  for (unsigned char c : name) {
    if (c < 0x21 || c > 0x7e || c == '#' || c == '/' || c == '%' || c == '(' || c == ')' ||
        c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}') {
      char buf[4];
      std::snprintf(buf, sizeof buf, "#%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Literal(std::string_view bytes) {
  std::string out = "(";
  for (char c : bytes) {
    if (c == '\\' || c == '(' || c == ')') out += '\\';
    if (c == '\r') {
      out += "\\r";
      continue;
    }
    out += c;
  }
  out += ')';
  return out;
}

std::string TextString(std::u16string_view text) {
  std::string bytes = "\xFE\xFF";
  for (char16_t u : text) {
    bytes += static_cast<char>(u >> 8);
    bytes += static_cast<char>(u & 0xFF);
  }
  return "<" + Hex(bytes) + ">";
}

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::string Date(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "D:%Y%m%d%H%M%SZ", &tm);
  return buf;
}

std::string IsoDate(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

std::string Deflate(std::string_view data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                Z_DEFAULT_COMPRESSION) != Z_OK)
    return {};
  out.resize(size);
  return out;
}

}  // namespace tarvelin::pdf
