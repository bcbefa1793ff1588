// KDictionary: an ordered dictionary of text pairs with unique, case-sensitive keys.
// Order is insertion order; storing an existing key moves it to the end.
//
// Stream layout (ReadWrite, one routine for both directions):
//
//   int32   n, the number of entries
//   n times:
//     text  key    (uint32 unit count, then UTF-16 units)
//     text  value
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvelin {

class Stream;

class KDictionary {
 public:
  KDictionary() = default;

  // The number of entries.
  int32_t count() const;

  // The value stored under the key, or null.
  const std::u16string* Get(std::u16string_view key) const;
  std::u16string* Get(std::u16string_view key);

  // Removes an entry with this key, then appends the pair at the end.
  void Set(std::u16string_view key, std::u16string_view value);

  // Writes the entries, or replaces them with those read, as the stream's direction says.
  // False when the stream failed; a read then keeps the entries read before the failure.
  bool ReadWrite(Stream& stream);

  const std::vector<std::u16string>& Keys() const { return keys_; }
  const std::vector<std::u16string>& Values() const { return values_; }

  bool operator==(const KDictionary&) const = default;

 private:
  std::vector<std::u16string> keys_;
  std::vector<std::u16string> values_;
};

}  // namespace tarvelin
