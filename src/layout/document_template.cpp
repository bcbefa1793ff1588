#include "layout/document_template.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <cmath>
#include <initializer_list>

#include "core/measurement_units.h"
#include "core/utf16.h"
#include "host/documents/document_commands.h"
#include "host/documents/page_item_commands.h"
#include "host/objects/class_registry.h"
#include "host/objects/command_processor.h"
#include "host/text/font_families.h"
#include "host/text/style_table.h"

namespace tarvelin {

namespace {

// The built-in template; examples/default-template.json holds the same text (a test
// keeps them equal).
constexpr std::string_view kDefaultTemplate = R"json({
  "name": "Strona ogłoszeń A4",
  "page": { "width": "210mm", "height": "297mm" },
  "margins": "12mm",
  "columns": 4,
  "gutter": "4mm",
  "textFrame": true,
  "swatches": [
    { "name": "Black", "space": "CMYK", "components": [0, 0, 0, 1], "process": true },
    { "name": "Paper", "space": "CMYK", "components": [0, 0, 0, 0], "process": true },
    { "name": "Registration", "space": "CMYK", "components": [1, 1, 1, 1], "process": true },
    { "name": "Szary 10%", "space": "CMYK", "components": [0, 0, 0, 0.1], "process": true },
    { "name": "Szary 30%", "space": "CMYK", "components": [0, 0, 0, 0.3], "process": true }
  ],
  "paragraphStyles": [
    { "name": "Tekst ogłoszenia", "attributes": { "pointSize": 9, "leading": 10.8 } },
    { "name": "Nagłówek ogłoszenia", "parent": "Tekst ogłoszenia",
      "attributes": { "pointSize": 14, "leading": 16, "fontStyle": "Bold", "keepWithNext": 1 } },
    { "name": "Podpis", "parent": "Tekst ogłoszenia",
      "attributes": { "pointSize": 7, "leading": 8.4, "alignment": 2 } }
  ],
  "characterStyles": [
    { "name": "Pogrubienie", "attributes": { "fontStyle": "Bold" } },
    { "name": "Kursywa", "attributes": { "fontStyle": "Italic" } }
  ],
  "objectStyles": [
    { "name": "Ramka ogłoszenia", "stroke": "Black", "strokeWeight": 0.5, "insets": "2pt" },
    { "name": "Wyróżnienie", "fill": "Szary 10%", "stroke": null, "insets": "2pt" },
    { "name": "Zdjęcie", "fill": null, "stroke": null, "strokeWeight": 0, "insets": 0,
      "wrap": { "mode": "boundingBox", "offsets": "1mm" } },
    { "name": "Ramka pogrubiona", "stroke": "Black", "strokeWeight": 2, "insets": "3pt" }
  ]
}
)json";

// Reads JSON values into the template, keeping the path of the member being read for
// messages ("objectStyles[2].insets"). The first error wins; reading goes on harmlessly
// after it.
class Reader {
 public:
  std::string error;
  std::vector<std::string> warnings;

  bool Failed() const { return !error.empty(); }

  void Fail(const std::string& path, const std::string& what) {
    if (error.empty()) error = path + ": " + what;
  }

  void CheckMembers(const QJsonObject& o, const std::string& path,
                    std::initializer_list<const char*> known) {
    for (auto it = o.begin(); it != o.end(); ++it) {
      bool ok = false;
      for (const char* k : known) ok = ok || it.key() == QLatin1String(k);
      if (!ok)
        warnings.push_back(path + ": unknown member \"" + it.key().toStdString() + "\" ignored");
    }
  }

  std::optional<double> Length(const QJsonValue& v, const std::string& path) {
    if (v.isDouble()) {
      double d = v.toDouble();
      if (std::isfinite(d)) return d;
    } else if (v.isString()) {
      std::u16string text = v.toString().toStdU16String();
      for (const MeasurementUnit& unit : MeasurementUnits())
        if (auto points = unit.ParseToPoints(text); points && std::isfinite(*points))
          return *points;
    }
    Fail(path, "expected a length (a number of points or a text such as \"12mm\")");
    return std::nullopt;
  }

