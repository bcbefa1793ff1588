#include "layout/opentype_names.h"

namespace tarvelin {

namespace {

uint16_t Be16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>((b[at] << 8) | b[at + 1]);
}

// Lower is better.
int Rank(uint16_t platform, uint16_t encoding, uint16_t language) {
  if (platform == 3 && (encoding == 1 || encoding == 10)) return language == 0x409 ? 0 : 1;
  if (platform == 0) return 2;
  if (platform == 1 && encoding == 0) return language == 0 ? 3 : 4;
  return -1;
}

}  // namespace

std::map<uint16_t, std::u16string> ReadOpenTypeNames(std::span<const uint8_t> table) {
  std::map<uint16_t, std::u16string> names;
  std::map<uint16_t, int> ranks;
  if (table.size() < 6) return names;
  uint16_t count = Be16(table, 2);
  size_t storage = Be16(table, 4);
  for (size_t i = 0; i < count; ++i) {
    size_t rec = 6 + i * 12;
    if (rec + 12 > table.size()) break;
    uint16_t platform = Be16(table, rec);
    uint16_t encoding = Be16(table, rec + 2);
    uint16_t language = Be16(table, rec + 4);
    uint16_t id = Be16(table, rec + 6);
    size_t length = Be16(table, rec + 8);
    size_t offset = storage + Be16(table, rec + 10);
    int rank = Rank(platform, encoding, language);
    if (rank < 0 || offset + length > table.size()) continue;
    auto known = ranks.find(id);
    if (known != ranks.end() && known->second <= rank) continue;
    std::u16string text;
    if (platform == 1) {
      for (size_t k = 0; k < length; ++k) {
        uint8_t c = table[offset + k];
        text.push_back(c < 0x80 ? c : u'\uFFFD');
      }
    } else {
      for (size_t k = 0; k + 1 < length; k += 2) text.push_back(Be16(table, offset + k));
    }
    names[id] = std::move(text);
    ranks[id] = rank;
  }
  return names;
}

}  // namespace tarvelin
