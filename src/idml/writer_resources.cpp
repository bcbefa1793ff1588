// The resource parts (Graphic, Fonts, Preferences) and the design map.
#include <algorithm>

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

// The components in the format's ranges: CMYK in percent, RGB in 0..255 (stored as
// fractions unless a component is above 1, as the composer reads them), Lab as is.
std::vector<std::string> ColourValues(const Colour& c) {
  std::vector<std::string> out;
  float rgbScale = 255;
  if (c.space == ColourSpace::kRgb &&
      std::max({c.components[0], c.components[1], c.components[2]}) > 1)
    rgbScale = 1;
  for (size_t i = 0; i < ComponentCount(c.space); ++i) {
    float v = c.components[i];
    if (c.space == ColourSpace::kCmyk) v *= 100;
    if (c.space == ColourSpace::kRgb) v *= rgbScale;
    out.push_back(NumF(v));
  }
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

void AppendInk(pugi::xml_node root, const std::string& self, const std::string& name, bool process,
               const char* angle) {
  pugi::xml_node ink = root.append_child("Ink");
  SetAttr(ink, "Self", self);
  SetAttr(ink, "Name", name);
  SetBool(ink, "IsProcessInk", process);
  SetAttr(ink, "Angle", angle);
  SetBool(ink, "ConvertToProcess", false);
  SetAttr(ink, "Frequency", "70");
  SetBool(ink, "PrintInk", true);
  SetAttr(ink, "InkType", "Normal");
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
  pugi::xml_document doc;
  pugi::xml_node root = BeginPart(doc, "Graphic");
  // The format's own colours always exist; a document swatch of their name became them.
  std::set<std::string> written;
  for (const auto& s : kSpecials) {
    pugi::xml_node c = root.append_child("Color");
    SetAttr(c, "Self", s.self);
    SetAttr(c, "Model", s.model);
    SetAttr(c, "Space", "CMYK");
    SetAttr(c, "ColorValue", s.value);
    SetAttr(c, "ColorOverride", s.override_);
    SetAttr(c, "AlternateSpace", "NoAlternateColor");
    SetAttr(c, "AlternateColorValue", "");
    SetAttr(c, "Name", XmlText(s.name));
    SetBool(c, "ColorEditable", false);
    SetBool(c, "ColorRemovable", false);
    SetBool(c, "Visible", true);
    SetAttr(c, "SwatchCreatorID", "7937");
    written.insert(s.self);
  }
  std::vector<std::string> spotInks;
  for (UID uid : swatchOrder_) {
    const std::string& self = swatchIds_.at(uid);
    if (written.count(self)) continue;
    auto swatch = db_.Query<ISwatch>(uid);
    const Colour& colour = swatch->GetColour();
    std::string name = self.substr(std::string("Color/").size());
    // The display name is the swatch's own; the ID's form only escapes it.
    std::string display =
        swatch->Name().empty() ? XmlText(GeneratedName(colour)) : XmlText(swatch->Name());
    pugi::xml_node c = root.append_child("Color");
    SetAttr(c, "Self", self);
    SetAttr(c, "Model", colour.process ? "Process" : "Spot");
    SetAttr(c, "Space", ColourSpaceName(colour.space));
    SetAttr(c, "ColorValue", Join(ColourValues(colour)));
    SetAttr(c, "ColorOverride", "Normal");
    SetAttr(c, "AlternateSpace", "NoAlternateColor");
    SetAttr(c, "AlternateColorValue", "");
    SetAttr(c, "Name", display);
    SetBool(c, "ColorEditable", true);
    SetBool(c, "ColorRemovable", true);
    SetBool(c, "Visible", true);
    SetAttr(c, "SwatchCreatorID", "7937");
    if (!colour.process) spotInks.push_back(display);
  }
  AppendInk(root, "Ink/$ID/Process Cyan", "$ID/Process Cyan", true, "75");
  AppendInk(root, "Ink/$ID/Process Magenta", "$ID/Process Magenta", true, "15");
  AppendInk(root, "Ink/$ID/Process Yellow", "$ID/Process Yellow", true, "0");
  AppendInk(root, "Ink/$ID/Process Black", "$ID/Process Black", true, "45");
  std::set<std::string> inks;
  for (const std::string& name : spotInks)
    if (inks.insert(name).second) AppendInk(root, "Ink/" + name, name, false, "45");
  pugi::xml_node none = root.append_child("Swatch");
  SetAttr(none, "Self", "Swatch/None");
  SetAttr(none, "Name", "None");
  SetBool(none, "ColorEditable", false);
  SetBool(none, "ColorRemovable", false);
  SetBool(none, "Visible", true);
  SetAttr(none, "SwatchCreatorID", "7937");
  pugi::xml_node solid = root.append_child("StrokeStyle");
  SetAttr(solid, "Self", "StrokeStyle/$ID/Solid");
  SetAttr(solid, "Name", "$ID/Solid");
  return SerialisePart(doc);
}

std::string Writer::FontsPart() {
  pugi::xml_document doc;
  pugi::xml_node root = BeginPart(doc, "Fonts");
  for (const auto& [uid, name] : fontIds_) {
    auto family = db_.Query<IFontFamily>(uid);
    pugi::xml_node fam = root.append_child("FontFamily");
    SetAttr(fam, "Self", Id(uid, "ff"));
    SetAttr(fam, "Name", name);
    const bool installed = !family->FamilyName().empty();
    std::vector<std::u16string> styles;
    for (const FontFamilyFace& f : family->Faces()) styles.push_back(f.style);
    if (styles.empty()) styles.push_back(u"Regular");
    for (size_t i = 0; i < styles.size(); ++i) {
      std::string style = XmlText(styles[i]);
      std::string postscript = name + "-" + style;
      postscript.erase(std::remove(postscript.begin(), postscript.end(), ' '), postscript.end());
      pugi::xml_node font = fam.append_child("Font");
      SetAttr(font, "Self", Id(uid, "ff" + std::to_string(i)));
      SetAttr(font, "FontFamily", name);
      SetAttr(font, "Name", name + " " + style);
      SetAttr(font, "PostScriptName", postscript);
      SetAttr(font, "Status", installed ? "Installed" : "NotAvailable");
      SetAttr(font, "FontStyleName", style);
      SetAttr(font, "FontType", "OpenTypeTT");
      SetAttr(font, "WritingScript", "0");
      SetAttr(font, "FullName", name + " " + style);
      SetAttr(font, "FullNameNative", name + " " + style);
      SetAttr(font, "FontStyleNameNative", style);
      SetAttr(font, "PlatformName", "$ID/");
      SetAttr(font, "Version", "");
    }
  }
  return SerialisePart(doc);
}

std::string Writer::PreferencesPart() {
  const PageSetup& setup = doc_.Data()->GetPageSetup();
  pugi::xml_document doc;
  pugi::xml_node root = BeginPart(doc, "Preferences");
  pugi::xml_node d = root.append_child("DocumentPreference");
  SetAttr(d, "PageHeight", Num(setup.height));
  SetAttr(d, "PageWidth", Num(setup.width));
  SetAttr(d, "PagesPerDocument", std::to_string(std::max<size_t>(1, DocumentPages(doc_).size())));
  SetBool(d, "FacingPages", false);
  SetAttr(d, "DocumentBleedTopOffset", "0");
  SetAttr(d, "DocumentBleedBottomOffset", "0");
  SetAttr(d, "DocumentBleedInsideOrLeftOffset", "0");
  SetAttr(d, "DocumentBleedOutsideOrRightOffset", "0");
  SetBool(d, "DocumentBleedUniformSize", true);
  SetAttr(d, "SlugTopOffset", "0");
  SetAttr(d, "SlugBottomOffset", "0");
  SetAttr(d, "SlugInsideOrLeftOffset", "0");
  SetAttr(d, "SlugRightOrOutsideOffset", "0");
  SetBool(d, "DocumentSlugUniformSize", false);
  SetAttr(d, "PageBinding", "LeftToRight");
  SetAttr(d, "ColumnDirection", "Horizontal");
  SetBool(d, "AllowPageShuffle", true);
  SetAttr(d, "StartPageNumber", "1");
  pugi::xml_node m = root.append_child("MarginPreference");
  SetAttr(m, "ColumnCount", std::to_string(setup.columns));
  SetAttr(m, "ColumnGutter", Num(setup.gutter));
  SetAttr(m, "Top", Num(setup.margins.top));
  SetAttr(m, "Bottom", Num(setup.margins.bottom));
  SetAttr(m, "Left", Num(setup.margins.left));
  SetAttr(m, "Right", Num(setup.margins.right));
  SetAttr(m, "ColumnDirection", "Horizontal");
  pugi::xml_node v = root.append_child("ViewPreference");
  SetAttr(v, "HorizontalMeasurementUnits", "Points");
  SetAttr(v, "VerticalMeasurementUnits", "Points");
  SetAttr(v, "RulerOrigin", "PageOrigin");
  pugi::xml_node t = root.append_child("TextFramePreference");
  SetAttr(t, "TextColumnCount", "1");
  SetAttr(t, "TextColumnGutter", Num(setup.gutter));
  return SerialisePart(doc);
}

std::string Writer::DesignMap(const std::vector<std::string>& masters,
                              const std::vector<std::string>& spreads,
                              const std::vector<std::string>& stories) {
  pugi::xml_document doc;
  pugi::xml_node pi = doc.append_child(pugi::node_pi);
  pi.set_name("aid");
  pi.set_value(
      "style=\"50\" type=\"document\" readerVersion=\"6.0\" featureSet=\"257\" "
      "product=\"8.0(370)\"");
  pugi::xml_node root = doc.append_child("Document");
  root.append_attribute("xmlns:idPkg") = kPackagingNamespace;
  SetAttr(root, "DOMVersion", kDomVersion);
  SetAttr(root, "Self", "d");
  std::string storyList;
  for (const std::string& s : stories) storyList += (storyList.empty() ? "" : " ") + s;
  SetAttr(root, "StoryList", storyList);
  SetAttr(root, "Name", XmlText(doc_.Data()->Name()));
  SetAttr(root, "ZeroPoint", "0 0");
  const auto& layers = doc_.Data()->Layers();
  SetAttr(root, "ActiveLayer", layers.empty() ? "n" : Id(layers.front()));
  SetAttr(root, "CMYKProfile", "Coated FOGRA39 (ISO 12647-2:2004)");
  SetAttr(root, "RGBProfile", "sRGB IEC61966-2.1");
  SetAttr(root, "SolidColorIntent", "UseColorSettings");
  SetAttr(root, "AfterBlendingIntent", "UseColorSettings");
  SetAttr(root, "DefaultImageIntent", "UseColorSettings");

  auto part = [&](const char* kind, const std::string& src) {
    pugi::xml_node n = root.append_child((std::string("idPkg:") + kind).c_str());
    SetAttr(n, "src", src);
  };
  part("Graphic", "Resources/Graphic.xml");
  part("Fonts", "Resources/Fonts.xml");
  part("Styles", "Resources/Styles.xml");
  part("Preferences", "Resources/Preferences.xml");
  part("Tags", "XML/Tags.xml");
  for (UID uid : layers) {
    auto layer = db_.Query<ILayer>(uid);
    pugi::xml_node l = root.append_child("Layer");
    SetAttr(l, "Self", Id(uid));
    SetAttr(l, "Name", layer ? XmlText(layer->Name()) : Id(uid));
    SetBool(l, "Visible", layer ? layer->Visible() : true);
    SetBool(l, "Locked", layer ? layer->Locked() : false);
    SetBool(l, "IgnoreWrap", false);
    SetBool(l, "ShowGuides", true);
    SetBool(l, "LockGuides", false);
    SetBool(l, "UI", true);
    SetBool(l, "Expendable", true);
    SetBool(l, "Printable", true);
    pugi::xml_node colour = PropertiesOf(l).append_child("LayerColor");
    SetAttr(colour, "type", "enumeration");
    colour.text().set("LightBlue");
  }
  for (const std::string& m : masters)
    part("MasterSpread", "MasterSpreads/MasterSpread_" + m + ".xml");
  for (const std::string& s : spreads) part("Spread", "Spreads/Spread_" + s + ".xml");
  std::vector<PageRef> pages = DocumentPages(doc_);
  if (!pages.empty()) {
    pugi::xml_node section = root.append_child("Section");
    SetAttr(section, "Self", "dsection");
    SetAttr(section, "Length", std::to_string(pages.size()));
    SetAttr(section, "Name", "");
    SetBool(section, "ContinueNumbering", false);
    SetBool(section, "IncludeSectionPrefix", false);
    SetAttr(section, "PageNumberStyle", "Arabic");
    SetAttr(section, "PageStart", Id(pages.front().spread, "p0"));
    SetAttr(section, "SectionPrefix", "");
    SetAttr(section, "PageNumberStart", "1");
  }
  part("BackingStory", "XML/BackingStory.xml");
  for (const std::string& s : stories) part("Story", "Stories/Story_" + s + ".xml");
  return SerialisePart(doc);
}

}  // namespace tarvelin::idml
