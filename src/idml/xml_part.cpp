#include "idml/xml_part.h"

#include <charconv>
#include <cmath>

#include "core/utf16.h"

namespace tarvelin::idml {

pugi::xml_node BeginPart(pugi::xml_document& doc, const char* kind) {
  pugi::xml_node root = doc.append_child((std::string("idPkg:") + kind).c_str());
  root.append_attribute("xmlns:idPkg") = kPackagingNamespace;
  root.append_attribute("DOMVersion") = kDomVersion;
  return root;
}

namespace {

struct StringWriter final : pugi::xml_writer {
  std::string text;
  void write(const void* data, size_t size) override {
    text.append(static_cast<const char*>(data), size);
  }
};

}  // namespace

std::string SerialisePart(const pugi::xml_document& doc) {
  StringWriter out;
  out.text = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
  // Unindented: a page of ads makes tens of megabytes of XML, and no whitespace can slip
  // into a story's text.
  doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return std::move(out.text);
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

std::string NumF(float v) {
  if (!std::isfinite(v)) return "0";
  if (v == 0) v = 0;
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string XmlText(std::u16string_view text) {
  std::u16string clean;
  clean.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c < 0x20 && c != u'\t') continue;
    if (c == 0xFFFE || c == 0xFFFF) continue;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        clean += c;
        clean += text[++i];
      }
      continue;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) continue;
    clean += c;
  }
  return ToUtf8(clean);
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

pugi::xml_node PropertiesOf(pugi::xml_node el) {
  pugi::xml_node p = el.child("Properties");
  return p ? p : el.prepend_child("Properties");
}

void SetAttr(pugi::xml_node el, const char* name, const std::string& value) {
  SetAttr(el, name, value.c_str());
}

void SetAttr(pugi::xml_node el, const char* name, const char* value) {
  pugi::xml_attribute a = el.attribute(name);
  if (!a) a = el.append_attribute(name);
  a.set_value(value);
}

void SetBool(pugi::xml_node el, const char* name, bool value) {
  SetAttr(el, name, value ? "true" : "false");
}

}  // namespace tarvelin::idml
