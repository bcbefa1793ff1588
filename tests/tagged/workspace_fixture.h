// A database with the text classes and a text workspace over a small font catalogue, and a
// text form of a story's formatting for comparisons.
#pragma once

#include <memory>
#include <string>

#include "core/utf16.h"
#include "host/objects/class_registry.h"
#include "host/objects/database.h"
#include "host/text/font_catalogue.h"
#include "host/text/font_families.h"
#include "host/text/style_table.h"
#include "host/text/swatch_list.h"
#include "host/text/text_classes.h"
#include "host/text/text_model.h"
#include "host/text/text_workspace.h"

namespace tarvelin::testing_support {

inline StaticFontCatalogue MakeCatalogue() {
  auto face = [](const char16_t* style, const std::u16string& family, FaceKind kind) {
    std::u16string s(style);
    std::u16string full = family + u" " + s;
    std::u16string ps = family + u"-" + s;
    std::erase(ps, u' ');
    return FontFace{s, full, ps, kind};
  };
  auto family = [&](std::u16string name) {
    return FontFamilyInfo{
        name,
        {face(u"Regular", name, FaceKind::kRegular), face(u"Italic", name, FaceKind::kItalic),
         face(u"Bold", name, FaceKind::kBold), face(u"Bold Italic", name, FaceKind::kBoldItalic)}};
  };
  return StaticFontCatalogue(
      {family(u"Liberation Serif"), family(u"Arial"),
       FontFamilyInfo{u"Narrow", {face(u"Condensed", u"Narrow", FaceKind::kOther)}}});
}

struct Workspace {
  StaticFontCatalogue fonts = MakeCatalogue();
  std::shared_ptr<ClassRegistry> registry = [] {
    auto r = std::make_shared<ClassRegistry>();
    RegisterTextClasses(*r);
    return r;
  }();
  Database db{registry};
  TextWorkspace ws = CreateTextWorkspace(db, &fonts);

  std::u16string StyleName(UID uid) const {
    if (uid == kInvalidUID) return u"";
    auto style = db.Query<IStyle>(uid);
    return style ? style->Name() : u"?";
  }
  std::string SwatchText(UID uid) const {
    auto swatch = db.Query<ISwatch>(uid);
    if (!swatch) return "?";
    const Colour& c = swatch->GetColour();
    std::string out =
        "\"" + ToUtf8(swatch->Name()) + "\"(" + std::to_string(static_cast<int>(c.space));
    for (float v : c.components) out += "," + std::to_string(v).substr(0, 4);
    return out + (c.process ? ",p)" : ",s)");
  }
  std::string Value(const Attribute& a) const {
    switch (ValueTypeOf(a.kind)) {
      case AttrValueType::kInt:
        return std::to_string(a.AsInt());
      case AttrValueType::kDouble: {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%g", a.AsDouble());
        return buf;
      }
      case AttrValueType::kText:
        return ToUtf8(a.AsText());
      case AttrValueType::kUID:
        if (a.kind == AttrKind::kFontFamily) {
          auto f = db.Query<IFontFamily>(a.AsUID());
          return f ? ToUtf8(f->Name()) : "?";
        }
        return SwatchText(a.AsUID());
    }
    return "?";
  }
  std::string Render(const AttributeList& list) const {
    std::string out = "{";
    for (const Attribute& a : list) {
      if (out.size() > 1) out += ",";
      out += std::string(AttrKindName(a.kind)) + "=" + Value(a);
    }
    return out + "}";
  }
  // "text|c[s,e)style{...}...|p[s,e)style{...}..." with every run of both strands.
  std::string Dump(UID story) const {
    auto m = db.Query<ITextModel>(story);
    if (!m) return "<no story>";
    std::string out = ToUtf8(m->Text(0, m->TotalLength())) + "|";
    for (size_t i = 0; i < m->TotalLength();) {
      TextRange r = m->CharacterRunAt(i);
      out += "c[" + std::to_string(r.start) + "," + std::to_string(r.End()) + ")" +
             ToUtf8(StyleName(m->CharacterStyleAt(i))) + Render(m->CharacterOverridesAt(i));
      i = r.End();
    }
    out += "|";
    for (size_t i = 0; i < m->TotalLength();) {
      TextRange r = m->ParagraphAt(i);
      out += "p[" + std::to_string(r.start) + "," + std::to_string(r.End()) + ")" +
             ToUtf8(StyleName(m->ParagraphStyleAt(i))) + Render(m->ParagraphOverridesAt(i));
      i = r.End();
    }
    return out;
  }
  // Every style of both tables with parent and attributes, and every swatch.
  std::string Catalogue() const {
    std::string out;
    for (StyleKind kind : {StyleKind::kParagraph, StyleKind::kCharacter}) {
      auto table = StyleTableOf(const_cast<Database&>(db), ws, kind);
      for (const auto& [name, uid] : table->Styles()) {
        auto style = db.Query<IStyle>(uid);
        out += (kind == StyleKind::kParagraph ? "P:" : "C:") + ToUtf8(name) + "<" +
               ToUtf8(StyleName(style->Parent())) + ">" + Render(style->Attributes()) + " ";
      }
    }
    auto swatches = db.Query<ISwatchList>(ws.swatches);
    for (UID uid : swatches->Swatches()) out += SwatchText(uid) + " ";
    return out;
  }
};

}  // namespace tarvelin::testing_support
