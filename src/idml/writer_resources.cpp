// The resource parts (Graphic, Fonts, Preferences) and the design map.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/utf16.h"
#include "host/documents/spread.h"
#include "host/text/font_families.h"
#include "host/text/swatch_list.h"
#include "idml/writer.h"
#include "idml/xml_part.h"

namespace tarvelin::idml {

namespace {

// The format's own swatches, which a document's swatches of these names become.
struct SpecialColour {
  const char16_t* name;
  const char* self;
  const char* model;
  const char* value;
  const char* override_;
};
constexpr SpecialColour kSpecials[] = {
    {u"Black", "Color/Black", "Process", "0 0 0 100", "Specialblack"},
    {u"Paper", "Color/Paper", "Process", "0 0 0 0", "Specialpaper"},
    {u"Registration", "Color/Registration", "Registration", "100 100 100 100",
     "Specialregistration"},
};

const SpecialColour* SpecialNamed(std::u16string_view name) {
  for (const auto& s : kSpecials)
    if (name == s.name) return &s;
  return nullptr;
}

// A component in the format's range: CMYK in percent, RGB in 0..255 (ours are 0..1;
// above 1 they were given in 0..255 already), Lab as it is. The component is taken at the
// decimal value it was defined with (0.3, not the float's 0.30000001), so that a swatch
// of 30 % reads 30.
std::string Component(float v, float scale) {
  if (!std::isfinite(v)) return "0";
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  double defined = 0;
  std::from_chars(buf, r.ptr, defined);
  double scaled = defined * scale;
  if (scaled == 0) scaled = 0;  // no "-0"
  // Twelve digits: more than a float holds, fewer than the product's rounding noise.
  r = std::to_chars(buf, buf + sizeof buf, scaled, std::chars_format::general, 12);
  return std::string(buf, r.ptr);
}

std::vector<std::string> ColourValues(const Colour& c) {
  std::vector<std::string> out;
  float scale = 1;
  if (c.space == ColourSpace::kCmyk) scale = 100;
  if (c.space == ColourSpace::kRgb &&
      std::max({c.components[0], c.components[1], c.components[2]}) <= 1)
    scale = 255;
  for (size_t i = 0; i < ComponentCount(c.space); ++i)
    out.push_back(Component(c.components[i], scale));
  return out;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) {
    if (!out.empty()) out += ' ';
    out += p;
  }
  return out;
}

// A name for a swatch that has none, as applications name unnamed colours.
std::u16string GeneratedName(const Colour& c) {
  static const char* const kLetters[3][4] = {
      {"R", "G", "B", ""}, {"C", "M", "Y", "K"}, {"L", "a", "b", ""}};
  const int row = c.space == ColourSpace::kRgb ? 0 : c.space == ColourSpace::kLab ? 2 : 1;
  std::vector<std::string> values = ColourValues(c);
  std::string name;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) name += ' ';
    name += std::string(kLetters[row][i]) + "=" + values[i];
  }
  return FromUtf8(name);
}

void AppendInk(XmlWriter& w, const std::string& self, const std::string& name, bool process,
               const char* angle) {
  w.Start("Ink").Attr("Self", self).Attr("Name", name).BoolAttr("IsProcessInk", process);
  w.Attr("Angle", angle).BoolAttr("ConvertToProcess", false).Attr("Frequency", "70");
  w.BoolAttr("PrintInk", true).Attr("InkType", "Normal").End();
}

// The attributes every Color carries after its value.
void ColourTail(XmlWriter& w, std::string_view name, bool editable) {
  w.Attr("AlternateSpace", "NoAlternateColor").Attr("AlternateColorValue", "");
  w.Attr("Name", name).BoolAttr("ColorEditable", editable).BoolAttr("ColorRemovable", editable);
  w.BoolAttr("Visible", true).Attr("SwatchCreatorID", "7937");
}

}  // namespace

std::string Writer::SwatchRef(UID uid) {
  if (uid == kInvalidUID) return "Swatch/None";
  if (auto it = swatchIds_.find(uid); it != swatchIds_.end()) return it->second;
  auto swatch = db_.Query<ISwatch>(uid);
  if (!swatch) {
    Missing("swatch: UID " + std::to_string(uid) + " (no colour written)");
    return "Swatch/None";
  }
  std::string id;
  if (const SpecialColour* special = SpecialNamed(swatch->Name())) {
    id = special->self;
  } else {
    std::u16string name =
        swatch->Name().empty() ? GeneratedName(swatch->GetColour()) : swatch->Name();
    // Importers name a colour after its ID: the name stands in it as it is.
    id = "Color/" + XmlText(name);
  }
  // Two swatches of one name (an unnamed one named after its values, or two of the
  // format's own) stay apart.
  if (!swatchIdsTaken_.insert(id).second) {
    id += ' ';
    id += Id(uid);
    swatchIdsTaken_.insert(id);
  }
  swatchIds_.emplace(uid, id);
  swatchOrder_.push_back(uid);
  return id;
}