  std::optional<Insets> Quad(const QJsonValue& v, const std::string& path) {
    if (v.isArray()) {
      QJsonArray a = v.toArray();
      if (a.size() != 4) {
        Fail(path, "expected four lengths [left, top, right, bottom]");
        return std::nullopt;
      }
      double x[4];
      for (int i = 0; i < 4; ++i)
        if (auto l = Length(a[i], path + "[" + std::to_string(i) + "]"))
          x[i] = *l;
        else
          return std::nullopt;
      return Insets{x[0], x[1], x[2], x[3]};
    }
    if (v.isObject()) {
      QJsonObject o = v.toObject();
      CheckMembers(o, path, {"left", "top", "right", "bottom"});
      Insets in;
      double* fields[] = {&in.left, &in.top, &in.right, &in.bottom};
      const char* names[] = {"left", "top", "right", "bottom"};
      for (int i = 0; i < 4; ++i)
        if (o.contains(QLatin1String(names[i]))) {
          auto l = Length(o[QLatin1String(names[i])], path + "." + names[i]);
          if (!l) return std::nullopt;
          *fields[i] = *l;
        }
      return in;
    }
    auto l = Length(v, path);
    if (!l) return std::nullopt;
    return Insets{*l, *l, *l, *l};
  }

  std::optional<std::u16string> Text(const QJsonValue& v, const std::string& path) {
    if (v.isString()) return v.toString().toStdU16String();
    Fail(path, "expected a text");
    return std::nullopt;
  }

  // A swatch reference: a name, or null for "none".
  std::optional<std::u16string> SwatchRef(const QJsonValue& v, const std::string& path) {
    if (v.isNull()) return std::u16string();
    return Text(v, path);
  }

  std::vector<QJsonObject> Objects(const QJsonValue& v, const std::string& path) {
    std::vector<QJsonObject> out;
    if (!v.isArray()) {
      Fail(path, "expected a list");
      return out;
    }
    QJsonArray a = v.toArray();
    for (int i = 0; i < a.size(); ++i) {
      if (!a[i].isObject()) {
        Fail(path + "[" + std::to_string(i) + "]", "expected an object");
        return {};
      }
      out.push_back(a[i].toObject());
    }
    return out;
  }

  std::optional<std::u16string> Name(const QJsonObject& o, const std::string& path) {
    if (!o.contains(QLatin1String("name"))) {
      Fail(path, "a name is required");
      return std::nullopt;
    }
    auto name = Text(o[QLatin1String("name")], path + ".name");
    if (name && name->empty()) Fail(path + ".name", "the name is empty");
    return name;
  }

  void Swatches(const QJsonValue& v, DocumentTemplate& t) {
    auto list = Objects(v, "swatches");
    for (size_t i = 0; i < list.size() && !Failed(); ++i) {
      const QJsonObject& o = list[i];
      std::string path = "swatches[" + std::to_string(i) + "]";
      CheckMembers(o, path, {"name", "space", "components", "process"});
      auto name = Name(o, path);
      if (!name) return;
      ColourSpace space = ColourSpace::kCmyk;
      if (o.contains(QLatin1String("space"))) {
        QString s = o[QLatin1String("space")].toString().toUpper();
        if (s == QLatin1String("CMYK"))
          space = ColourSpace::kCmyk;
        else if (s == QLatin1String("RGB"))
          space = ColourSpace::kRgb;
        else if (s == QLatin1String("LAB"))
          space = ColourSpace::kLab;
        else
          return Fail(path + ".space", "expected \"CMYK\", \"RGB\" or \"LAB\"");
      }
      QJsonArray c = o[QLatin1String("components")].toArray();
      if (static_cast<size_t>(c.size()) != ComponentCount(space))
        return Fail(path + ".components",
                    "expected " + std::to_string(ComponentCount(space)) + " numbers");
      float values[4] = {};
      for (int k = 0; k < c.size(); ++k) {
        double d = c[k].toDouble(std::nan(""));
        bool unit_range = space != ColourSpace::kLab;
        if (!c[k].isDouble() || !std::isfinite(d) || (unit_range && (d < 0 || d > 1)) ||
            (!unit_range && std::fabs(d) > 200))
          return Fail(
              path + ".components[" + std::to_string(k) + "]",
              unit_range ? "expected a number from 0 to 1" : "expected a number from -200 to 200");
        values[k] = static_cast<float>(d);
      }
      bool process = o[QLatin1String("process")].toBool(true);
      t.swatches.push_back(
          {*name,
           Colour::Make(space, std::span<const float>(values, ComponentCount(space)), process)});
    }
  }

