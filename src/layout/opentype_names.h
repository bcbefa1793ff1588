// Reads the naming table ('name') of an OpenType/TrueType font: the family, full and
// PostScript names by which documents ask for a face. Pure: works on the table's bytes.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>

namespace tarvelin {

// Name IDs of interest.
enum : uint16_t { kNameFamily = 1, kNameSubfamily = 2, kNameFull = 4, kNamePostScript = 6 };

// name ID -> text. Prefers Windows Unicode US English, then any Windows Unicode entry,
// then Unicode platform, then Mac Roman (ASCII only). A truncated or malformed table
// yields what could be read safely.
std::map<uint16_t, std::u16string> ReadOpenTypeNames(std::span<const uint8_t> table);

}  // namespace tarvelin