std::string Writer::FontRef(UID uid) {
  auto family = db_.Query<IFontFamily>(uid);
  if (!family) {
    Missing("font: UID " + std::to_string(uid) + " names no font family");
    return {};
  }
  const std::u16string& name = family->FamilyName().empty() ? family->Name() : family->FamilyName();
  if (fontIds_.emplace(uid, XmlText(name)).second && family->FamilyName().empty())
    Missing("font: " + XmlText(family->Name()) + " (not on this system)");
  return XmlText(name);
}

std::string Writer::GraphicPart() {
  XmlWriter w;
  BeginPart(w, "Graphic");
  // The format's own colours always exist; a document swatch of their name became them.
  std::set<std::string> written;
  for (const auto& s : kSpecials) {
    w.Start("Color").Attr("Self", s.self).Attr("Model", s.model).Attr("Space", "CMYK");
    w.Attr("ColorValue", s.value).Attr("ColorOverride", s.override_);
    ColourTail(w, XmlText(s.name), false);
    w.End();
    written.insert(s.self);
  }
  std::vector<std::string> spotInks;
  for (UID uid : swatchOrder_) {
    const std::string& self = swatchIds_.at(uid);
    if (written.count(self)) continue;
    auto swatch = db_.Query<ISwatch>(uid);
    const Colour& colour = swatch->GetColour();
    // The display name is the swatch's own; the ID's form only escapes it.
    std::string display =
        swatch->Name().empty() ? XmlText(GeneratedName(colour)) : XmlText(swatch->Name());
    w.Start("Color").Attr("Self", self).Attr("Model", colour.process ? "Process" : "Spot");
    w.Attr("Space", ColourSpaceName(colour.space)).Attr("ColorValue", Join(ColourValues(colour)));
    w.Attr("ColorOverride", "Normal");
    ColourTail(w, display, true);
    w.End();
    if (!colour.process) spotInks.push_back(display);
  }
  AppendInk(w, "Ink/$ID/Process Cyan", "$ID/Process Cyan", true, "75");
  AppendInk(w, "Ink/$ID/Process Magenta", "$ID/Process Magenta", true, "15");
  AppendInk(w, "Ink/$ID/Process Yellow", "$ID/Process Yellow", true, "0");
  AppendInk(w, "Ink/$ID/Process Black", "$ID/Process Black", true, "45");
  std::set<std::string> inks;
  for (const std::string& name : spotInks)
    if (inks.insert(name).second) AppendInk(w, "Ink/" + name, name, false, "45");
  w.Start("Swatch").Attr("Self", "Swatch/None").Attr("Name", "None");
  w.BoolAttr("ColorEditable", false).BoolAttr("ColorRemovable", false);
  w.BoolAttr("Visible", true).Attr("SwatchCreatorID", "7937").End();
  w.Start("StrokeStyle").Attr("Self", "StrokeStyle/$ID/Solid").Attr("Name", "$ID/Solid").End();
  return w.Take();
}

std::string Writer::FontsPart() {
  XmlWriter w;
  BeginPart(w, "Fonts");
  for (const auto& [uid, name] : fontIds_) {
    auto family = db_.Query<IFontFamily>(uid);
    w.Start("FontFamily").Attr("Self", Id(uid, "ff")).Attr("Name", name);
    const bool installed = !family->FamilyName().empty();
    std::vector<std::u16string> styles;
    for (const FontFamilyFace& f : family->Faces()) styles.push_back(f.style);
    if (styles.empty()) styles.push_back(u"Regular");
    for (size_t i = 0; i < styles.size(); ++i) {
      const std::string style = XmlText(styles[i]);
      const std::string full = name + " " + style;
      std::string postscript = name + "-" + style;
      postscript.erase(std::remove(postscript.begin(), postscript.end(), ' '), postscript.end());
      w.Start("Font").Attr("Self", Id(uid, "ff" + std::to_string(i))).Attr("FontFamily", name);
      w.Attr("Name", full).Attr("PostScriptName", postscript);
      w.Attr("Status", installed ? "Installed" : "NotAvailable").Attr("FontStyleName", style);
      w.Attr("FontType", "OpenTypeTT").Attr("WritingScript", "0").Attr("FullName", full);
      w.Attr("FullNameNative", full).Attr("FontStyleNameNative", style);
      w.Attr("PlatformName", "$ID/").Attr("Version", "").End();
    }
    w.End();
  }
  return w.Take();
}

