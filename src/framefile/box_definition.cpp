#include "framefile/box_definition.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>

#include "core/alert.h"
#include "core/diagnostics.h"
#include "core/import_log.h"
#include "core/measurement_units.h"
#include "core/utf16.h"
#include "framefile/parser_report.h"

namespace tarvelin {

namespace {

constexpr std::u16string_view kBeginTags[] = {u"<boxgroup", u"<boxpicture", u"<boxtext",
                                              u"<innerbox"};
constexpr std::u16string_view kEndTags[] = {u"</boxgroup", u"</boxpicture", u"</boxtext",
                                            u"</innerbox"};

// Document text around a definition. The parser is handed UTF-8, so the declaration is
// only part of the text shown when a parse fails.
constexpr std::string_view kRootOpen = "<root>";
constexpr std::string_view kRootClose = "</root>";
constexpr std::u16string_view kDeclaration = u"<?xml version=\"1.0\" encoding=\"utf-16\"?>";

// A buffer that is larger than this after a parse is released rather than kept.
constexpr size_t kKeepBufferBytes = 1 << 20;

// Writes one code point as UTF-8 at p and returns the end. Lone surrogates are written in
// the same three-byte form as other BMP units (the generalised form UTF-8 forbids) so that
// they come back unchanged from the parser; nothing in the XML grammar looks at them.
char* PutCodePoint(char* p, char32_t cp) {
  if (cp < 0x80) {
    *p++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *p++ = static_cast<char>(0xC0 | (cp >> 6));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *p++ = static_cast<char>(0xE0 | (cp >> 12));
    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *p++ = static_cast<char>(0xF0 | (cp >> 18));
    *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return p;
}

// The definition as the XML parser reads it: '&' stands for itself, typographic double
// quotes are plain quotes, U+0008 is a blank.
char16_t DocumentUnit(char16_t c) {
  if (c >= 0x201C && c <= 0x201F) return u'"';
  if (c == 0x0008) return u' ';
  return c;
}

void BuildDocument(std::u16string_view text, std::string& out) {
  // At most three bytes per unit, and four more for each '&'.
  size_t amps = static_cast<size_t>(std::count(text.begin(), text.end(), u'&'));
  out.resize(kRootOpen.size() + 3 * text.size() + 4 * amps + kRootClose.size());
  char* p = out.data();
  p = std::copy(kRootOpen.begin(), kRootOpen.end(), p);
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = DocumentUnit(text[i]);
    if (c < 0x80) {
      if (c == u'&') {
        p = std::copy_n("&amp;", 5, p);
      } else {
        *p++ = static_cast<char>(c);
      }
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
               text[i + 1] <= 0xDFFF) {
      p = PutCodePoint(p, 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else {
      p = PutCodePoint(p, c);
    }
  }
  p = std::copy(kRootClose.begin(), kRootClose.end(), p);
  out.resize(static_cast<size_t>(p - out.data()));
}

// The document text as UTF-16, for the import log when a parse fails.
std::u16string DocumentTextForLog(std::u16string_view text) {
  std::u16string out(kDeclaration);
  out.append(u"<root>");
  for (char16_t c : text) {
    if (c == u'&')
      out.append(u"&amp;");
    else
      out.push_back(DocumentUnit(c));
  }
  out.append(u"</root>");
  return out;
}

// Inverse of PutCodePoint, lone surrogates included. Bytes that do not form a sequence
// become U+FFFD.
void AppendDecoded(std::u16string& out, std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    int extra = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= bytes.size()) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    char32_t cp = b & (extra == 1 ? 0x1F : extra == 2 ? 0x0F : 0x07);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char t = static_cast<unsigned char>(bytes[i + k]);
      if ((t & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (t & 0x3F);
    }
    if (!ok || cp > 0x10FFFF) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += static_cast<size_t>(extra) + 1;
  }
}

std::u16string Decode(std::string_view bytes) {
  std::u16string out;
  out.resize(bytes.size());
  size_t n = 0;
  while (n < bytes.size() && static_cast<unsigned char>(bytes[n]) < 0x80) {
    out[n] = static_cast<char16_t>(bytes[n]);
    ++n;
  }
  out.resize(n);
  if (n < bytes.size()) AppendDecoded(out, bytes.substr(n));
  return out;
}

char LowerByte(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
char UpperByte(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool EqualsIgnoreCaseBytes(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerByte(a[i]) != LowerByte(b[i])) return false;
  return true;
}

}  // namespace

// The attributes of one element, in document order, with a name index once there are
// enough of them that scanning would make the lookups quadratic.
class BoxAttributeTable {
 public:
  explicit BoxAttributeTable(const pugi::xml_node& element) {
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
      Entry e{a.name(), a.value()};
      if (count_ < kInline)
        inline_[count_] = e;
      else
        overflow_.push_back(e);
      ++count_;
    }
    if (count_ > kInline) {
      byName_.reserve(count_);
      for (size_t i = 0; i < count_; ++i) byName_.try_emplace(At(i).name, i);
    }
  }

  struct Entry {
    std::string_view name;
    std::string_view value;
  };

  size_t Size() const { return count_; }
  const Entry& At(size_t i) const { return i < kInline ? inline_[i] : overflow_[i - kInline]; }

  // The first attribute with exactly this name.
  const Entry* FindExact(std::string_view name) const {
    if (count_ > kInline) {
      auto it = byName_.find(name);
      return it == byName_.end() ? nullptr : &At(it->second);
    }
    for (size_t i = 0; i < count_; ++i)
      if (inline_[i].name == name) return &inline_[i];
    return nullptr;
  }

  // Exactly, else in lower case, else in upper case; empty values count as absent.
  std::optional<std::string_view> Lookup(std::string_view name) const {
    if (count_ > kInline) return LookupIndexed(name);
    // Every candidate spelling equals the name ignoring case, so one pass over the
    // attributes finds the first attribute of each spelling.
    const Entry* exact = nullptr;
    const Entry* lower = nullptr;
    const Entry* upper = nullptr;
    for (size_t i = 0; i < count_; ++i) {
      const Entry& e = inline_[i];
      if (e.name.size() != name.size()) continue;
      bool isExact = true, isLower = true, isUpper = true, folded = true;
      for (size_t k = 0; k < name.size() && folded; ++k) {
        char a = e.name[k], b = name[k];
        isExact = isExact && a == b;
        isLower = isLower && a == LowerByte(b);
        isUpper = isUpper && a == UpperByte(b);
        folded = isExact || isLower || isUpper;
      }
      if (isExact && !exact) exact = &e;
      if (isLower && !lower) lower = &e;
      if (isUpper && !upper) upper = &e;
    }
    for (const Entry* e : {exact, lower, upper})
      if (e && !e->value.empty()) return e->value;
    return std::nullopt;
  }

 private:
  static constexpr size_t kInline = 24;
  Entry inline_[kInline];
  size_t count_ = 0;
  std::vector<Entry> overflow_;
  std::unordered_map<std::string_view, size_t> byName_;

  std::optional<std::string_view> LookupIndexed(std::string_view name) const {
    if (const Entry* e = FindExact(name); e && !e->value.empty()) return e->value;
    std::string variant(name);
    for (char& c : variant) c = LowerByte(c);
    if (const Entry* e = FindExact(variant); e && !e->value.empty()) return e->value;
    for (char& c : variant) c = UpperByte(c);
    if (const Entry* e = FindExact(variant); e && !e->value.empty()) return e->value;
    return std::nullopt;
  }
};

namespace {

std::optional<BoxKind> KindFromName(std::string_view name) {
  if (name == "box") return BoxKind::kBox;
  if (name == "boxtext") return BoxKind::kText;
  if (name == "boxgroup") return BoxKind::kGroup;
  if (name == "innerbox") return BoxKind::kInner;
  if (name == "boxpicture") return BoxKind::kPicture;
  return std::nullopt;
}

bool IsInnerBoxName(std::string_view name) {
  return name == "innerbox" || name == "boxpicture" || name == "boxtext";
}

// A whole number such as "-2" or " 1 "; anything else is not a number.
std::optional<int32_t> ParseInteger(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 9) return std::nullopt;
  int32_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return negative ? -v : v;
}

float Measurement(std::string_view value) {
  std::u16string text = Decode(value);
  return MeasurementToPoints(text);
}

}  // namespace

std::u16string_view BoxKindName(BoxKind kind) {
  switch (kind) {
    case BoxKind::kBox:
      return u"box";
    case BoxKind::kText:
      return u"boxtext";
    case BoxKind::kGroup:
      return u"boxgroup";
    case BoxKind::kInner:
      return u"innerbox";
    case BoxKind::kPicture:
      return u"boxpicture";
  }
  return u"";
}

bool ValidateBoxDefinition(std::u16string_view text, int32_t& headerEnd, int32_t& endTagStart) {
  // A tag is counted where its '<' stands: tags hold no other '<' or '>', so the text
  // there starts with the tag exactly when the token (everything since the last '<' or
  // '>') equals it at the tag's last character. Only the final balance matters, so the
  // order of the counts does not.
  int64_t depth = 0;
  size_t tokenStart = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'<') {
      tokenStart = i;
      std::u16string_view rest = text.substr(i);
      if (rest.size() >= 8 && (rest[1] == u'b' || rest[1] == u'i' || rest[1] == u'/')) {
        for (std::u16string_view tag : kBeginTags)
          if (rest.starts_with(tag)) ++depth;
        for (std::u16string_view tag : kEndTags)
          if (rest.starts_with(tag)) --depth;
      }
    } else if (c == u'>') {
      if (i > 0 && text[i - 1] == u'/') --depth;
      tokenStart = i + 1;
    }
  }
  if (depth != 0) {
    std::string token = ToUtf8(text.substr(std::min(tokenStart, text.size())));
    diag::Printf("not valid: %s\n", token.c_str());
    return false;
  }

  headerEnd = -1;
  endTagStart = -1;
  for (std::u16string_view tag : kBeginTags) {
    if (!text.starts_with(tag)) continue;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == u'"') {
        quoted = !quoted;
      } else if (text[i] == u'>' && !quoted) {
        headerEnd = static_cast<int32_t>(i + 1);
        break;
      }
    }
    break;
  }
  if (!text.empty()) {
    std::u16string_view body = text.substr(0, text.size() - 1);
    for (std::u16string_view tag : kEndTags) {
      if (body.ends_with(tag)) {
        endTagStart = static_cast<int32_t>(body.size() - tag.size());
        break;
      }
    }
  }
  return true;
}

