#include "pdf/font_set.h"

#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

#include <QByteArray>
#include <algorithm>
#include <map>

#include "pdf/cid_keyed_cff.h"
#include "pdf/pdf_file.h"
#include "pdf/pdf_syntax.h"

namespace tarvelin::pdf {

namespace {

uint16_t U16(const QByteArray& t, int at) {
  if (at + 2 > t.size()) return 0;
  return static_cast<uint16_t>((static_cast<uint8_t>(t[at]) << 8) |
                               static_cast<uint8_t>(t[at + 1]));
}

int16_t S16(const QByteArray& t, int at) {
  return static_cast<int16_t>(U16(t, at));
}

// Tables come from Qt's font engine, so fonts from any source (files, collections,
// memory) are read the same way. Each table is kept for the face's life: the subsetter
// holds on to table data after it has let go of the blob.
struct TableSource {
  QRawFont raw;
  std::map<hb_tag_t, hb_blob_t*> tables;
  ~TableSource() {
    for (auto& [tag, blob] : tables) hb_blob_destroy(blob);
  }
};

hb_blob_t* TableOf(hb_face_t*, hb_tag_t tag, void* user) {
  auto* source = static_cast<TableSource*>(user);
  auto [it, inserted] = source->tables.try_emplace(tag, nullptr);
  if (inserted) {
    const char name[5] = {static_cast<char>(tag >> 24), static_cast<char>(tag >> 16),
                          static_cast<char>(tag >> 8), static_cast<char>(tag), 0};
    auto* data = new QByteArray(source->raw.fontTable(name));
    it->second = hb_blob_create(data->constData(), static_cast<unsigned>(data->size()),
                                HB_MEMORY_MODE_READONLY, data,
                                [](void* d) { delete static_cast<QByteArray*>(d); });
  }
  return hb_blob_reference(it->second);
}

// Presentation forms of ligatures, told as the letters they stand for.
std::u16string Decompose(char32_t c) {
  switch (c) {
    case 0xFB00:
      return u"ff";
    case 0xFB01:
      return u"fi";
    case 0xFB02:
      return u"fl";
    case 0xFB03:
      return u"ffi";
    case 0xFB04:
      return u"ffl";
    case 0xFB06:
      return u"st";
    default:
      break;
  }
  std::u16string s;
  if (c >= 0x10000) {
    c -= 0x10000;
    s += static_cast<char16_t>(0xD800 + (c >> 10));
    s += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  } else {
    s += static_cast<char16_t>(c);
  }
  return s;
}

std::string Utf16Hex(std::u16string_view s) {
  std::string bytes;
  for (char16_t u : s) {
    bytes += static_cast<char>(u >> 8);
    bytes += static_cast<char>(u & 0xFF);
  }
  return Hex(bytes);
}

std::string GlyphHex(uint32_t g) {
  const char b[2] = {static_cast<char>(g >> 8), static_cast<char>(g & 0xFF)};
  return Hex(std::string_view(b, 2));
}

std::string ToUnicodeCMap(const std::map<uint32_t, std::u16string>& text) {
  std::string s =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo <</Registry (Adobe) /Ordering (UCS) /Supplement 0>> def\n"
      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
  auto it = text.begin();
  while (it != text.end()) {
    size_t n = 0;
    std::string block;
    for (; it != text.end() && n < 100; ++it, ++n)
      block += "<" + GlyphHex(it->first) + "> <" + Utf16Hex(it->second) + ">\n";
    s += std::to_string(n) + " beginbfchar\n" + block + "endbfchar\n";
  }
  s += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
  return s;
}

}  // namespace

struct EmbeddedFont::Face {
  QRawFont raw;
  TableSource source;
  hb_face_t* face = nullptr;
  hb_font_t* font = nullptr;
  unsigned upem = 1000;
  ~Face() {
    if (font) hb_font_destroy(font);
    if (face) hb_face_destroy(face);
  }
};

EmbeddedFont::EmbeddedFont(const QRawFont& font) : face_(std::make_unique<Face>()) {
  face_->raw = font;
  face_->source.raw = font;
  face_->face = hb_face_create_for_tables(TableOf, &face_->source, nullptr);
  for (hb_ot_name_id_t id : {HB_OT_NAME_ID_FONT_FAMILY, HB_OT_NAME_ID_FONT_SUBFAMILY}) {
    char name[128];
    unsigned length = sizeof name;
    hb_ot_name_get_utf8(face_->face, id, HB_LANGUAGE_INVALID, &length, name);
    if (length == 0) continue;
    if (!display_.isEmpty()) display_ += u' ';
    display_ +=
        QString::fromUtf8(name, static_cast<qsizetype>(std::min<size_t>(length, sizeof name - 1)));
  }
  if (display_.isEmpty()) display_ = QStringLiteral("(unnamed font)");
  face_->upem = std::max(16u, hb_face_get_upem(face_->face));
  face_->font = hb_font_create(face_->face);
  hb_font_set_scale(face_->font, static_cast<int>(face_->upem), static_cast<int>(face_->upem));
  const unsigned glyphs = hb_face_get_glyph_count(face_->face);
  widths_.assign(glyphs, -1);
  used_.assign(glyphs, false);
  const QByteArray os2 = font.fontTable("OS/2");
  const uint16_t fs_type = U16(os2, 8);
  const bool truetype = !font.fontTable("glyf").isEmpty() && !font.fontTable("loca").isEmpty();
  cff_ = !truetype && !font.fontTable("CFF ").isEmpty();
  if (!truetype && !cff_)
    problem_ = "the font " + display_.toStdString() +
               " has neither TrueType nor CFF outlines (variable CFF2 fonts cannot be embedded)";
  else if ((fs_type & 0x000F) == 0x0002 || (fs_type & 0x0200) != 0)
    problem_ = "the licence of the font " + display_.toStdString() + " does not allow embedding";
  else if (glyphs == 0)
    problem_ = "the font " + display_.toStdString() + " cannot be read";
}

EmbeddedFont::~EmbeddedFont() = default;

double EmbeddedFont::Width(uint32_t glyph) {
  if (glyph >= widths_.size()) return 0;
  double& w = widths_[glyph];
  if (w < 0) {
    const hb_position_t adv = hb_font_get_glyph_h_advance(face_->font, glyph);
    // Rounded as the /W array writes it, so that positions computed from it agree.
    w = std::round(adv * 1000.0 / face_->upem * 1000) / 1000;
  }
  return w;
}

void EmbeddedFont::Use(uint32_t glyph) {
  if (glyph < used_.size()) used_[glyph] = true;
}

bool EmbeddedFont::Write(PdfFile& file, std::string* error) {
  hb_face_t* face = face_->face;
  const bool whole = (U16(face_->raw.fontTable("OS/2"), 8) & 0x0100) != 0;  // no subsetting
  std::vector<uint32_t> glyphs;
  used_[0] = true;  // .notdef is always there
  for (uint32_t g = 0; g < used_.size(); ++g)
    if (used_[g] || whole) glyphs.push_back(g);

  hb_subset_input_t* input = hb_subset_input_create_or_fail();
  if (!input) {
    if (error) *error = "out of memory";
    return false;
  }
  hb_set_t* set = hb_subset_input_glyph_set(input);
  for (uint32_t g : glyphs) hb_set_add(set, g);
  hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NO_HINTING);
  // Layout tables served the shaping, which is done; a PDF reader needs the outlines.
  hb_set_t* drop = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
  for (const char* t : {"GSUB", "GPOS", "GDEF", "BASE", "JSTF", "MATH", "kern", "DSIG"})
    hb_set_add(drop, hb_tag_from_string(t, 4));
  hb_face_t* subset = hb_subset_or_fail(face, input);
  hb_subset_input_destroy(input);
  if (!subset) {
    if (error) *error = "the font " + display_.toStdString() + " cannot be subset";
    return false;
  }
  // TrueType outlines go in as the whole subset font; CFF ones as the bare CFF program,
  // CID-keyed, which PDF 1.3 readers take as they are.
  hb_blob_t* blob = cff_ ? hb_face_reference_table(subset, HB_TAG('C', 'F', 'F', ' '))
                         : hb_face_reference_blob(subset);
  unsigned length = 0;
  const char* data = hb_blob_get_data(blob, &length);
  std::string font_file(data ? data : "", data ? length : 0);
  hb_blob_destroy(blob);
  hb_face_destroy(subset);
  if (cff_ && !font_file.empty()) {
    auto cid = CidKeyedCff(font_file);
    font_file = cid ? std::move(*cid) : std::string();
  }
  if (font_file.empty()) {
    if (error) *error = "the font " + display_.toStdString() + " cannot be subset";
    return false;
  }