std::string Writer::PreferencesPart() {
  const PageSetup& setup = doc_.Data()->GetPageSetup();
  XmlWriter w;
  BeginPart(w, "Preferences");
  w.Start("DocumentPreference").NumAttr("PageHeight", setup.height);
  w.NumAttr("PageWidth", setup.width);
  w.Attr("PagesPerDocument", std::to_string(std::max<size_t>(1, pages_.size())));
  w.BoolAttr("FacingPages", false);
  for (const char* bleed : {"DocumentBleedTopOffset", "DocumentBleedBottomOffset",
                            "DocumentBleedInsideOrLeftOffset", "DocumentBleedOutsideOrRightOffset"})
    w.Attr(bleed, "0");
  w.BoolAttr("DocumentBleedUniformSize", true);
  for (const char* slug :
       {"SlugTopOffset", "SlugBottomOffset", "SlugInsideOrLeftOffset", "SlugRightOrOutsideOffset"})
    w.Attr(slug, "0");
  w.BoolAttr("DocumentSlugUniformSize", false).Attr("PageBinding", "LeftToRight");
  w.Attr("ColumnDirection", "Horizontal").BoolAttr("AllowPageShuffle", true);
  w.Attr("StartPageNumber", "1").End();
  w.Start("MarginPreference").Attr("ColumnCount", std::to_string(setup.columns));
  w.NumAttr("ColumnGutter", setup.gutter).NumAttr("Top", setup.margins.top);
  w.NumAttr("Bottom", setup.margins.bottom).NumAttr("Left", setup.margins.left);
  w.NumAttr("Right", setup.margins.right).Attr("ColumnDirection", "Horizontal").End();
  w.Start("ViewPreference").Attr("HorizontalMeasurementUnits", "Points");
  w.Attr("VerticalMeasurementUnits", "Points").Attr("RulerOrigin", "PageOrigin").End();
  w.Start("TextFramePreference").Attr("TextColumnCount", "1");
  w.NumAttr("TextColumnGutter", setup.gutter).End();
  return w.Take();
}

std::string Writer::DesignMap(const std::vector<std::string>& masters,
                              const std::vector<std::string>& spreads,
                              const std::vector<std::string>& stories) {
  XmlWriter w;
  w.Raw(
      "<?aid style=\"50\" type=\"document\" readerVersion=\"6.0\" featureSet=\"257\" "
      "product=\"8.0(370)\"?>");
  w.Start("Document").Attr("xmlns:idPkg", kPackagingNamespace).Attr("DOMVersion", kDomVersion);
  w.Attr("Self", "d");
  std::string storyList;
  for (const std::string& s : stories) {
    if (!storyList.empty()) storyList += ' ';
    storyList += s;
  }
  w.Attr("StoryList", storyList).Attr("Name", doc_.Data()->Name()).Attr("ZeroPoint", "0 0");
  const auto& layers = doc_.Data()->Layers();
  w.Attr("ActiveLayer", layers.empty() ? "n" : Id(layers.front()));
  w.Attr("CMYKProfile", "Coated FOGRA39 (ISO 12647-2:2004)")
      .Attr("RGBProfile", "sRGB IEC61966-2.1");
  w.Attr("SolidColorIntent", "UseColorSettings").Attr("AfterBlendingIntent", "UseColorSettings");
  w.Attr("DefaultImageIntent", "UseColorSettings");

  auto part = [&](const char* kind, const std::string& src) {
    w.Start(std::string("idPkg:") + kind).Attr("src", src).End();
  };
  part("Graphic", "Resources/Graphic.xml");
  part("Fonts", "Resources/Fonts.xml");
  part("Styles", "Resources/Styles.xml");
  part("Preferences", "Resources/Preferences.xml");
  part("Tags", "XML/Tags.xml");
  for (UID uid : layers) {
    auto layer = db_.Query<ILayer>(uid);
    w.Start("Layer").Attr("Self", Id(uid));
    if (layer)
      w.Attr("Name", layer->Name());
    else
      w.Attr("Name", Id(uid));
    w.BoolAttr("Visible", layer ? layer->Visible() : true);
    w.BoolAttr("Locked", layer ? layer->Locked() : false).BoolAttr("IgnoreWrap", false);
    w.BoolAttr("ShowGuides", true).BoolAttr("LockGuides", false).BoolAttr("UI", true);
    w.BoolAttr("Expendable", true).BoolAttr("Printable", true);
    w.Start("Properties").Typed("LayerColor", "enumeration", "LightBlue").End();
    w.End();
  }
  for (const std::string& m : masters)
    part("MasterSpread", "MasterSpreads/MasterSpread_" + m + ".xml");
  for (const std::string& s : spreads) part("Spread", "Spreads/Spread_" + s + ".xml");
  if (!pages_.empty()) {
    w.Start("Section").Attr("Self", "dsection").Attr("Length", std::to_string(pages_.size()));
    w.Attr("Name", "").BoolAttr("ContinueNumbering", false);
    w.BoolAttr("IncludeSectionPrefix", false).Attr("PageNumberStyle", "Arabic");
    w.Attr("PageStart", Id(pages_.front().spread, "p0")).Attr("SectionPrefix", "");
    w.Attr("PageNumberStart", "1").End();
  }
  part("BackingStory", "XML/BackingStory.xml");
  for (const std::string& s : stories) part("Story", "Stories/Story_" + s + ".xml");
  return w.Take();
}

}  // namespace tarvelin::idml
