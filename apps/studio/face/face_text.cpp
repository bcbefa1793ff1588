#include "face_text.h"

#include "core/string_table.h"

namespace tarvelin::studio::face {

QString ToQ(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string FromQ(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<size_t>(text.size()));
}

QString Tr(std::string_view key) {
  return ToQ(Translate(key));
}

}  // namespace tarvelin::studio::face