BoxDefinition::BoxDefinition(std::u16string_view text, int32_t storyStart_, int32_t storyEnd_,
                             int32_t headerEnd_, int32_t endTagStart_)
    : storyStart(storyStart_),
      storyEnd(storyEnd_),
      headerEnd(headerEnd_),
      endTagStart(endTagStart_) {
  ParseXml(text);
}

BoxDefinition::BoxDefinition(const pugi::xml_node& element, int depth)
    : headerEnd(0), endTagStart(0) {
  ParseElement(element, depth);
}

const std::u16string* BoxDefinition::FindAttribute(std::u16string_view name) const {
  for (size_t i = 0; i < attributeNames.size(); ++i)
    if (EqualsIgnoreCaseAscii(attributeNames[i], name)) return &attributeValues[i];
  return nullptr;
}

bool BoxDefinition::GetAttributeValue(const pugi::xml_node& element, std::u16string_view name,
                                      std::u16string& value) {
  std::string bytes(3 * name.size(), '\0');
  char* p = bytes.data();
  for (char16_t c : name) p = PutCodePoint(p, c);
  bytes.resize(static_cast<size_t>(p - bytes.data()));
  BoxAttributeTable table(element);
  std::optional<std::string_view> found = table.Lookup(bytes);
  if (!found) return false;
  value = Decode(*found);
  return true;
}

