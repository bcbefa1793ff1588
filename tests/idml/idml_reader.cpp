#include "idml_reader.h"

#include <zip.h>

#include <cstdio>
#include <sstream>

#include "core/utf16.h"

namespace tarvelin::idml::test {

namespace {

std::vector<double> Numbers(const char* text) {
  std::vector<double> out;
  std::istringstream in(text);
  double v;
  while (in >> v) out.push_back(v);
  return out;
}

// The style name a reference names: its Name in the styles part.
class Reader {
 public:
  explicit Reader(ReadPackage& p) : p_(p) {}

  void Run() {
    pugi::xml_document map;
    if (!Parse("designmap.xml", map)) return;
    for (pugi::xml_node n : map.child("Document").children()) {
      std::string name = n.name();
      std::string src = n.attribute("src").value();
      if (name == "idPkg:Spread") Spread(src);
      if (name == "idPkg:Story") Story(src);
      if (name == "idPkg:Graphic") Graphic(src);
      if (name == "idPkg:Styles") Styles(src);
    }
  }

 private:
  bool Parse(const std::string& name, pugi::xml_document& doc,
             unsigned options = pugi::parse_default) {
    const Entry* e = p_.Find(name);
    if (!e) {
      p_.error = name + " missing";
      return false;
    }
    if (!doc.load_buffer(e->data.data(), e->data.size(), options)) {
      p_.error = name + " is not well-formed";
      return false;
    }
    return true;
  }

  ReadFrame& Frame(pugi::xml_node el) {
    ReadFrame& f = p_.frames[el.attribute("Self").value()];
    f.self = el.attribute("Self").value();
    f.element = el.name();
    f.contentType = el.attribute("ContentType").value();
    f.story = el.attribute("ParentStory").value();
    f.fill = el.attribute("FillColor").value();
    f.stroke = el.attribute("StrokeColor").value();
    f.objectStyle = el.attribute("AppliedObjectStyle").value();
    f.strokeWeight = el.attribute("StrokeWeight").as_double();
    pugi::xml_node props = el.child("Properties");
    for (pugi::xml_node kv : props.child("Label").children("KeyValuePair"))
      f.labels.emplace_back(kv.attribute("Key").value(), kv.attribute("Value").value());
    double maxX = 0, maxY = 0;
    for (pugi::xml_node pt : props.child("PathGeometry")
                                 .child("GeometryPathType")
                                 .child("PathPointArray")
                                 .children("PathPointType")) {
      auto xy = Numbers(pt.attribute("Anchor").value());
      if (xy.size() == 2) maxX = std::max(maxX, xy[0]), maxY = std::max(maxY, xy[1]);
    }
    f.width = maxX;
    f.height = maxY;
    auto t = Numbers(el.attribute("ItemTransform").value());
    if (t.size() == 6)
      f.bounds = {t[4] - originX_, t[5] - originY_, t[4] - originX_ + maxX, t[5] - originY_ + maxY};
    pugi::xml_node tf = el.child("TextFramePreference");
    f.columns = tf.attribute("TextColumnCount").as_int();
    std::vector<double> inset;
    for (pugi::xml_node li : tf.child("Properties").child("InsetSpacing").children("ListItem"))
      inset.push_back(li.text().as_double());
    if (inset.size() == 4) f.insets = {inset[1], inset[0], inset[3], inset[2]};
    f.imageUri = el.child("Image").child("Link").attribute("LinkResourceURI").value();
    return f;
  }

  void Spread(const std::string& src) {
    pugi::xml_document doc;
    if (!Parse(src, doc)) return;
    pugi::xml_node spread = doc.first_child().child("Spread");
    auto t = Numbers(spread.child("Page").attribute("ItemTransform").value());
    if (t.size() == 6) originX_ = t[4], originY_ = t[5];
    for (pugi::xml_node el : spread.children())
      if (std::string(el.name()) == "TextFrame" || std::string(el.name()) == "Rectangle") Frame(el);
  }