  void TextStyles(const QJsonValue& v, const char* member, std::vector<TemplateTextStyle>& out) {
    auto list = Objects(v, member);
    for (size_t i = 0; i < list.size() && !Failed(); ++i) {
      const QJsonObject& o = list[i];
      std::string path = std::string(member) + "[" + std::to_string(i) + "]";
      CheckMembers(o, path, {"name", "parent", "attributes"});
      auto name = Name(o, path);
      if (!name) return;
      TemplateTextStyle style{*name, {}, {}};
      if (o.contains(QLatin1String("parent"))) {
        auto parent = Text(o[QLatin1String("parent")], path + ".parent");
        if (!parent) return;
        style.parent = *parent;
      }
      QJsonObject attrs = o[QLatin1String("attributes")].toObject();
      for (auto it = attrs.begin(); it != attrs.end(); ++it) {
        std::string key = it.key().toStdString();
        std::string apath = path + ".attributes." + key;
        auto kind = AttrKindFromName(key);
        if (!kind) {
          warnings.push_back(apath + ": unknown attribute ignored");
          continue;
        }
        switch (ValueTypeOf(*kind)) {
          case AttrValueType::kInt:
            if (it.value().isBool())
              style.attributes.push_back({*kind, it.value().toBool() ? 1.0 : 0.0});
            else if (it.value().isDouble() && std::isfinite(it.value().toDouble()) &&
                     std::fabs(it.value().toDouble()) < 1e6)
              style.attributes.push_back({*kind, std::round(it.value().toDouble())});
            else
              return Fail(apath, "expected a whole number");
            break;
          case AttrValueType::kDouble:
            if (*kind == AttrKind::kLeading && it.value().toString() == QLatin1String("auto")) {
              style.attributes.push_back({*kind, kAutoLeading});
            } else if (auto l = Length(it.value(), apath)) {
              style.attributes.push_back({*kind, *l});
            } else {
              return;
            }
            break;
          case AttrValueType::kUID:
          case AttrValueType::kText:
            if (auto text = Text(it.value(), apath))
              style.attributes.push_back({*kind, *text});
            else
              return;
            break;
        }
      }
      out.push_back(std::move(style));
    }
  }

  void ObjectStyles(const QJsonValue& v, DocumentTemplate& t) {
    auto list = Objects(v, "objectStyles");
    for (size_t i = 0; i < list.size() && !Failed(); ++i) {
      const QJsonObject& o = list[i];
      std::string path = "objectStyles[" + std::to_string(i) + "]";
      CheckMembers(o, path, {"name", "fill", "stroke", "strokeWeight", "insets", "wrap"});
      auto name = Name(o, path);
      if (!name) return;
      TemplateObjectStyle s;
      s.name = *name;
      if (o.contains(QLatin1String("fill")))
        s.fill = SwatchRef(o[QLatin1String("fill")], path + ".fill");
      if (o.contains(QLatin1String("stroke")))
        s.stroke = SwatchRef(o[QLatin1String("stroke")], path + ".stroke");
      if (o.contains(QLatin1String("strokeWeight"))) {
        s.strokeWeight = Length(o[QLatin1String("strokeWeight")], path + ".strokeWeight");
        if (s.strokeWeight && (*s.strokeWeight < 0 || *s.strokeWeight > 1000))
          Fail(path + ".strokeWeight", "expected 0 to 1000 pt");
      }
      if (o.contains(QLatin1String("insets"))) {
        s.insets = Quad(o[QLatin1String("insets")], path + ".insets");
        if (s.insets && (s.insets->left < 0 || s.insets->top < 0 || s.insets->right < 0 ||
                         s.insets->bottom < 0))
          Fail(path + ".insets", "insets may not be negative");
      }
      if (o.contains(QLatin1String("wrap"))) {
        QJsonObject w = o[QLatin1String("wrap")].toObject();
        CheckMembers(w, path + ".wrap", {"mode", "offsets"});
        QString mode = w[QLatin1String("mode")].toString(QStringLiteral("none"));
        for (uint8_t m = 0; m <= static_cast<uint8_t>(WrapMode::kNextColumn); ++m)
          if (mode == QLatin1String(WrapModeName(static_cast<WrapMode>(m))))
            s.wrapMode = static_cast<WrapMode>(m);
        if (!s.wrapMode)
          Fail(path + ".wrap.mode", "unknown wrap mode \"" + mode.toStdString() + "\"");
        if (w.contains(QLatin1String("offsets")))
          if (auto off = Quad(w[QLatin1String("offsets")], path + ".wrap.offsets"))
            s.wrapOffsets = *off;
      }
      t.objectStyles.push_back(std::move(s));
    }
  }
};

// Sets an existing swatch's colour as one command.
ErrorCode SetSwatchColour(Database& db, UID swatch, const Colour& colour) {
  return ProcessFunctionCommand(db, u"Swatch", UIDList(UIDRef(&db, swatch)), [&]() -> ErrorCode {
    auto s = db.Query<ISwatch>(swatch);
    if (!s) return kFailure;
    if (!(s->GetColour() == colour)) s->Set(s->Name(), colour);
    return kSuccess;
  });
}

