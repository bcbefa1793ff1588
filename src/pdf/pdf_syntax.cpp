#include "pdf/pdf_syntax.h"

#include <zlib.h>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tarvelin::pdf {

namespace {

// The digits of `v` rounded to `decimals` (at most 6), as std::to_chars gives them, from one
// multiplication; false where the product's rounding could differ from the exact value's.
// Page content is mostly numbers: to_chars's exact conversion was half the time it took.
bool AppendScaled(std::string& out, double v, int decimals) {
  static constexpr double kScale[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
  static constexpr int64_t kUnit[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  if (decimals < 0 || decimals > 6) return false;
  const double scale = kScale[decimals];
  const double scaled = v * scale;
  const double rounded = std::nearbyint(scaled);  // ties to even, as printf rounds them
  // Near a tie, a product that is not exact may lie on the other side of it than v does.
  if (std::abs(std::abs(scaled - rounded) - 0.5) < 1e-6 && std::fma(v, scale, -scaled) != 0)
    return false;
  int64_t n = static_cast<int64_t>(rounded);
  if (n == 0) {
    out += '0';
    return true;
  }
  if (n < 0) {
    out += '-';
    n = -n;
  }
  const int64_t unit = kUnit[decimals];
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, n / unit);
  out.append(buf, end);
  int64_t fraction = n % unit;
  if (fraction == 0) return true;
  int digits = decimals;
  while (fraction % 10 == 0) {
    fraction /= 10;
    --digits;
  }
  out += '.';
  for (int d = digits - 1; d >= 0; --d) {
    buf[d] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  out.append(buf, static_cast<size_t>(digits));
  return true;
}

}  // namespace

void AppendNumber(std::string& out, double v, int decimals) {
  if (!std::isfinite(v)) v = 0;
  // PDF readers are only required to handle reals of about ±32767 with five digits.
  v = std::fmax(-1e7, std::fmin(1e7, v));
  if (AppendScaled(out, v, decimals)) return;
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

// Level 4: pages of small ads deflate in half the time level 6 takes, 6 % larger.
constexpr int kLevel = 4;

std::string Deflate(std::string_view data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                kLevel) != Z_OK)
    return {};
  out.resize(size);
  return out;
}

}  // namespace tarvelin::pdf