  void Story(const std::string& src) {
    pugi::xml_document doc;
    // Text of spaces only is text too (pugixml drops it by default).
    if (!Parse(src, doc, pugi::parse_default | pugi::parse_ws_pcdata)) return;
    pugi::xml_node story = doc.first_child().child("Story");
    std::string self = story.attribute("Self").value();
    ReadStory& s = p_.stories[self];
    for (pugi::xml_node para : story.children("ParagraphStyleRange")) {
      s.paragraphStyles.push_back(para.attribute("AppliedParagraphStyle").value());
      for (pugi::xml_node run : para.children("CharacterStyleRange")) {
        for (pugi::xml_node n : run.children()) {
          std::string name = n.name();
          if (name == "Content") {
            for (char16_t c : FromUtf8(n.text().get())) s.text += c == u'\u2028' ? u'\n' : c;
          } else if (name == "Br") {
            s.text += u'\r';
          } else if (name == "TextFrame" || name == "Rectangle") {
            ReadFrame& f = Frame(n);
            f.anchorStory = self;
            f.anchorIndex = s.text.size();
            s.text += u'\uFFFC';
          }
        }
      }
    }
  }

  void Graphic(const std::string& src) {
    pugi::xml_document doc;
    if (!Parse(src, doc)) return;
    for (pugi::xml_node c : doc.first_child().children("Color")) {
      ReadSwatch& w = p_.swatches[c.attribute("Self").value()];
      w.name = c.attribute("Name").value();
      w.model = c.attribute("Model").value();
      w.space = c.attribute("Space").value();
      w.values = Numbers(c.attribute("ColorValue").value());
    }
  }

  void Styles(const std::string& src) {
    pugi::xml_document doc;
    if (!Parse(src, doc)) return;
    std::map<std::string, std::string> names;  // Self -> Name
    pugi::xml_node root = doc.first_child();
    for (const char* group : {"RootParagraphStyleGroup", "RootCharacterStyleGroup"})
      for (pugi::xml_node s : root.child(group).children())
        names[s.attribute("Self").value()] = s.attribute("Name").value();
    for (const char* group : {"RootParagraphStyleGroup", "RootCharacterStyleGroup"}) {
      auto& into =
          std::string(group) == "RootParagraphStyleGroup" ? p_.paragraphStyles : p_.characterStyles;
      for (pugi::xml_node s : root.child(group).children()) {
        std::string based = s.child("Properties").child("BasedOn").text().get();
        into[s.attribute("Name").value()] = names.count(based) ? names[based] : based;
      }
    }
  }

  ReadPackage& p_;
  double originX_ = 0, originY_ = 0;
};

}  // namespace

const Entry* ReadPackage::Find(const std::string& name) const {
  for (const Entry& e : entries)
    if (e.name == name) return &e;
  return nullptr;
}

ReadPackage ReadIdml(const std::string& file) {
  ReadPackage p;
  int code = 0;
  zip_t* z = zip_open(file.c_str(), ZIP_RDONLY, &code);
  if (!z) {
    p.error = "not a zip";
    return p;
  }
  zip_int64_t n = zip_get_num_entries(z, 0);
  for (zip_int64_t i = 0; i < n; ++i) {
    zip_stat_t st;
    if (zip_stat_index(z, i, 0, &st) != 0) continue;
    Entry e;
    e.name = st.name;
    e.stored = st.comp_method == ZIP_CM_STORE;
    e.data.resize(st.size);
    zip_file_t* f = zip_fopen_index(z, i, 0);
    // Reading to the end checks the entry's CRC; one more byte must find nothing left.
    char more;
    if (!f || zip_fread(f, e.data.data(), st.size) != static_cast<zip_int64_t>(st.size) ||
        zip_fread(f, &more, 1) != 0)
      p.error = e.name + " cannot be read back";
    if (f) zip_fclose(f);
    p.entries.push_back(std::move(e));
  }
  zip_close(z);
  if (p.error.empty()) Reader(p).Run();
  return p;
}

std::string IdOf(long long uid) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "u%llx", uid);
  return buf;
}

}  // namespace tarvelin::idml::test