  // The PostScript name, with a tag that tells this subset from others of the font.
  char ps[128];
  unsigned ps_len = sizeof ps;
  hb_ot_name_get_utf8(face, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &ps_len, ps);
  std::string base;
  for (char c : std::string(ps, std::min<size_t>(ps_len, sizeof ps - 1)))
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') base += c;
  if (base.empty())
    for (QChar c : display_)
      if (c.isLetterOrNumber() && c.unicode() < 128) base += static_cast<char>(c.unicode());
  if (base.empty()) base = "Font";
  uint64_t h = 1469598103934665603ull;
  for (char c : base) h = (h ^ static_cast<uint8_t>(c)) * 1099511628211ull;
  for (uint32_t g : glyphs) h = (h ^ g) * 1099511628211ull;
  std::string tag;
  for (int i = 0; i < 6; ++i, h /= 26) tag += static_cast<char>('A' + h % 26);
  const std::string name = whole ? base : tag + "+" + base;

  // Text of each glyph from the font's character map: the smallest code point wins, so
  // a hyphen is U+002D, not U+2010.
  std::map<uint32_t, std::u16string> text;
  hb_set_t* unicodes = hb_set_create();
  hb_face_collect_unicodes(face, unicodes);
  for (hb_codepoint_t cp = HB_SET_VALUE_INVALID; hb_set_next(unicodes, &cp);) {
    hb_codepoint_t g = 0;
    if (!hb_font_get_nominal_glyph(face_->font, cp, &g) || g >= used_.size() || !used_[g] || g == 0)
      continue;
    text.try_emplace(g, Decompose(cp));
  }
  hb_set_destroy(unicodes);