void BoxDefinition::ParseXml(std::u16string_view text) {
  // One reused buffer holds the document text; the parser works in it in place. Parsing
  // runs on the host's main thread only. (Not thread_local: thread-local storage in the
  // loaded plug-in module trips LeakSanitizer's scan.)
  static std::string buffer;
  BuildDocument(text, buffer);

  pugi::xml_document document;
  pugi::xml_parse_result result = document.load_buffer_inplace(
      buffer.data(), buffer.size(), pugi::parse_default, pugi::encoding_utf8);
  struct Release {
    std::string& b;
    ~Release() {
      if (b.capacity() > kKeepBufferBytes) std::string().swap(b);
    }
  } release{buffer};

  if (result.status == pugi::status_out_of_memory) {
    Alerts().Information(u"domServices error");
    valid = false;
    return;
  }
  // A well-formed document has one top-level element; text such as "</root><root>" in
  // a definition would otherwise make a second one.
  bool wellFormed = result && !document.first_child().next_sibling();
  if (!wellFormed) {
    diag::Write("Could not create IIDXMLDOMDocument. Cannot proceed.\n");
    diag::Write("here\n");
    if (!result)
      diag::Printf("XML error: %s at byte %td\n", result.description(),
                   result.offset - static_cast<ptrdiff_t>(kRootOpen.size()));
    KInDesignCommon::LogMessage("Blad przy parsowaniu stringu xml:\n%s\n",
                                {DocumentTextForLog(text)});
    valid = false;
    return;
  }
  pugi::xml_node root = document.first_child();
  if (!root) {
    diag::Write("Could not get the first child of XML structure. Cannot continue.\n");
    valid = false;
    return;
  }
  if (std::strcmp(root.name(), "root") != 0) {
    diag::Write("The root node of created XML structure is not named \"root\". Cannot continue.\n");
    valid = false;
    return;
  }
  pugi::xml_node element = root.first_child();
  if (!element) {
    diag::Write("Could not get the first child of the root node. Cannot continue.\n");
    valid = false;
    return;
  }
  ParseElement(element, 0);
}

