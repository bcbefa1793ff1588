// The text side of a workspace: the UIDs of the paragraph-style table, the
// character-style table, the swatch list and the font-family list of one database.
//
// CreateTextWorkspace makes them with what a user expects to find: root styles (the
// paragraph root carrying a complete default set: a serif family of the font catalogue,
// 12 pt, automatic leading, colour "Black", left aligned), and the swatches "Paper" and
// "Black". The document owns the struct and saves it (XferTextWorkspace).
#pragma once

#include "host/objects/uid.h"

namespace tarvelin {

class Database;
class FontCatalogue;
class Stream;

struct TextWorkspace {
  UID paragraphStyles = kInvalidUID;
  UID characterStyles = kInvalidUID;
  UID swatches = kInvalidUID;
  UID fontFamilies = kInvalidUID;

  bool IsValid() const {
    return paragraphStyles != kInvalidUID && characterStyles != kInvalidUID &&
           swatches != kInvalidUID && fontFamilies != kInvalidUID;
  }
  friend bool operator==(const TextWorkspace&, const TextWorkspace&) = default;
};

// Families to use as the default font, in order of preference; when the catalogue has
// none of them its first family is used, and without any the first name is listed as a
// family the system lacks.
inline constexpr const char16_t* kDefaultFontFamilies[] = {u"Liberation Serif", u"Times New Roman",
                                                           u"DejaVu Serif"};

// `catalogue` null: the process-wide one (font_families.h). An invalid struct when the
// registry lacks the text classes.
TextWorkspace CreateTextWorkspace(Database& db, const FontCatalogue* catalogue = nullptr);

// Four UIDs in the order of the struct.
bool XferTextWorkspace(Stream& s, TextWorkspace& ws);

}  // namespace tarvelin
