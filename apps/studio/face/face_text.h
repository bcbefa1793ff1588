// String-table texts as Qt strings, in the current interface language.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tarvelin::studio::face {

QString Tr(std::string_view key);
QString ToQ(const std::u16string& text);
std::u16string FromQ(const QString& text);

}  // namespace tarvelin::studio::face
