// The fonts of one PDF. Every font met in the glyph runs gets a resource name and an
// object number at once; the glyphs the pages use are collected, and when the pages are
// done each font is embedded as a subset made by HarfBuzz's subsetter:
//
//   Type0 /Identity-H -> CIDFontType2 (CIDToGIDMap /Identity, /W of the used glyphs)
//                     -> FontDescriptor -> FontFile2 (the subset, glyph IDs kept)
//   or, for OpenType fonts with CFF outlines,
//                     -> CIDFontType0 (/W) -> FontDescriptor -> FontFile3 /CIDFontType0C
//                        (the subset's CFF program made CID-keyed with CID = glyph ID)
//         /ToUnicode  -> a CMap from the font's own character map, so text can be
//                        searched and copied
//
// Glyph IDs stay as the layout chose them (the subset keeps their numbers), so the PDF
// shows exactly the glyphs that the screen shows. Fonts are told apart by their names and
// their 'head' table, so one font used at many sizes is embedded once.
#pragma once

#include <QRawFont>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarvelin::pdf {

class PdfFile;

class EmbeddedFont {
 public:
  explicit EmbeddedFont(const QRawFont& font);
  ~EmbeddedFont();
  EmbeddedFont(const EmbeddedFont&) = delete;
  EmbeddedFont& operator=(const EmbeddedFont&) = delete;

  // Empty when the font can be embedded; else why not.
  const std::string& Problem() const { return problem_; }
  const QString& DisplayName() const { return display_; }
  // The advance of a glyph in thousandths of the size, as the /W array says it.
  double Width(uint32_t glyph);
  void Use(uint32_t glyph);

  std::string resource;  // "F1", ...
  int32_t object = 0;    // the Type0 font

  // Writes the font's objects. False, with `error` set, when the subset cannot be made.
  bool Write(PdfFile& file, std::string* error);

 private:
  struct Face;
  std::unique_ptr<Face> face_;
  std::string problem_;
  QString display_;
  bool cff_ = false;            // CFF outlines: CIDFontType0 with a CID-keyed CFF program
  std::vector<double> widths_;  // < 0: not looked up yet
  std::vector<bool> used_;
};

class FontSet {
 public:
  // The font of a run, made on first sight with its object number reserved in `file`;
  // null for the stand-in engine Qt draws characters no font has with (it has no tables).
  EmbeddedFont* Font(const QRawFont& font, PdfFile& file);
  // Every font, in the order first met.
  const std::vector<std::unique_ptr<EmbeddedFont>>& Fonts() const { return fonts_; }

 private:
  std::vector<std::unique_ptr<EmbeddedFont>> fonts_;
  std::unordered_map<std::string, EmbeddedFont*> by_identity_;
  struct RawHash {
    size_t operator()(const QRawFont& f) const { return qHash(f); }
  };
  // Raw fonts seen (one per font and size): the fast road from a run to its font.
  std::unordered_map<QRawFont, EmbeddedFont*, RawHash> by_raw_;
};

}  // namespace tarvelin::pdf
