#include "idml/xml_part.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace tarvelin::idml {

namespace {

constexpr std::string_view kDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

// XML 1.0 holds tab, the line ends and everything from U+0020 but U+FFFE and U+FFFF.
// Line ends never stand in our text (paragraph ends become elements), so they go too.
bool Allowed(char16_t c) {
  return (c >= 0x20 || c == u'\t') && c != 0xFFFE && c != 0xFFFF;
}

// Collects encoded bytes and appends them to `out` a block at a time: appending every
// byte on its own was the export's largest cost.
class Utf8Sink {
 public:
  explicit Utf8Sink(std::string& out) : out_(out) {}
  ~Utf8Sink() { Flush(); }
  Utf8Sink(const Utf8Sink&) = delete;
  Utf8Sink& operator=(const Utf8Sink&) = delete;

  void Put(std::string_view bytes) {
    if (n_ + bytes.size() > sizeof buf_) Flush();
    if (bytes.size() > sizeof buf_) {
      out_ += bytes;
      return;
    }
    std::memcpy(buf_ + n_, bytes.data(), bytes.size());
    n_ += bytes.size();
  }
  void Put(char32_t c) {
    if (n_ + 4 > sizeof buf_) Flush();
    char* p = buf_ + n_;
    if (c < 0x80) {
      *p++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *p++ = static_cast<char>(0xC0 | (c >> 6));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *p++ = static_cast<char>(0xE0 | (c >> 12));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *p++ = static_cast<char>(0xF0 | (c >> 18));
      *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    n_ = static_cast<size_t>(p - buf_);
  }
  void Flush() {
    out_.append(buf_, n_);
    n_ = 0;
  }

 private:
  std::string& out_;
  char buf_[512];
  size_t n_ = 0;
};

// Calls `f` with every code point of `text` that XML can hold.
template <class F>
void ForEachAllowed(std::u16string_view text, F&& f) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        f(0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
        ++i;
      }
      continue;
    }
    if ((c >= 0xDC00 && c <= 0xDFFF) || !Allowed(c)) continue;
    f(c);
  }
}

// What stands for a character that must be escaped (an attribute value when `quoted`,
// element text otherwise); empty when it stands for itself.
std::string_view Escape(char32_t c, bool quoted) {
  switch (c) {
    case U'&':
      return "&amp;";
    case U'<':
      return "&lt;";
    case U'>':
      return "&gt;";
    case U'"':
      return quoted ? "&quot;" : "";
    case U'\t':
      return quoted ? "&#9;" : "";  // a literal tab in an attribute reads back as a space
    default:
      return {};
  }
}

void AppendEscaped(std::string& out, std::u16string_view text, bool quoted) {
  Utf8Sink sink(out);
  ForEachAllowed(text, [&](char32_t c) {
    std::string_view e = Escape(c, quoted);
    if (e.empty())
      sink.Put(c);
    else
      sink.Put(e);
  });
}

// UTF-8 from our own code: bytes of multi-byte sequences pass as they are, runs that need
// nothing are appended whole.
void AppendEscaped(std::string& out, std::string_view utf8, bool quoted) {
  size_t from = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto u = static_cast<unsigned char>(utf8[i]);
    if (u >= 0x80) continue;
    std::string_view e = Escape(u, quoted);
    if (e.empty() && Allowed(u)) continue;
    out.append(utf8.data() + from, i - from);
    out += e;
    from = i + 1;
  }
  out.append(utf8.data() + from, utf8.size() - from);
}

// ` name="value"`, the value UTF-8 or UTF-16.
template <class Value>
void AppendAttribute(std::string& out, std::string_view name, Value value) {
  out += ' ';
  out += name;
  out += "=\"";
  AppendEscaped(out, value, true);
  out += '"';
}

}  // namespace

XmlWriter::XmlWriter(Kind kind) {
  if (kind == Kind::kPart) out_ = kDeclaration;
  start_ = out_.size();
}

void XmlWriter::CloseStartTag() {
  if (!inStartTag_) return;
  out_ += '>';
  inStartTag_ = false;
}

XmlWriter& XmlWriter::Start(std::string_view name) {
  CloseStartTag();
  out_ += '<';
  out_ += name;
  open_.emplace_back(name);
  inStartTag_ = true;
  return *this;
}

XmlWriter& XmlWriter::Attr(std::string_view name, std::string_view value) {
  AppendAttribute(out_, name, value);
  return *this;
}

XmlWriter& XmlWriter::Attr(std::string_view name, std::u16string_view value) {
  AppendAttribute(out_, name, value);
  return *this;
}

XmlWriter& XmlWriter::NumAttr(std::string_view name, double value) {
  return Attr(name, Num(value));
}

XmlWriter& XmlWriter::BoolAttr(std::string_view name, bool value) {
  return Attr(name, value ? std::string_view("true") : std::string_view("false"));
}

XmlWriter& XmlWriter::Text(std::string_view utf8) {
  CloseStartTag();
  AppendEscaped(out_, utf8, false);
  return *this;
}

XmlWriter& XmlWriter::Text(std::u16string_view text) {
  CloseStartTag();
  AppendEscaped(out_, text, false);
  return *this;
}

XmlWriter& XmlWriter::Raw(std::string_view xml) {
  CloseStartTag();
  out_ += xml;
  return *this;
}

XmlWriter& XmlWriter::End() {
  if (open_.empty()) return *this;
  if (inStartTag_) {
    out_ += "/>";
    inStartTag_ = false;
  } else {
    out_ += "</";
    out_ += open_.back();
    out_ += '>';
  }
  open_.pop_back();
  return *this;
}

XmlWriter& XmlWriter::Typed(std::string_view name, std::string_view type, std::string_view text) {
  return Start(name).Attr("type", type).Text(text).End();
}

std::string XmlWriter::Take() {
  while (!open_.empty()) End();
  std::string out = std::move(out_);
  out_.clear();
  start_ = 0;
  return out;
}

void BeginPart(XmlWriter& w, std::string_view kind) {
  std::string root = "idPkg:";
  root += kind;
  w.Start(root).Attr("xmlns:idPkg", kPackagingNamespace).Attr("DOMVersion", kDomVersion);
}

std::string Id(UID uid, std::string_view suffix) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, static_cast<uint32_t>(uid), 16);
  std::string id = "u";
  id.append(buf, r.ptr);
  id.append(suffix);
  return id;
}

std::string Num(double v) {
  if (!std::isfinite(v)) return "0";
  if (v == 0) v = 0;  // no "-0"
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string XmlText(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  {
    Utf8Sink sink(out);
    ForEachAllowed(text, [&](char32_t c) { sink.Put(c); });
  }
  return out;
}

std::string NameInId(std::u16string_view name) {
  std::string utf8 = XmlText(name);
  std::string out;
  out.reserve(utf8.size());
  for (char c : utf8) {
    if (c == ':')
      out += "%3a";
    else
      out += c;
  }
  return out;
}

}  // namespace tarvelin::idml