void BoxDefinition::ParseElement(const pugi::xml_node& element, int depth) {
  std::optional<BoxKind> k = KindFromName(element.name());
  if (!k) {
    std::string name = ToUtf8(Decode(element.name()));
    diag::Printf("Node \"%s\" is not an allowed entity.\n", name.c_str());
    valid = false;
    return;
  }
  kind = *k;
  BoxAttributeTable table(element);
  CollectAttributes(table);
  DecodeAttributes(table);

  for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element || !IsInnerBoxName(child.name())) continue;
    if (depth >= kMaxNesting) {
      std::u16string message = KInDesignCommon::Format(
          u"Inner boxes nested %d levels deep; at most %d are allowed. The definition is not "
          u"processed.",
          {depth + 1, kMaxNesting});
      ReportParserMessage(message);
      valid = false;
      return;
    }
    innerBoxes.emplace_back(child, depth + 1);
    if (!innerBoxes.back().valid) {
      valid = false;
      return;
    }
  }
}

void BoxDefinition::CollectAttributes(const BoxAttributeTable& attributes) {
  attributeNames.clear();
  attributeValues.clear();
  attributeNames.reserve(attributes.Size());
  attributeValues.reserve(attributes.Size());
  // Names kept so far, in lower case, for the duplicate check once the list is long.
  std::unordered_map<std::string, bool> keptLower;
  const bool indexed = attributes.Size() > 24;
  std::vector<std::string_view> keptNames;
  if (indexed) keptLower.reserve(attributes.Size());
  for (size_t i = 0; i < attributes.Size(); ++i) {
    std::string_view name = attributes.At(i).name;
    if (name.empty()) continue;
    bool duplicate = false;
    std::string lower;
    if (indexed) {
      lower.assign(name);
      for (char& c : lower) c = LowerByte(c);
      duplicate = keptLower.contains(lower);
    } else {
      for (std::string_view kept : keptNames)
        if (EqualsIgnoreCaseBytes(kept, name)) duplicate = true;
    }
    if (duplicate) continue;
    std::optional<std::string_view> value = attributes.Lookup(name);
    if (!value) continue;
    if (indexed)
      keptLower.emplace(std::move(lower), true);
    else
      keptNames.push_back(name);
    attributeNames.push_back(Decode(name));
    attributeValues.push_back(Decode(*value));
  }
}

void BoxDefinition::DecodeAttributes(const BoxAttributeTable& attributes) {
  static constexpr std::string_view kTextNames[] = {"t1", "t2", "t3", "t4"};
  for (size_t i = 0; i < texts.size(); ++i)
    if (auto v = attributes.Lookup(kTextNames[i])) texts[i] = Decode(*v);

  if (auto v = attributes.Lookup("hs"))
    width = Measurement(*v);
  else if (auto w = attributes.Lookup("WD"))
    width = Measurement(*w);
  if (auto v = attributes.Lookup("vs"))
    height = Measurement(*v);
  else if (auto h = attributes.Lookup("HD"))
    height = Measurement(*h);

  if (auto v = attributes.Lookup("os")) objectStyleName = Decode(*v);
  if (auto v = attributes.Lookup("fn")) fileName = Decode(*v);
  if (auto v = attributes.Lookup("sp")) {
    std::optional<int32_t> selector = ParseInteger(*v);
    if (selector && *selector >= -4 && *selector <= 1) fittingSelector = *selector;
  }
  if (auto v = attributes.Lookup("bc")) ParseColour(borderColour, Decode(*v));
  if (auto v = attributes.Lookup("fc"))
    ParseColour(fillColour, Decode(*v));
  else
    ParseColour(fillColour, u"1");
  if (auto v = attributes.Lookup("fw")) strokeWeight = Measurement(*v);

  static constexpr std::string_view kInsetNames[] = {"TIL", "TIT", "TIR", "TIB"};
  if (auto v = attributes.Lookup("TI")) {
    insets.fill(Measurement(*v));
    insetsSet = true;
  }
  for (size_t i = 0; i < insets.size(); ++i) {
    if (auto v = attributes.Lookup(kInsetNames[i])) {
      insets[i] = Measurement(*v);
      insetsSet = true;
    }
  }

  if (auto v = attributes.Lookup("RAT"); v && *v == "0") offsetFlag = false;
  static constexpr std::string_view kOffsetNames[] = {"TOL", "TOT", "TOR", "TOB"};
  if (auto v = attributes.Lookup("TO")) {
    offsets.fill(Measurement(*v));
    offsetFlag = true;
  }
  for (size_t i = 0; i < offsets.size(); ++i) {
    if (auto v = attributes.Lookup(kOffsetNames[i])) {
      offsets[i] = Measurement(*v);
      offsetFlag = true;
    }
  }
}

}  // namespace tarvelin