  const QByteArray head = face_->raw.fontTable("head");
  const QByteArray hhea = face_->raw.fontTable("hhea");
  const QByteArray os2 = face_->raw.fontTable("OS/2");
  const QByteArray post = face_->raw.fontTable("post");
  const double k = 1000.0 / face_->upem;
  auto scaled = [&](int v) { return Number(v * k, 0); };
  const int ascent = S16(hhea, 4), descent = S16(hhea, 6);
  const int cap = U16(os2, 0) >= 2 && os2.size() >= 90 ? S16(os2, 88) : ascent;
  const double italic = post.size() >= 8 ? S16(post, 4) + U16(post, 6) / 65536.0 : 0;

  std::string widths = "[";
  for (size_t i = 0; i < glyphs.size();) {
    size_t j = i;
    widths += std::to_string(glyphs[i]) + " [";
    while (j < glyphs.size() && glyphs[j] == glyphs[i] + (j - i)) {
      if (j > i) widths += ' ';
      AppendNumber(widths, Width(glyphs[j]), 3);
      ++j;
    }
    widths += "] ";
    i = j;
  }
  widths += "]";

  const int32_t cid = file.Reserve(), descriptor = file.Reserve(), program = file.Reserve(),
                cmap = file.Reserve();
  file.Object(object, "<</Type /Font /Subtype /Type0 /BaseFont " + Name(name) +
                          " /Encoding /Identity-H /DescendantFonts [" + std::to_string(cid) +
                          " 0 R] /ToUnicode " + std::to_string(cmap) + " 0 R>>");
  file.Object(cid, std::string("<</Type /Font /Subtype ") +
                       (cff_ ? "/CIDFontType0" : "/CIDFontType2") + " /BaseFont " + Name(name) +
                       " /CIDSystemInfo <</Registry (Adobe) /Ordering (Identity) /Supplement 0>>"
                       " /FontDescriptor " +
                       std::to_string(descriptor) + " 0 R" +
                       (cff_ ? "" : " /CIDToGIDMap /Identity") + " /DW 1000 /W " + widths + ">>");
  file.Object(descriptor,
              "<</Type /FontDescriptor /FontName " + Name(name) + " /Flags 4 /FontBBox [" +
                  scaled(S16(head, 36)) + " " + scaled(S16(head, 38)) + " " +
                  scaled(S16(head, 40)) + " " + scaled(S16(head, 42)) + "] /ItalicAngle " +
                  Number(italic, 2) + " /Ascent " + scaled(ascent) + " /Descent " +
                  scaled(descent) + " /CapHeight " + scaled(cap) + " /StemV 80 " +
                  (cff_ ? "/FontFile3 " : "/FontFile2 ") + std::to_string(program) + " 0 R>>");
  file.Stream(program,
              cff_ ? std::string("/Subtype /CIDFontType0C")
                   : "/Length1 " + std::to_string(font_file.size()),
              font_file);
  file.Stream(cmap, "", ToUnicodeCMap(text));
  return true;
}

EmbeddedFont* FontSet::Font(const QRawFont& font, PdfFile& file) {
  if (auto it = by_raw_.find(font); it != by_raw_.end()) return it->second;
  // Qt's own names of a font are not safe to ask for on every engine; its tables are.
  const QByteArray head = font.fontTable("head");
  if (head.isEmpty()) {
    by_raw_.emplace(font, nullptr);
    return nullptr;
  }
  const QByteArray names = font.fontTable("name");
  std::string identity(head.constData(), static_cast<size_t>(head.size()));
  identity.append(names.constData(), static_cast<size_t>(names.size()));
  EmbeddedFont*& known = by_identity_[identity];
  if (!known) {
    fonts_.push_back(std::make_unique<EmbeddedFont>(font));
    known = fonts_.back().get();
    known->resource = "F" + std::to_string(fonts_.size());
    known->object = file.Reserve();
  }
  by_raw_.emplace(font, known);
  return known;
}

}  // namespace tarvelin::pdf
