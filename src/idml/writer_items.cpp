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

void InsetSpacing(XmlWriter& w, const Insets& in) {
  if (in.top == 0 && in.left == 0 && in.bottom == 0 && in.right == 0) return;
  w.Start("Properties").Start("InsetSpacing").Attr("type", "list");
  for (double v : {in.top, in.left, in.bottom, in.right}) w.Typed("ListItem", "unit", Num(v));
  w.End().End();
}

void TextWrap(XmlWriter& w, WrapMode mode, const Insets& offsets) {
  w.Start("TextWrapPreference").BoolAttr("Inverse", false);
  w.BoolAttr("ApplyToMasterPageOnly", false).Attr("TextWrapSide", "BothSides");
  w.Attr("TextWrapMode", WrapModeId(mode));
  if (offsets.top != 0 || offsets.left != 0 || offsets.bottom != 0 || offsets.right != 0) {
    w.Start("Properties").Start("TextWrapOffset").NumAttr("Top", offsets.top);
    w.NumAttr("Left", offsets.left).NumAttr("Bottom", offsets.bottom);
    w.NumAttr("Right", offsets.right).End().End();
  }
  w.End();
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

void Path(XmlWriter& w, double width, double height) {
  w.Start("PathGeometry").Start("GeometryPathType").BoolAttr("PathOpen", false);
  w.Start("PathPointArray");
  for (auto [x, y] : {std::pair{0.0, 0.0}, {0.0, height}, {width, height}, {width, 0.0}}) {
    const std::string p = Num(x) + " " + Num(y);
    w.Start("PathPointType").Attr("Anchor", p).Attr("LeftDirection", p);
    w.Attr("RightDirection", p).End();
  }
  w.End().End().End();
}

void Margins(XmlWriter& w, const Page& p) {
  w.Start("MarginPreference").Attr("ColumnCount", std::to_string(p.columns));
  w.NumAttr("ColumnGutter", p.gutter).NumAttr("Top", p.margins.top);
  w.NumAttr("Bottom", p.margins.bottom).NumAttr("Left", p.margins.left);
  w.NumAttr("Right", p.margins.right).Attr("ColumnDirection", "Horizontal");
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
  w.Attr("ColumnsPositions", positions).End();
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

void Writer::PageElement(XmlWriter& w, const std::string& self, const Page& page, double dx,
                         double dy, const std::string& name, const char* master) {
  w.Start("Page").Attr("Self", self).Attr("Name", name).Attr("AppliedMaster", master);
  w.Attr("GeometricBounds", "0 0 " + Num(page.bounds.Height()) + " " + Num(page.bounds.Width()));
  w.Attr("ItemTransform", Translate(page.bounds.left + dx, page.bounds.top + dy));
  w.Attr("OverrideList", "").Attr("MasterPageTransform", "1 0 0 1 0 0").Attr("TabOrder", "");
  w.Attr("GridStartingPoint", "TopOutside").BoolAttr("UseMasterGrid", true);
  w.Start("Properties").Typed("PageColor", "enumeration", "UseMasterColor").End();
  Margins(w, page);
  w.End();
}

std::string Writer::MasterSpreadPart() {
  const PageSetup& setup = doc_.Data()->GetPageSetup();
  XmlWriter w;
  BeginPart(w, "MasterSpread");
  w.Start("MasterSpread").Attr("Self", "dmaster").Attr("Name", "A-Master");
  w.Attr("NamePrefix", "A").Attr("BaseName", "Master").BoolAttr("ShowMasterItems", true);
  w.Attr("PageCount", "1").Attr("OverriddenPageItemProps", "").Attr("PrimaryTextFrame", "n");
  w.Attr("ItemTransform", "1 0 0 1 0 0");
  Page page{{0, 0, setup.width, setup.height}, setup.margins, setup.columns, setup.gutter};
  PageElement(w, "dmasterp0", page, -setup.width / 2, -setup.height / 2, "A", "n");
  return w.Take();
}

std::string Writer::SpreadPart(UID uid) {
  XmlWriter w;
  BeginPart(w, "Spread");
  auto spread = db_.Query<ISpread>(uid);
  const std::vector<Page> none;
  const std::vector<Page>& pages = spread ? spread->Pages() : none;
  w.Start("Spread").Attr("Self", Id(uid)).Attr("PageCount", std::to_string(pages.size()));
  w.Attr("BindingLocation", "0").BoolAttr("AllowPageShuffle", true);
  w.Attr("ItemTransform", "1 0 0 1 0 0").BoolAttr("ShowMasterItems", true);
  w.Attr("PageTransitionType", "None").Attr("FlattenerOverride", "Default");
  double left = 0, right = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    left = i ? std::min(left, pages[i].bounds.left) : pages[i].bounds.left;
    right = i ? std::max(right, pages[i].bounds.right) : pages[i].bounds.right;
  }
  const double dx = -(left + right) / 2;
  const double dy =
      pages.empty() ? 0 : -pages.front().bounds.top - pages.front().bounds.Height() / 2;
  // Page names are the pages' numbers in the document.
  std::vector<std::string> names(pages.size());
  if (auto it = pagesOfSpread_.find(uid); it != pagesOfSpread_.end()) {
    for (size_t n : it->second) {
      const auto index = static_cast<size_t>(pages_[n].indexInSpread);
      if (index < names.size()) names[index] = std::to_string(n + 1);
    }
  }
  for (size_t i = 0; i < pages.size(); ++i)
    PageElement(w, Id(uid, PageSuffix(i)), pages[i], dx, dy, names[i], "dmaster");
  if (spread) {
    for (UID layerUid : spread->SpreadLayers()) {
      auto layer = db_.Query<ISpreadLayer>(layerUid);
      if (!layer) continue;
      Placement at{.inlineItem = false, .dx = dx, .dy = dy, .layer = Id(layer->Layer())};
      for (UID item : layer->Items()) PageItem(w, item, at);
    }
  }
  return w.Take();
}

void Writer::PageItem(XmlWriter& w, UID uid, const Placement& at) {
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
  w.Start(isText ? "TextFrame" : "Rectangle").Attr("Self", Id(uid));
  if (isText) {
    w.Attr("ParentStory", StoryRef(text->Story()));
    w.Attr("PreviousTextFrame", text->PreviousFrame() ? Id(text->PreviousFrame()) : "n");
    w.Attr("NextTextFrame", text->NextFrame() ? Id(text->NextFrame()) : "n");
    w.Attr("ContentType", "TextType");
  } else {
    w.Attr("ContentType", kind == FrameKind::kPicture ? "GraphicType" : "Unassigned");
  }
  if (!at.inlineItem) w.Attr("ItemLayer", at.layer);
  w.Attr("FillColor", SwatchRef(g->FillSwatch()));
  w.Attr("StrokeColor", SwatchRef(g->StrokeSwatch()));
  w.NumAttr("StrokeWeight", g->StrokeWeight());
  w.Attr("AppliedObjectStyle", ObjectStyleRef(g->ObjectStyle()));
  const PMRect& b = item->Bounds();
  w.Attr("ItemTransform",
         at.inlineItem ? Translate(0, 0) : Translate(b.left + at.dx, b.top + at.dy));

  w.Start("Properties");
  if (options_.labels) {
    LabelPairs labels = options_.labels(db_, uid);
    if (!labels.empty()) {
      w.Start("Label");
      for (const auto& [key, value] : labels)
        w.Start("KeyValuePair").Attr("Key", key).Attr("Value", value).End();
      w.End();
    }
  }
  Path(w, b.Width(), b.Height());
  w.End();

  // The application places an inline item on its line; the other settings of an
  // anchored object only matter for the other positions.
  if (at.inlineItem)
    w.Start("AnchoredObjectSetting").Attr("AnchoredPosition", "InlinePosition").End();
  if (text && (isText || kind == FrameKind::kEmpty)) {
    w.Start("TextFramePreference");
    w.Attr("TextColumnCount", std::to_string(std::max(1, text->Columns())));
    w.NumAttr("TextColumnGutter", text->Gutter()).BoolAttr("UseFixedColumnWidth", false);
    InsetSpacing(w, text->TextInsets());
    w.End();
  }
  if (g->Wrap() != WrapMode::kNone) TextWrap(w, g->Wrap(), g->WrapOffsets());

  if (kind == FrameKind::kPicture) ImageElement(w, uid, ImageOf(db_, uid));
  w.End();
}

void Writer::ImageElement(XmlWriter& w, UID frameUid, UID image) {
  auto item = db_.Query<IPageItem>(image);
  auto data = db_.Query<IImageItem>(image);
  auto owner = db_.Query<IPageItem>(frameUid);
  if (!item || !data || !owner) return;
  const PMRect& fb = owner->Bounds();
  const PMRect& ib = item->Bounds();
  auto [sx, sy] = ImageScale(db_, image);

  w.Start("FrameFittingOption").NumAttr("LeftCrop", fb.left - ib.left);
  w.NumAttr("TopCrop", fb.top - ib.top).NumAttr("RightCrop", ib.right - fb.right);
  w.NumAttr("BottomCrop", ib.bottom - fb.bottom);
  w.Attr("FittingOnEmptyFrame", Fitting(fb, ib, sx, sy));
  w.Attr("FittingAlignment", "CenterAnchor").End();

  const std::string type = ImageType(data->Format());
  w.Start("Image").Attr("Self", Id(image));
  w.Attr("ItemTransform",
         Num(sx) + " 0 0 " + Num(sy) + " " + Num(ib.left - fb.left) + " " + Num(ib.top - fb.top));
  w.Attr("ImageTypeName", type);
  w.Start("Properties").Typed("Profile", "string", "$ID/None");
  w.Start("GraphicBounds").Attr("Left", "0").Attr("Top", "0");
  w.NumAttr("Right", data->NaturalWidth()).NumAttr("Bottom", data->NaturalHeight()).End();
  w.End();

  fs::path file(ToUtf8(data->File()));
  std::error_code ec;
  if (file.is_relative() && !doc_.File().empty()) file = doc_.File().parent_path() / file;
  file = file.lexically_normal();
  if (!fs::exists(file, ec)) Missing("image: " + file.string() + " (linked, not on disk)");
  // A link to the file on disk, which the application reads when it opens the package.
  w.Start("Link").Attr("Self", Id(image, "l")).Attr("LinkResourceURI", FileUri(file));
  w.Attr("LinkResourceFormat", type).Attr("StoredState", "Normal");
  w.BoolAttr("LinkResourceModified", false).BoolAttr("LinkObjectModified", false);
  w.End();
  w.End();  // Image
}

}  // namespace tarvelin::idml
