// The small pieces of PDF syntax every writer here needs: numbers with few digits, names,
// literal and hexadecimal strings, dates, and Flate compression.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace tarvelin::pdf {

// Appends `v` with at most `decimals` decimals, trailing zeros and a negative zero dropped.
void AppendNumber(std::string& out, double v, int decimals = 4);
std::string Number(double v, int decimals = 4);

// "/Name", with the characters a name may not hold written as #xx.
std::string Name(std::string_view name);
// "(text)" with \, ( and ) escaped: for ASCII and byte strings.
std::string Literal(std::string_view bytes);
// "<FEFF...>": text in UTF-16BE with its byte order mark, for any text string.
std::string TextString(std::u16string_view text);
// Lowercase hexadecimal digits of the bytes, no brackets.
std::string Hex(std::string_view bytes);
// "D:YYYYMMDDHHmmSSZ" for the moment given (UTC), and the same in ISO 8601 for XMP.
std::string Date(std::time_t t);
std::string IsoDate(std::time_t t);

// zlib's deflate, at a level that keeps up with drawing.
std::string Deflate(std::string_view data);

}  // namespace tarvelin::pdf
