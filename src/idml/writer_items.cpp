// Spreads, their pages and page items. A spread's coordinates have their origin at the
// centre of its pages (the format's convention: for facing pages the spine); an item's
// ItemTransform moves its top-left corner there and its path runs from 0,0 to its size.
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/utf16.h"
#include "host/documents/object_style.h"
#include "host/documents/page_item.h"
#include "host/documents/spread.h"
#include "idml/writer.h"
#include "idml/xml_part.h"

namespace tarvelin::idml {

namespace fs = std::filesystem;

const char* WrapModeId(WrapMode mode) {
  switch (mode) {
    case WrapMode::kNone:
      return "None";
    case WrapMode::kBoundingBox:
      return "BoundingBoxTextWrap";
    case WrapMode::kContour:
      return "Contour";
    case WrapMode::kJumpObject:
      return "JumpObjectTextWrap";
    case WrapMode::kNextColumn:
      return "NextColumnTextWrap";
  }
  return "None";
}

void InsetSpacing(pugi::xml_node textFramePreference, const Insets& in) {
  pugi::xml_node inset = PropertiesOf(textFramePreference).append_child("InsetSpacing");
  SetAttr(inset, "type", "list");
  for (double v : {in.top, in.left, in.bottom, in.right}) {
    pugi::xml_node item = inset.append_child("ListItem");
    SetAttr(item, "type", "unit");
    item.text().set(Num(v).c_str());
  }
}

void TextWrap(pugi::xml_node parent, WrapMode mode, const Insets& offsets) {
  pugi::xml_node wrap = parent.append_child("TextWrapPreference");
  SetBool(wrap, "Inverse", false);
  SetBool(wrap, "ApplyToMasterPageOnly", false);
  SetAttr(wrap, "TextWrapSide", "BothSides");
  SetAttr(wrap, "TextWrapMode", WrapModeId(mode));
  pugi::xml_node off = PropertiesOf(wrap).append_child("TextWrapOffset");
  SetAttr(off, "Top", Num(offsets.top));
  SetAttr(off, "Left", Num(offsets.left));
  SetAttr(off, "Bottom", Num(offsets.bottom));
  SetAttr(off, "Right", Num(offsets.right));
}

namespace {

// What tells a spread's pages apart in their IDs.
std::string PageSuffix(size_t index) {
  std::string s = "p";
  s += std::to_string(index);
  return s;
}

std::string Translate(double x, double y) {
  return "1 0 0 1 " + Num(x) + " " + Num(y);
}

void Path(pugi::xml_node properties, double w, double h) {
  pugi::xml_node path = properties.append_child("PathGeometry");
  pugi::xml_node type = path.append_child("GeometryPathType");
  SetBool(type, "PathOpen", false);
  pugi::xml_node points = type.append_child("PathPointArray");
  for (auto [x, y] : {std::pair{0.0, 0.0}, {0.0, h}, {w, h}, {w, 0.0}}) {
    std::string p = Num(x) + " " + Num(y);
    pugi::xml_node pt = points.append_child("PathPointType");
    SetAttr(pt, "Anchor", p);
    SetAttr(pt, "LeftDirection", p);
    SetAttr(pt, "RightDirection", p);
  }
}

void Margins(pugi::xml_node page, const Page& p) {
  pugi::xml_node m = page.append_child("MarginPreference");
  SetAttr(m, "ColumnCount", std::to_string(p.columns));
  SetAttr(m, "ColumnGutter", Num(p.gutter));
  SetAttr(m, "Top", Num(p.margins.top));
  SetAttr(m, "Bottom", Num(p.margins.bottom));
  SetAttr(m, "Left", Num(p.margins.left));
  SetAttr(m, "Right", Num(p.margins.right));
  SetAttr(m, "ColumnDirection", "Horizontal");
  const int n = std::max(1, p.columns);
  const double width = p.bounds.Width() - p.margins.left - p.margins.right;
  const double column = (width - (n - 1) * p.gutter) / n;
  std::string positions;
  for (int i = 0; i < n; ++i) {
    double left = i * (column + p.gutter);
    if (i) positions += ' ';
    positions += Num(left);
    positions += ' ';
    positions += Num(left + column);
  }
  SetAttr(m, "ColumnsPositions", positions);
}

// file: URI of a path: absolute, '/'-separated, bytes outside the unreserved set and '/'
// percent-encoded.
std::string FileUri(const fs::path& path) {
  std::string raw = path.generic_string();
  std::string out = "file:";
  static const char* const kHex = "0123456789ABCDEF";
  for (unsigned char c : raw) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string ImageType(std::u16string_view format) {
  std::string f = ToUtf8(format);
  for (char& c : f) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (f == "JPG") f = "JPEG";
  if (f == "TIF") f = "TIFF";
  return "$ID/" + (f.empty() ? std::string("Unknown") : f);
}

// How the picture sits in its frame, in the format's terms: scaled to the frame in both
// directions, fitted or filling proportionally, or placed as it came.
const char* Fitting(const PMRect& frame, const PMRect& image, double sx, double sy) {
  constexpr double kEps = 0.01;
  auto near = [&](double a, double b) { return std::abs(a - b) < kEps; };
  const bool sameW = near(image.Width(), frame.Width());
  const bool sameH = near(image.Height(), frame.Height());
  if (!near(sx, sy)) return sameW && sameH ? "ContentToFrame" : "None";
  if ((sameW && image.Height() <= frame.Height() + kEps) ||
      (sameH && image.Width() <= frame.Width() + kEps))
    return "Proportionally";
  if ((sameW && image.Height() > frame.Height()) || (sameH && image.Width() > frame.Width()))
    return "FillProportionally";
  return "None";
}

}  // namespace

void Writer::PageElement(pugi::xml_node parent, const std::string& self, const Page& page,
                         double dx, double dy, const char* name, const char* master) {
  pugi::xml_node p = parent.append_child("Page");
  SetAttr(p, "Self", self);
  SetAttr(p, "Name", name);
  SetAttr(p, "AppliedMaster", master);
  SetAttr(p, "GeometricBounds",
          "0 0 " + Num(page.bounds.Height()) + " " + Num(page.bounds.Width()));
  SetAttr(p, "ItemTransform", Translate(page.bounds.left + dx, page.bounds.top + dy));
  SetAttr(p, "OverrideList", "");
  SetAttr(p, "MasterPageTransform", "1 0 0 1 0 0");
  SetAttr(p, "TabOrder", "");
  SetAttr(p, "GridStartingPoint", "TopOutside");
  SetBool(p, "UseMasterGrid", true);
  pugi::xml_node colour = PropertiesOf(p).append_child("PageColor");
  SetAttr(colour, "type", "enumeration");
  colour.text().set("UseMasterColor");
  Margins(p, page);
}

std::string Writer::MasterSpreadPart() {
  const PageSetup& setup = doc_.Data()->GetPageSetup();
  pugi::xml_document doc;
  pugi::xml_node root = BeginPart(doc, "MasterSpread");
  pugi::xml_node m = root.append_child("MasterSpread");
  SetAttr(m, "Self", "dmaster");
  SetAttr(m, "Name", "A-Master");
  SetAttr(m, "NamePrefix", "A");
  SetAttr(m, "BaseName", "Master");
  SetBool(m, "ShowMasterItems", true);
  SetAttr(m, "PageCount", "1");
  SetAttr(m, "OverriddenPageItemProps", "");
  SetAttr(m, "PrimaryTextFrame", "n");
  SetAttr(m, "ItemTransform", "1 0 0 1 0 0");
  Page page{{0, 0, setup.width, setup.height}, setup.margins, setup.columns, setup.gutter};
  PageElement(m, "dmasterp0", page, -setup.width / 2, -setup.height / 2, "A", "n");
  return SerialisePart(doc);
}

std::string Writer::SpreadPart(UID uid) {
  pugi::xml_document doc;
  pugi::xml_node root = BeginPart(doc, "Spread");
  pugi::xml_node s = root.append_child("Spread");
  SetAttr(s, "Self", Id(uid));
  auto spread = db_.Query<ISpread>(uid);
  const std::vector<Page> none;
  const std::vector<Page>& pages = spread ? spread->Pages() : none;
  SetAttr(s, "PageCount", std::to_string(pages.size()));
  SetAttr(s, "BindingLocation", "0");
  SetBool(s, "AllowPageShuffle", true);
  SetAttr(s, "ItemTransform", "1 0 0 1 0 0");
  SetBool(s, "ShowMasterItems", true);
  SetAttr(s, "PageTransitionType", "None");
  SetAttr(s, "FlattenerOverride", "Default");
  double left = 0, right = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    left = i ? std::min(left, pages[i].bounds.left) : pages[i].bounds.left;
    right = i ? std::max(right, pages[i].bounds.right) : pages[i].bounds.right;
  }
  const double dx = -(left + right) / 2;
  const double dy =
      pages.empty() ? 0 : -pages.front().bounds.top - pages.front().bounds.Height() / 2;
  for (size_t i = 0; i < pages.size(); ++i) {
    std::string self = Id(uid, PageSuffix(i));
    PageElement(s, self, pages[i], dx, dy, "", "dmaster");
  }
  // Page names are the pages' numbers in the document.
  int32_t number = 0;
  for (const PageRef& p : DocumentPages(doc_)) {
    ++number;
    if (p.spread != uid) continue;
    pugi::xml_node page =
        s.find_child_by_attribute("Page", "Self", Id(uid, PageSuffix(p.indexInSpread)).c_str());
    if (page) SetAttr(page, "Name", std::to_string(number));
  }
  if (spread) {
    for (UID layerUid : spread->SpreadLayers()) {
      auto layer = db_.Query<ISpreadLayer>(layerUid);
      if (!layer) continue;
      Placement at{.inlineItem = false, .dx = dx, .dy = dy, .layer = Id(layer->Layer())};
      for (UID item : layer->Items()) PageItem(s, item, at);
    }
  }
  return SerialisePart(doc);
}

void Writer::PageItem(pugi::xml_node parent, UID uid, const Placement& at) {
  auto item = db_.Query<IPageItem>(uid);
  auto g = db_.Query<IGraphicAttributes>(uid);
  if (!item || !g) {
    Missing("page item: UID " + std::to_string(uid) + " (not written)");
    return;
  }
  ++frames_;
  if (at.inlineItem) ++inlineFrames_;
  const FrameKind kind = KindOf(db_, uid);
  auto text = db_.Query<ITextFrame>(uid);
  const bool isText = kind == FrameKind::kText && text && text->Story() != kInvalidUID;
  pugi::xml_node el = parent.append_child(isText ? "TextFrame" : "Rectangle");
  SetAttr(el, "Self", Id(uid));
  if (isText) {
    SetAttr(el, "ParentStory", StoryRef(text->Story()));
    SetAttr(el, "PreviousTextFrame", text->PreviousFrame() ? Id(text->PreviousFrame()) : "n");
    SetAttr(el, "NextTextFrame", text->NextFrame() ? Id(text->NextFrame()) : "n");
    SetAttr(el, "ContentType", "TextType");
  } else {
    SetAttr(el, "ContentType", kind == FrameKind::kPicture ? "GraphicType" : "Unassigned");
  }
  if (!at.inlineItem) SetAttr(el, "ItemLayer", at.layer);
  SetBool(el, "Visible", true);
  SetAttr(el, "Name", "$ID/");
  SetAttr(el, "FillColor", SwatchRef(g->FillSwatch()));
  SetAttr(el, "StrokeColor", SwatchRef(g->StrokeSwatch()));
  SetAttr(el, "StrokeWeight", Num(g->StrokeWeight()));
  SetAttr(el, "AppliedObjectStyle", ObjectStyleRef(g->ObjectStyle()));
  const PMRect& b = item->Bounds();
  SetAttr(el, "ItemTransform",
          at.inlineItem ? Translate(0, 0) : Translate(b.left + at.dx, b.top + at.dy));

  pugi::xml_node props = PropertiesOf(el);
  if (options_.labels) {
    LabelPairs labels = options_.labels(db_, uid);
    if (!labels.empty()) {
      pugi::xml_node label = props.append_child("Label");
      for (const auto& [key, value] : labels) {
        pugi::xml_node kv = label.append_child("KeyValuePair");
        SetAttr(kv, "Key", XmlText(key));
        SetAttr(kv, "Value", XmlText(value));
      }
    }
  }
  Path(props, b.Width(), b.Height());

  if (at.inlineItem) {
    pugi::xml_node a = el.append_child("AnchoredObjectSetting");
    SetAttr(a, "AnchoredPosition", "InlinePosition");
    SetBool(a, "SpineRelative", false);
    SetBool(a, "LockPosition", false);
    SetBool(a, "PinPosition", true);
    SetAttr(a, "AnchorPoint", "BottomRightAnchor");
    SetAttr(a, "HorizontalAlignment", "LeftAlign");
    SetAttr(a, "HorizontalReferencePoint", "TextFrame");
    SetAttr(a, "VerticalAlignment", "BottomAlign");
    SetAttr(a, "VerticalReferencePoint", "LineBaseline");
    SetAttr(a, "AnchorXoffset", "0");
    SetAttr(a, "AnchorYoffset", "0");
    SetAttr(a, "AnchorSpaceAbove", "0");
  }
  if (text && (isText || kind == FrameKind::kEmpty)) {
    pugi::xml_node tf = el.append_child("TextFramePreference");
    SetAttr(tf, "TextColumnCount", std::to_string(std::max(1, text->Columns())));
    SetAttr(tf, "TextColumnGutter", Num(text->Gutter()));
    SetBool(tf, "UseFixedColumnWidth", false);
    InsetSpacing(tf, text->TextInsets());
  }
  TextWrap(el, g->Wrap(), g->WrapOffsets());

  if (kind == FrameKind::kPicture) ImageElement(el, uid, ImageOf(db_, uid));
}

void Writer::ImageElement(pugi::xml_node frame, UID frameUid, UID image) {
  auto item = db_.Query<IPageItem>(image);
  auto data = db_.Query<IImageItem>(image);
  auto owner = db_.Query<IPageItem>(frameUid);
  if (!item || !data || !owner) return;
  const PMRect& fb = owner->Bounds();
  const PMRect& ib = item->Bounds();
  auto [sx, sy] = ImageScale(db_, image);

  pugi::xml_node fit = frame.append_child("FrameFittingOption");
  SetAttr(fit, "LeftCrop", Num(fb.left - ib.left));
  SetAttr(fit, "TopCrop", Num(fb.top - ib.top));
  SetAttr(fit, "RightCrop", Num(ib.right - fb.right));
  SetAttr(fit, "BottomCrop", Num(ib.bottom - fb.bottom));
  SetAttr(fit, "FittingOnEmptyFrame", Fitting(fb, ib, sx, sy));
  SetAttr(fit, "FittingAlignment", "CenterAnchor");

  const std::string type = ImageType(data->Format());
  pugi::xml_node img = frame.append_child("Image");
  SetAttr(img, "Self", Id(image));
  SetAttr(img, "ItemTransform",
          Num(sx) + " 0 0 " + Num(sy) + " " + Num(ib.left - fb.left) + " " + Num(ib.top - fb.top));
  SetAttr(img, "ImageTypeName", type);
  SetBool(img, "Visible", true);
  SetAttr(img, "Name", "$ID/");
  pugi::xml_node props = PropertiesOf(img);
  pugi::xml_node profile = props.append_child("Profile");
  SetAttr(profile, "type", "string");
  profile.text().set("$ID/None");
  pugi::xml_node gb = props.append_child("GraphicBounds");
  SetAttr(gb, "Left", "0");
  SetAttr(gb, "Top", "0");
  SetAttr(gb, "Right", Num(data->NaturalWidth()));
  SetAttr(gb, "Bottom", Num(data->NaturalHeight()));

  fs::path file(ToUtf8(data->File()));
  std::error_code ec;
  if (file.is_relative() && !doc_.File().empty()) file = doc_.File().parent_path() / file;
  file = file.lexically_normal();
  if (!fs::exists(file, ec)) Missing("image: " + file.string() + " (linked, not on disk)");
  pugi::xml_node link = img.append_child("Link");
  SetAttr(link, "Self", Id(image, "l"));
  SetAttr(link, "AssetURL", "$ID/");
  SetAttr(link, "AssetID", "$ID/");
  SetAttr(link, "LinkResourceURI", FileUri(file));
  SetAttr(link, "LinkResourceFormat", type);
  SetAttr(link, "StoredState", "Normal");
  SetAttr(link, "LinkClassID", "35906");
  SetAttr(link, "LinkClientID", "257");
  SetBool(link, "LinkResourceModified", false);
  SetBool(link, "LinkObjectModified", false);
  SetBool(link, "ShowInUI", true);
  SetBool(link, "CanEmbed", true);
  SetBool(link, "CanUnembed", true);
  SetBool(link, "CanPackage", true);
  SetAttr(link, "ImportPolicy", "NoAutoImport");
  SetAttr(link, "ExportPolicy", "NoAutoExport");
  SetBool(link, "LinkImportStopped", false);
  SetAttr(link, "LinkImportModificationTime", "2001-01-01T00:00:00");
  SetAttr(link, "LinkImportTime", "2001-01-01T00:00:00");
  SetAttr(link, "LinkResourceSize", "0~0");
}

}  // namespace tarvelin::idml
