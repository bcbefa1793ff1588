#include "pdf/cid_keyed_cff.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace tarvelin::pdf {

namespace {

// DICT operators, the two-byte ones as 1200 + their second byte.
constexpr int kCharset = 15, kEncoding = 16, kCharStrings = 17, kPrivate = 18, kSubrs = 19;
constexpr int kCharstringType = 1206, kRos = 1230, kCidCount = 1234, kFdArray = 1236,
              kFdSelect = 1237;
constexpr size_t kStandardStrings = 391;  // SIDs below this are the format's own strings

struct Span {
  size_t begin = 0, end = 0;
};

struct Index {
  Span whole;
  std::vector<Span> items;
};

struct Entry {
  int op = 0;
  std::string bytes;           // operands and operator as stored
  std::vector<double> values;  // the operands
};

class Cff {
 public:
  explicit Cff(std::string_view d) : d_(d) {}

  std::optional<Index> ReadIndex(size_t at) const {
    Index index;
    if (at + 2 > d_.size()) return std::nullopt;
    const size_t count = U(at, 2);
    if (count == 0) {
      index.whole = {at, at + 2};
      return index;
    }
    if (at + 3 > d_.size()) return std::nullopt;
    const size_t size = U(at + 2, 1);
    if (size < 1 || size > 4) return std::nullopt;
    const size_t offsets = at + 3, data = offsets + (count + 1) * size - 1;
    if (offsets + (count + 1) * size > d_.size()) return std::nullopt;
    size_t previous = U(offsets, size);
    if (previous != 1) return std::nullopt;
    for (size_t i = 1; i <= count; ++i) {
      const size_t next = U(offsets + i * size, size);
      if (next < previous || data + next > d_.size()) return std::nullopt;
      index.items.push_back({data + previous, data + next});
      previous = next;
    }
    index.whole = {at, data + previous};
    return index;
  }

  std::optional<std::vector<Entry>> ReadDict(Span span) const {
    std::vector<Entry> entries;
    Entry e;
    size_t at = span.begin;
    while (at < span.end) {
      const size_t start = at;
      const uint8_t b0 = Byte(at);
      if (b0 <= 21) {
        e.op = b0;
        ++at;
        if (b0 == 12) {
          if (at >= span.end) return std::nullopt;
          e.op = 1200 + Byte(at++);
        }
      } else if (b0 == 28 || b0 == 29) {
        const size_t n = b0 == 28 ? 2 : 4;
        if (at + 1 + n > span.end) return std::nullopt;
        const uint32_t u = static_cast<uint32_t>(U(at + 1, n));
        e.values.push_back(n == 2 ? static_cast<int16_t>(u) : static_cast<int32_t>(u));
        at += 1 + n;
      } else if (b0 == 30) {
        std::string number;
        bool done = false;
        for (++at; at < span.end && !done; ++at)
          for (int shift : {4, 0}) {
            const int nibble = (Byte(at) >> shift) & 15;
            if (nibble == 15) {
              done = true;
              break;
            }
            static constexpr const char* kNibbles[] = {"0", "1", "2", "3", "4",  "5", "6", "7",
                                                       "8", "9", ".", "E", "E-", "",  "-"};
            number += kNibbles[nibble];
          }
        if (!done) return std::nullopt;
        e.values.push_back(std::strtod(number.c_str(), nullptr));
      } else if (b0 >= 32 && b0 <= 246) {
        e.values.push_back(b0 - 139);
        ++at;
      } else if (b0 >= 247 && b0 <= 254) {
        if (at + 2 > span.end) return std::nullopt;
        const int v = (b0 - (b0 <= 250 ? 247 : 251)) * 256 + Byte(at + 1) + 108;
        e.values.push_back(b0 <= 250 ? v : -v);
        at += 2;
      } else {
        return std::nullopt;
      }
      e.bytes.append(d_.substr(start, at - start));
      if (b0 <= 21) {
        entries.push_back(std::move(e));
        e = Entry{};
      }
    }
    return entries;
  }

  // The offset a DICT gives for `op` (its `which`-th operand), if any and in bounds.
  std::optional<size_t> Offset(const std::vector<Entry>& dict, int op, size_t which = 0) const {
    for (const Entry& e : dict)
      if (e.op == op && which < e.values.size()) {
        const double v = e.values[which];
        if (v < 0 || v > static_cast<double>(d_.size())) return std::nullopt;
        return static_cast<size_t>(v);
      }
    return std::nullopt;
  }