std::string Utf8(std::u16string_view s) {
  return ToUtf8(s);
}

}  // namespace

std::string_view DefaultTemplateJson() {
  return kDefaultTemplate;
}

TemplateResult ParseTemplate(std::string_view json) {
  TemplateResult result;
  QJsonParseError perr;
  QJsonDocument jd =
      QJsonDocument::fromJson(QByteArray(json.data(), static_cast<qsizetype>(json.size())), &perr);
  if (perr.error != QJsonParseError::NoError) {
    result.error = "not valid JSON at byte " + std::to_string(perr.offset) + ": " +
                   perr.errorString().toStdString();
    return result;
  }
  if (!jd.isObject()) {
    result.error = "the template must be a JSON object";
    return result;
  }
  QJsonObject root = jd.object();
  Reader r;
  DocumentTemplate t;
  r.CheckMembers(root, "template",
                 {"name", "page", "margins", "columns", "gutter", "textFrame", "swatches",
                  "paragraphStyles", "characterStyles", "objectStyles"});
  if (root.contains(QLatin1String("name")))
    if (auto n = r.Text(root[QLatin1String("name")], "name")) t.name = *n;
  if (root.contains(QLatin1String("page"))) {
    QJsonValue pv = root[QLatin1String("page")];
    if (!pv.isObject()) {
      r.Fail("page", "expected {\"width\", \"height\"}");
    } else {
      QJsonObject page = pv.toObject();
      r.CheckMembers(page, "page", {"width", "height"});
      if (page.contains(QLatin1String("width")))
        if (auto w = r.Length(page[QLatin1String("width")], "page.width")) t.page.width = *w;
      if (page.contains(QLatin1String("height")))
        if (auto h = r.Length(page[QLatin1String("height")], "page.height")) t.page.height = *h;
    }
  }
  if (root.contains(QLatin1String("margins")))
    if (auto m = r.Quad(root[QLatin1String("margins")], "margins")) t.page.margins = *m;
  if (root.contains(QLatin1String("columns"))) {
    QJsonValue c = root[QLatin1String("columns")];
    double d = c.toDouble(std::nan(""));
    if (!c.isDouble() || d != std::floor(d) || d < 1 || d > ITextFrame::kMaxColumns)
      r.Fail("columns", "expected a whole number from 1 to 64");
    else
      t.page.columns = static_cast<int32_t>(d);
  }
  if (root.contains(QLatin1String("gutter")))
    if (auto g = r.Length(root[QLatin1String("gutter")], "gutter")) t.page.gutter = *g;
  if (root.contains(QLatin1String("textFrame"))) {
    if (!root[QLatin1String("textFrame")].isBool())
      r.Fail("textFrame", "expected true or false");
    else
      t.textFrame = root[QLatin1String("textFrame")].toBool();
  }
  if (!r.Failed())
    if (std::string why = ValidatePageSetup(t.page); !why.empty()) r.Fail("page", why);
  if (root.contains(QLatin1String("swatches"))) r.Swatches(root[QLatin1String("swatches")], t);
  if (root.contains(QLatin1String("paragraphStyles")))
    r.TextStyles(root[QLatin1String("paragraphStyles")], "paragraphStyles", t.paragraphStyles);
  if (root.contains(QLatin1String("characterStyles")))
    r.TextStyles(root[QLatin1String("characterStyles")], "characterStyles", t.characterStyles);
  if (root.contains(QLatin1String("objectStyles")))
    r.ObjectStyles(root[QLatin1String("objectStyles")], t);
  result.warnings = std::move(r.warnings);
  if (r.Failed()) {
    result.error = r.error;
    return result;
  }
  result.spec = std::move(t);
  return result;
}

