#include "framefile/colour_spec.h"

#include <charconv>
#include <optional>
#include <string>

#include "framefile/parser_report.h"

namespace tarvelin {

namespace {

constexpr std::u16string_view kNothingAfterSeparator =
    u"* Atrybut \"fc\" lub \"bc\" posiada rozdzielnik \":\" za którym nic nie stoi.";
constexpr std::u16string_view kNoProcessOrSpot =
    u"* Atrybut \"fc\" lub \"bc\" posiada znacznik LAB, CMYK lub RGB ale nie posiada drugiego "
    u"znacznika PROCESS lub SPOT.";
constexpr std::u16string_view kNoComponents =
    u"* Atrybut \"fc\" lub \"bc\" posiada znacznik LAB, CMYK lub RGB ale nie posiada definicji "
    u"koloru w postaci float,float,float.";

ColourSpec CmykProcess(float c, float m, float y, float k) {
  ColourSpec spec;
  spec.components = {c, m, y, k};
  spec.colourSpace = kColourSpaceCmyk;
  spec.processFlag = 1;
  return spec;
}

// The n-th ':'-separated item (0-based); nullopt when there is none or it is empty.
std::optional<std::u16string_view> Item(std::u16string_view value, char16_t separator, size_t n) {
  size_t start = 0;
  for (size_t i = 0; i < n; ++i) {
    size_t next = value.find(separator, start);
    if (next == std::u16string_view::npos) return std::nullopt;
    start = next + 1;
  }
  size_t end = value.find(separator, start);
  std::u16string_view item = value.substr(
      start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start);
  if (item.empty()) return std::nullopt;
  return item;
}

// A decimal number such as "0.5", "-1", "1e-2", surrounded by blanks or not.
std::optional<float> ParseDecimal(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  char buffer[64];
  if (text.empty() || text.size() > sizeof buffer) return std::nullopt;
  size_t n = 0;
  for (char16_t c : text) {
    if (c > 0x7F) return std::nullopt;
    buffer[n++] = static_cast<char>(c);
  }
  const char* first = buffer;
  if (*first == '+') ++first;
  float v = 0;
  auto [end, ec] = std::from_chars(first, buffer + n, v);
  if (ec != std::errc() || end != buffer + n) return std::nullopt;
  return v;
}

}  // namespace

const std::array<ColourSpec, 4>& DefaultColourTable() {
  static const std::array<ColourSpec, 4> table = {
      CmykProcess(0, 0, 0, 0),
      CmykProcess(0, 0, 0, 1),
      CmykProcess(0, 1, 0.99f, 0),
      CmykProcess(0.62f, 0, 1, 0),
  };
  return table;
}

void ParseColour(ColourSpec& colourSpec, std::u16string_view value) {
  size_t colon = value.find(u':');
  std::optional<std::u16string_view> space = Item(value, u':', 0);
  if (colon == std::u16string_view::npos || !space) {
    const auto& table = DefaultColourTable();
    for (size_t row = 0; row < table.size(); ++row) {
      if (value.size() == 1 && value[0] == static_cast<char16_t>(u'0' + row)) {
        colourSpec.colourSpace = table[row].colourSpace;
        colourSpec.components = table[row].components;
        colourSpec.processFlag = table[row].processFlag;
      }
    }
    return;
  }

  if (*space == u"SWATCHNAME") {
    colourSpec.colourSpace = kColourSpaceSwatch;
    std::u16string_view name = value.substr(colon + 1);
    if (name.empty())
      ReportParserMessage(kNothingAfterSeparator);
    else
      colourSpec.swatchName.assign(name);
    return;
  }

  int32_t spaceNumber = kColourSpaceNotSet;
  if (*space == u"LAB")
    spaceNumber = kColourSpaceLab;
  else if (*space == u"CMYK")
    spaceNumber = kColourSpaceCmyk;
  else if (*space == u"RGB")
    spaceNumber = kColourSpaceRgb;
  colourSpec.colourSpace = spaceNumber;
  if (spaceNumber == kColourSpaceNotSet) return;

  std::optional<std::u16string_view> kind = Item(value, u':', 1);
  if (!kind) {
    ReportParserMessage(kNoProcessOrSpot);
    return;
  }
  std::optional<std::u16string_view> numbers = Item(value, u':', 2);
  if (!numbers) {
    ReportParserMessage(kNoComponents);
    return;
  }
  if (*kind == u"PROCESS")
    colourSpec.processFlag = 1;
  else if (*kind == u"SPOT")
    colourSpec.processFlag = 0;
  for (size_t i = 0; i < colourSpec.components.size(); ++i) {
    std::optional<std::u16string_view> item = Item(*numbers, u',', i);
    if (!item) continue;
    if (std::optional<float> v = ParseDecimal(*item)) colourSpec.components[i] = *v;
  }
}

}  // namespace tarvelin