  std::string_view Bytes(Span s) const { return d_.substr(s.begin, s.end - s.begin); }
  size_t Size() const { return d_.size(); }
  uint8_t Byte(size_t at) const { return static_cast<uint8_t>(d_[at]); }
  size_t U(size_t at, size_t n) const {
    size_t v = 0;
    for (size_t i = 0; i < n; ++i) v = (v << 8) | Byte(at + i);
    return v;
  }

 private:
  std::string_view d_;
};

bool Has(const std::vector<Entry>& dict, int op) {
  return std::any_of(dict.begin(), dict.end(), [op](const Entry& e) { return e.op == op; });
}

// Integers as five bytes, so that a DICT's size does not depend on the offsets it holds.
void Int(std::string& out, size_t v) {
  out += static_cast<char>(29);
  for (int shift : {24, 16, 8, 0}) out += static_cast<char>((v >> shift) & 0xFF);
}

void Op(std::string& out, int op) {
  if (op >= 1200) {
    out += static_cast<char>(12);
    out += static_cast<char>(op - 1200);
  } else {
    out += static_cast<char>(op);
  }
}

std::string WriteIndex(const std::vector<std::string_view>& items) {
  std::string out;
  out += static_cast<char>(items.size() >> 8);
  out += static_cast<char>(items.size() & 0xFF);
  if (items.empty()) return out;
  size_t total = 1;
  for (auto item : items) total += item.size();
  const int size = total <= 0xFF ? 1 : total <= 0xFFFF ? 2 : total <= 0xFFFFFF ? 3 : 4;
  out += static_cast<char>(size);
  size_t offset = 1;
  auto put = [&](size_t v) {
    for (int i = size - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  put(offset);
  for (auto item : items) put(offset += item.size());
  for (auto item : items) out.append(item);
  return out;
}

// A DICT's entries without the operators in `drop`.
std::string Without(const std::vector<Entry>& dict, std::initializer_list<int> drop) {
  std::string out;
  for (const Entry& e : dict)
    if (std::find(drop.begin(), drop.end(), e.op) == drop.end()) out += e.bytes;
  return out;
}

struct FontDict {
  std::string keys;  // everything but Private
  std::string_view priv;
  size_t privSize = 0;
};

}  // namespace

std::optional<std::string> CidKeyedCff(std::string_view data) {
  const Cff cff(data);
  if (data.size() < 4 || cff.Byte(0) != 1) return std::nullopt;
  const auto names = cff.ReadIndex(cff.Byte(2));
  if (!names || names->items.size() != 1) return std::nullopt;
  const auto tops = cff.ReadIndex(names->whole.end);
  if (!tops || tops->items.size() != 1) return std::nullopt;
  const auto strings = cff.ReadIndex(tops->whole.end);
  if (!strings) return std::nullopt;
  const auto globals = cff.ReadIndex(strings->whole.end);
  if (!globals) return std::nullopt;
  const auto top = cff.ReadDict(tops->items[0]);
  if (!top) return std::nullopt;
  for (const Entry& e : *top)
    if (e.op == kCharstringType && (e.values.empty() || e.values[0] != 2)) return std::nullopt;

  const auto charstrings_at = cff.Offset(*top, kCharStrings);
  if (!charstrings_at) return std::nullopt;
  const auto charstrings = cff.ReadIndex(*charstrings_at);
  if (!charstrings || charstrings->items.empty()) return std::nullopt;
  const size_t glyphs = charstrings->items.size();

  // A Private DICT with the local Subrs that follow it.
  auto private_block = [&](const std::vector<Entry>& dict, FontDict& fd) {
    const auto size = cff.Offset(dict, kPrivate, 0), at = cff.Offset(dict, kPrivate, 1);
    if (!size || !at || *at + *size > cff.Size()) return false;
    const auto priv = cff.ReadDict({*at, *at + *size});
    if (!priv) return false;
    size_t end = *at + *size;
    if (Has(*priv, kSubrs)) {
      const auto subrs_at = cff.Offset(*priv, kSubrs);
      const auto subrs = subrs_at ? cff.ReadIndex(*at + *subrs_at) : std::nullopt;
      if (!subrs) return false;
      end = std::max(end, subrs->whole.end);
    }
    fd.priv = data.substr(*at, end - *at);
    fd.privSize = *size;
    return true;
  };

  std::vector<FontDict> fds;
  std::string_view fd_select;
  if (Has(*top, kRos)) {
    const auto array_at = cff.Offset(*top, kFdArray), select_at = cff.Offset(*top, kFdSelect);
    const auto array = array_at ? cff.ReadIndex(*array_at) : std::nullopt;
    if (!array || !select_at || *select_at >= cff.Size()) return std::nullopt;
    for (Span item : array->items) {
      const auto dict = cff.ReadDict(item);
      FontDict fd;
      if (!dict || !private_block(*dict, fd)) return std::nullopt;
      fd.keys = Without(*dict, {kPrivate});
      fds.push_back(std::move(fd));
    }
    size_t length = 0;
    const uint8_t format = cff.Byte(*select_at);
    if (format == 0) {
      length = 1 + glyphs;
    } else if (format == 3 && *select_at + 3 <= cff.Size()) {
      length = 1 + 2 + cff.U(*select_at + 1, 2) * 3 + 2;
    } else {
      return std::nullopt;
    }
    if (*select_at + length > cff.Size()) return std::nullopt;
    fd_select = data.substr(*select_at, length);
  } else {
    FontDict fd;
    if (!private_block(*top, fd)) return std::nullopt;
    fds.push_back(std::move(fd));
  }
  if (fds.empty()) return std::nullopt;

  std::vector<std::string_view> string_items;
  for (Span s : strings->items) string_items.push_back(cff.Bytes(s));
  const size_t adobe = kStandardStrings + string_items.size();
  string_items.push_back("Adobe");
  string_items.push_back("Identity");
  const std::string string_index = WriteIndex(string_items);

  std::string charset(1, '\0');  // format 0 with no glyphs besides .notdef
  if (glyphs > 1) {
    charset = {'\x02', '\x00', '\x01'};
    charset += static_cast<char>((glyphs - 2) >> 8);
    charset += static_cast<char>((glyphs - 2) & 0xFF);
  }
  std::string own_select;
  if (fd_select.empty()) {
    own_select = {'\x03', '\x00', '\x01', '\x00', '\x00', '\x00'};
    own_select += static_cast<char>(glyphs >> 8);
    own_select += static_cast<char>(glyphs & 0xFF);
    fd_select = own_select;
  }

  // Sizes first (every offset takes five bytes), then the offsets.
  const std::string kept = Without(
      *top, {kCharset, kEncoding, kCharStrings, kPrivate, kRos, kCidCount, kFdArray, kFdSelect});
  // ROS (three integers), CIDCount, then charset, FDSelect, CharStrings and FDArray.
  const size_t top_size =
      (3 * 5 + 2) + kept.size() + (5 + 2) + (5 + 1) + (5 + 2) + (5 + 1) + (5 + 2);
  const std::string top_probe(top_size, '\0');
  const size_t top_index_size = WriteIndex({top_probe}).size();
  const size_t charset_at = 4 + cff.Bytes(names->whole).size() + top_index_size +
                            string_index.size() + cff.Bytes(globals->whole).size();
  const size_t select_at = charset_at + charset.size();
  const size_t charstrings_out = select_at + fd_select.size();
  const size_t fd_array_at = charstrings_out + cff.Bytes(charstrings->whole).size();
  std::vector<std::string> font_dicts;
  for (const FontDict& fd : fds) font_dicts.push_back(fd.keys + std::string(2 * 5 + 1, '\0'));
  std::vector<std::string_view> probe(font_dicts.begin(), font_dicts.end());
  size_t private_at = fd_array_at + WriteIndex(probe).size();
  for (size_t i = 0; i < fds.size(); ++i) {
    std::string& dict = font_dicts[i];
    dict.resize(fds[i].keys.size());
    Int(dict, fds[i].privSize);
    Int(dict, private_at);
    Op(dict, kPrivate);
    private_at += fds[i].priv.size();
  }

  std::string top_dict;
  Int(top_dict, adobe);
  Int(top_dict, adobe + 1);
  Int(top_dict, 0);
  Op(top_dict, kRos);
  top_dict += kept;
  Int(top_dict, glyphs);
  Op(top_dict, kCidCount);
  Int(top_dict, charset_at);
  Op(top_dict, kCharset);
  Int(top_dict, select_at);
  Op(top_dict, kFdSelect);
  Int(top_dict, charstrings_out);
  Op(top_dict, kCharStrings);
  Int(top_dict, fd_array_at);
  Op(top_dict, kFdArray);
  if (top_dict.size() != top_size) return std::nullopt;

  std::string out = {'\x01', '\x00', '\x04', '\x04'};
  out += cff.Bytes(names->whole);
  out += WriteIndex({top_dict});
  out += string_index;
  out += cff.Bytes(globals->whole);
  out += charset;
  out += fd_select;
  out += cff.Bytes(charstrings->whole);
  out += WriteIndex(std::vector<std::string_view>(font_dicts.begin(), font_dicts.end()));
  for (const FontDict& fd : fds) out += fd.priv;
  if (out.size() != private_at) return std::nullopt;
  return out;
}

}  // namespace tarvelin::pdf
