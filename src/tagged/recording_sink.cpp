#include "tagged/recording_sink.h"

#include <cstdio>
#include <type_traits>

#include "core/utf16.h"

namespace tarvelin {
namespace {

std::string Number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

std::string RenderText(std::u16string_view text) {
  std::string out = "\"";
  for (char16_t c : text) {
    if (c == u'\r') {
      out += "\\r";
    } else if (c == u'\n') {
      out += "\\n";
    } else if (c == u'"' || c == u'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if ((c >= 0x20 && c < 0x7F) || (c >= 0xC0 && c <= 0x24F)) {
      out += ToUtf8(std::u16string_view(&c, 1));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
      out += buf;
    }
  }
  return out + "\"";
}

std::string RenderValue(const TaggedAttribute& a) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, int32_t>) {
          return std::to_string(v);
        } else if constexpr (std::is_same_v<T, double>) {
          return Number(v);
        } else if constexpr (std::is_same_v<T, std::u16string>) {
          return ToUtf8(v);
        } else {
          std::string s = "(";
          for (double d : {v.width}) s.append(Number(d));
          s.append(",").append(ToUtf8(v.colour));
          for (double d : {v.leftIndent, v.rightIndent, v.offset}) s.append(",").append(Number(d));
          if (v.toColumn) s.append(",col");
          s.append(")");
          return s;
        }
      },
      a.value);
}

}  // namespace

std::string RenderAttributes(std::span<const TaggedAttribute> list) {
  std::string out = "{";
  for (size_t i = 0; i < list.size(); ++i) {
    if (i) out += ",";
    out += TaggedAttrName(list[i].kind);
    out += "=";
    out += RenderValue(list[i]);
  }
  return out + "}";
}

const std::vector<std::string>& RecordingSink::Ops() const {
  FlushText();
  return ops_;
}

std::string RecordingSink::Joined() const {
  std::string out;
  for (const auto& op : Ops()) {
    if (!out.empty()) out += ' ';
    out += op;
  }
  return out;
}

void RecordingSink::FlushText() const {
  if (open_text_.empty()) return;
  ops_.push_back(RenderText(open_text_));
  open_text_.clear();
}

void RecordingSink::Record(std::string op) {
  FlushText();
  ops_.push_back(std::move(op));
  ++count_;
}

bool RecordingSink::OpenStory(size_t /*inputUnits*/) {
  return storyAvailable;
}

void RecordingSink::InsertText(std::u16string_view text) {
  open_text_.append(text);
  text_.append(text);
  ++count_;
}

bool RecordingSink::ApplyPending(std::span<const TaggedAttribute> list, TaggedLevel level) {
  bool ok = !failApplications;
  std::string op = level == TaggedLevel::kParagraph ? "para" : "char";
  Record(op + (ok ? "" : "!") + RenderAttributes(list));
  if (ok) {
    for (const auto& a : list) {
      if (a.kind == TaggedAttrKind::kFontFamily) {
        family_ = std::get<std::u16string>(a.value);
        family_set_ = true;
      } else if (a.kind == TaggedAttrKind::kFontStyle) {
        face_ = std::get<std::u16string>(a.value);
        face_set_ = true;
      }
    }
  }
  return ok;
}

void RecordingSink::RevertAttribute(TaggedAttrKind kind) {
  Record("revert(" + std::string(TaggedAttrName(kind)) + ")");
  if (kind == TaggedAttrKind::kFontFamily) family_set_ = false;
}

void RecordingSink::RevertAll() {
  Record("revertAll");
  family_set_ = face_set_ = false;
}

bool RecordingSink::ApplyParagraphStyle(std::u16string_view name, bool clearFontOverride) {
  bool ok = !failApplications;
  if (ok && !paragraphStyles.contains(name)) {
    // Created under "Normal" or "_Normal"; without either there is no parent.
    ok = paragraphStyles.contains(std::u16string_view(u"Normal")) ||
         paragraphStyles.contains(std::u16string_view(u"_Normal"));
    if (ok) paragraphStyles.emplace(name);
  }
  if (ok && clearFontOverride) family_set_ = false;
  Record(std::string("pstyle") + (ok ? "" : "!") + "(" + ToUtf8(name) +
         (clearFontOverride ? "" : ",keepFont") + ")");
  return ok;
}

bool RecordingSink::ApplyCharacterStyle(std::u16string_view name) {
  bool ok = !failApplications;
  if (ok) characterStyles.emplace(name);
  Record(std::string("cstyle") + (ok ? "" : "!") + "(" + ToUtf8(name) + ")");
  return ok;
}

bool RecordingSink::ApplyRootCharacterStyle() {
  bool ok = !failApplications;
  Record(std::string("cstyle") + (ok ? "" : "!") + "()");
  return ok;
}

void RecordingSink::DefineCharacterStyle(std::u16string_view name,
                                         std::span<const TaggedAttribute> list) {
  characterStyles.emplace(name);
  Record("defc(" + ToUtf8(name) + ")" + RenderAttributes(list));
}

void RecordingSink::DefineParagraphStyle(std::u16string_view name,
                                         std::span<const TaggedAttribute> list) {
  paragraphStyles.emplace(name);
  Record("defp(" + ToUtf8(name) + ")" + RenderAttributes(list));
}

void RecordingSink::DefineColor(std::u16string_view name, ColourSpace space, double c1, double c2,
                                double c3, double c4) {
  swatches.emplace(name);
  Record("colour(" + ToUtf8(name) + "," + ColourSpaceName(space) + "," + Number(c1) + "," +
         Number(c2) + "," + Number(c3) + "," + Number(c4) + ")");
}

std::u16string RecordingSink::CurrentFace() {
  return face_set_ ? face_ : defaultFace;
}
std::u16string RecordingSink::CurrentFamily() {
  return family_set_ ? family_ : defaultFamily;
}

bool RecordingSink::ParagraphStyleExists(std::u16string_view name) {
  return paragraphStyles.contains(name);
}
bool RecordingSink::CharacterStyleExists(std::u16string_view name) {
  return characterStyles.contains(name);
}
bool RecordingSink::SwatchExists(std::u16string_view name) {
  return swatches.contains(name);
}
bool RecordingSink::ResolveTextColour(std::u16string_view name) {
  return swatches.contains(name);
}
bool RecordingSink::FontFamilyExists(std::u16string_view family) {
  return fonts.contains(family);
}
std::u16string RecordingSink::FaceName(std::u16string_view family, TaggedFaceKind kind) {
  auto it = faces.find(family);
  return it == faces.end() ? std::u16string() : it->second[static_cast<size_t>(kind)];
}

}  // namespace tarvelin
