#include "layout/qt_font_catalogue.h"

#include <QFontDatabase>
#include <QRawFont>

#include "layout/opentype_names.h"

namespace tarvelin {

namespace {
std::u16string ToU16(const QString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), s.size());
}
}  // namespace

QtFontCatalogue::QtFontCatalogue() {
  const QStringList families = QFontDatabase::families();
  for (const QString& family : families) {
    if (QFontDatabase::isPrivateFamily(family)) continue;
    FontFamilyInfo info;
    info.family = ToU16(family);
    for (const QString& style : QFontDatabase::styles(family)) {
      FontFace face;
      face.style = ToU16(style);
      face.kind = ClassifyFaceStyle(face.style);
      QRawFont raw = QRawFont::fromFont(QFontDatabase::font(family, style, 12));
      if (raw.isValid()) {
        QByteArray table = raw.fontTable("name");
        auto names = ReadOpenTypeNames({reinterpret_cast<const uint8_t*>(table.constData()),
                                        static_cast<size_t>(table.size())});
        face.fullName = names[kNameFull];
        face.postScriptName = names[kNamePostScript];
      }
      if (face.fullName.empty()) face.fullName = info.family + u" " + face.style;
      info.faces.push_back(std::move(face));
    }
    families_.push_back(std::move(info));
  }
}

}  // namespace tarvelin
