#include "core/k_dictionary.h"

#include <algorithm>
#include <utility>

#include "core/diagnostics.h"
#include "core/stream.h"

namespace tarvelin {

int32_t KDictionary::count() const {
  if (keys_.size() != values_.size()) {
    diag::Write(
        "KDictionary::count inconsistency found! Number of keys not equal to number of "
        "values!. KDictionary will continue but behavious is undefined.\n");
  }
  return static_cast<int32_t>(std::min(keys_.size(), values_.size()));
}

const std::u16string* KDictionary::Get(std::u16string_view key) const {
  auto it = std::find(keys_.begin(), keys_.end(), key);
  if (it == keys_.end()) return nullptr;
  size_t i = static_cast<size_t>(it - keys_.begin());
  return i < values_.size() ? &values_[i] : nullptr;
}

std::u16string* KDictionary::Get(std::u16string_view key) {
  return const_cast<std::u16string*>(std::as_const(*this).Get(key));
}

void KDictionary::Set(std::u16string_view key, std::u16string_view value) {
  auto it = std::find(keys_.begin(), keys_.end(), key);
  if (it != keys_.end()) {
    size_t i = static_cast<size_t>(it - keys_.begin());
    keys_.erase(it);
    if (i < values_.size()) values_.erase(values_.begin() + static_cast<ptrdiff_t>(i));
  }
  // Grown by a quarter, not doubled: documents hold a dictionary of about ten entries on
  // each of thousands of frames, and doubling would leave a third of them empty.
  if (keys_.size() == keys_.capacity()) {
    const size_t n = keys_.size() + keys_.size() / 4 + 2;
    keys_.reserve(n);
    values_.reserve(n);
  }
  keys_.emplace_back(key);
  values_.emplace_back(value);
}

bool KDictionary::ReadWrite(Stream& stream) {
  if (stream.IsWriting()) {
    int32_t n = count();
    if (!stream.XferInt32(n)) return false;
    for (int32_t i = 0; i < n; ++i) {
      if (!stream.XferText(keys_[static_cast<size_t>(i)]) ||
          !stream.XferText(values_[static_cast<size_t>(i)]))
        return false;
    }
    return true;
  }

  keys_.clear();
  values_.clear();
  int32_t n = 0;
  if (!stream.XferInt32(n)) return false;
  // The count is not trusted with an allocation: entries are added as they arrive, and a
  // short stream ends the loop.
  for (int32_t i = 0; i < n; ++i) {
    std::u16string key;
    std::u16string value;
    if (!stream.XferText(key) || !stream.XferText(value)) return false;
    Set(key, value);
  }
  return true;
}

}  // namespace tarvelin
