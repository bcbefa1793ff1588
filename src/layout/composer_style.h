// From a story's attributes to what Qt lays out and what rendering paints: fonts with
// their sizes, scales, tracking and capitals; colours of swatches; paragraph looks.
//
// Sizes are in points throughout. Qt turns a font's point size into pixels at the
// screen's resolution; composition and rendering work in points, so fonts are given a
// point size scaled by 72 / that resolution, which makes one pixel one point. Fonts get
// no hinting and layouts use design metrics: advances are the fonts' own, fractional.
#pragma once

#include <QColor>
#include <QFont>
#include <QTextCharFormat>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "host/text/style_table.h"
#include "host/text/swatch_list.h"
#include "host/text/text_attributes.h"
#include "host/text/text_model.h"
#include "host/text/text_workspace.h"
#include "layout/composition_state.h"

namespace tarvelin {

class Database;
class Document;

// Points to the point size Qt must be given for one pixel to be one point.
double QtPointScale();

// The family used when a story names none or one the system lacks.
inline constexpr char16_t kFallbackFamily[] = u"Liberation Serif";

// A font of `family` (any installed name; fontconfig substitutes), face and size.
QFont MakeFont(const QString& family, const QString& face, double sizePt);

// A colour as the screen and PNG show it (the press PDF keeps the swatch's own values).
QColor ColourOf(const Colour& colour);
// The ink of a swatch; `fallback` when the swatch is missing.
Ink SwatchInk(const Database& db, UID swatch, const Ink& fallback);
// Black (100 % K) and paper (no ink), the inks of text and fills without a swatch.
Ink BlackInk();
Ink PaperInk();

// A stretch of text as composition needs it.
struct CharacterLook {
  QTextCharFormat format;
  TextPaint paint;
  double size = 12;           // the point size, for automatic leading
  bool allSmallCaps = false;  // the text is lowered before small capitals
};

// Resolves a story's formatting: character overrides, the character style and its parents
// (the root character style for none), the paragraph overrides, the paragraph style and
// its parents, the root paragraph style, the built-in defaults. Results are cached by
// what they depend on, so a story of many runs with few distinct formats resolves each
// format once.
class StyleReader {
 public:
  StyleReader(Database& db, const TextWorkspace& ws);

  // The look at `index` of the story; valid until the reader is destroyed.
  const CharacterLook& Character(const ITextModel& story, size_t index);
  ParagraphLook Paragraph(const ITextModel& story, size_t index);

 private:
  Attribute Resolve(AttrKind kind, const AttributeList& charOverrides, UID charStyle,
                    const AttributeList& paraOverrides, UID paraStyle) const;
  CharacterLook Build(const AttributeList& co, UID cs, const AttributeList& po, UID ps) const;
  Ink Swatch(UID swatch) const;
  QString FamilyName(UID family) const;

  Database& db_;
  TextWorkspace ws_;
  TextResolver resolver_;
  UID root_character_ = kInvalidUID;
  UID root_paragraph_ = kInvalidUID;

  struct Key {
    UID charStyle, paraStyle;
    AttributeList charOverrides, paraOverrides;
    friend bool operator==(const Key&, const Key&) = default;
  };
  struct KeyHash {
    size_t operator()(const Key& k) const {
      return k.charOverrides.Hash() * 31 + k.paraOverrides.Hash() * 17 + k.charStyle * 7 +
             k.paraStyle;
    }
  };
  std::unordered_map<Key, std::unique_ptr<CharacterLook>, KeyHash> looks_;
  mutable std::unordered_map<UID, QString> families_;
};

}  // namespace tarvelin