std::unique_ptr<Document> BuildDocument(std::shared_ptr<const ClassRegistry> registry,
                                        const DocumentTemplate& spec,
                                        std::vector<std::string>& warnings, std::string& error) {
  if (std::string why = ValidatePageSetup(spec.page); !why.empty()) {
    error = "page: " + why;
    return nullptr;
  }
  auto doc = Document::Create(std::move(registry), spec.page, spec.name);
  if (!doc) {
    error = "the document could not be made";
    return nullptr;
  }
  Database& db = doc->DataBase();
  const TextWorkspace ws = doc->TextWorkspaceRefs();
  auto fail = [&](const std::string& what) {
    error = what;
    return nullptr;
  };

  for (const TemplateSwatch& s : spec.swatches) {
    UID existing = FindSwatchByName(db, ws, s.name);
    ErrorCode e = existing != kInvalidUID ? SetSwatchColour(db, existing, s.colour)
                                          : CreateSwatch(db, ws, s.name, s.colour);
    if (e != kSuccess)
      return fail("swatch \"" + Utf8(s.name) + "\" could not be made (" + ErrorCodeName(e) + ")");
  }

  auto swatch_ref = [&](const std::u16string& name,
                        const std::string& where) -> std::optional<UID> {
    if (name.empty()) return kInvalidUID;
    UID uid = FindSwatchByName(db, ws, name);
    if (uid == kInvalidUID) {
      warnings.push_back(where + ": no swatch named \"" + Utf8(name) + "\"; left out");
      return std::nullopt;
    }
    return uid;
  };

  auto build_styles = [&](const std::vector<TemplateTextStyle>& styles, StyleKind kind,
                          const char* member) {
    for (const TemplateTextStyle& s : styles) {
      std::string where = std::string(member) + " \"" + Utf8(s.name) + "\"";
      AttributeList list;
      for (const TemplateAttribute& a : s.attributes) {
        std::string aw = where + " " + std::string(AttrKindName(a.kind));
        switch (ValueTypeOf(a.kind)) {
          case AttrValueType::kInt:
            list.Set(Attribute::Int(a.kind, static_cast<int32_t>(std::get<double>(a.value))));
            break;
          case AttrValueType::kDouble:
            list.Set(Attribute::Double(a.kind, std::get<double>(a.value)));
            break;
          case AttrValueType::kText:
            list.Set(Attribute::Text(a.kind, std::get<std::u16string>(a.value)));
            break;
          case AttrValueType::kUID: {
            const std::u16string& name = std::get<std::u16string>(a.value);
            if (a.kind == AttrKind::kFontFamily) {
              UID family = FindFontFamily(db, ws, name);
              if (family == kInvalidUID) {
                warnings.push_back(aw + ": the system has no font family \"" + Utf8(name) + "\"");
                RegisterFontFamily(db, ws, name, nullptr, &family);
              }
              if (family != kInvalidUID) list.Set(Attribute::Uid(a.kind, family));
            } else if (auto swatch = swatch_ref(name, aw); swatch && *swatch != kInvalidUID) {
              list.Set(Attribute::Uid(a.kind, *swatch));
            }
            break;
          }
        }
      }
      UID parent = kInvalidUID;
      if (!s.parent.empty()) {
        parent = FindStyle(db, ws, kind, s.parent);
        if (parent == kInvalidUID)
          warnings.push_back(where + ": no parent style \"" + Utf8(s.parent) +
                             "\" before it; the root style is used");
      }
      ErrorCode e = CreateStyle(db, ws, kind, s.name, list, parent);
      if (e == kAlreadyExists)
        warnings.push_back(where + ": defined twice; the first definition is kept");
      else if (e != kSuccess)
        return "style " + where + " could not be made (" + std::string(ErrorCodeName(e)) + ")";
    }
    return std::string();
  };
  if (std::string e = build_styles(spec.paragraphStyles, StyleKind::kParagraph, "paragraph style");
      !e.empty())
    return fail(e);
  if (std::string e = build_styles(spec.characterStyles, StyleKind::kCharacter, "character style");
      !e.empty())
    return fail(e);

  for (const TemplateObjectStyle& s : spec.objectStyles) {
    std::string where = "object style \"" + Utf8(s.name) + "\"";
    ObjectStyleAttributes a;
    if (s.fill) a.fill = swatch_ref(*s.fill, where + " fill");
    if (s.stroke) a.stroke = swatch_ref(*s.stroke, where + " stroke");
    a.strokeWeight = s.strokeWeight;
    a.insets = s.insets;
    a.wrapMode = s.wrapMode;
    a.wrapOffsets = s.wrapOffsets;
    ErrorCode e = CreateObjectStyle(*doc, s.name, a);
    if (e == kAlreadyExists)
      warnings.push_back(where + ": defined twice; the first definition is kept");
    else if (e != kSuccess)
      return fail(where + " could not be made (" + ErrorCodeName(e) + ")");
  }

  if (spec.textFrame) {
    const PageSetup& p = spec.page;
    PMRect area{p.margins.left, p.margins.top, p.width - p.margins.right,
                p.height - p.margins.bottom};
    ErrorCode e = CreateTextFrame(*doc, doc->DefaultSpreadLayer(), area, p.columns, p.gutter);
    if (e != kSuccess)
      return fail(std::string("the text frame could not be made (") + ErrorCodeName(e) + ")");
  }
  // A new document starts without undo history.
  db.Commands().ClearHistory();
  return doc;
}

}  // namespace tarvelin
