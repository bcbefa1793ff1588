// A document built from fuzz bytes through the host's own commands, for the targets of
// the writers: the bytes are a program of edits (text with hostile characters, character
// and paragraph attributes, styles with parents, swatches of every space, free, threaded
// and multi-column frames, inline text and picture frames, fills, strokes, insets, wrap,
// object styles, spreads, deletions, undo and redo). A command the host refuses is simply
// not done, as in a real session; whatever the bytes, the result is a document the host
// accepted, which is what the writers are given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "host/objects/uid.h"

namespace tarvelin {
class Document;
}

namespace tarvelin::fuzz {

struct Host;

// The bytes as a stream of small decisions; past the end every read gives 0.
class FuzzBytes {
 public:
  explicit FuzzBytes(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool Done() const { return at_ >= bytes_.size(); }
  uint8_t Byte() { return Done() ? 0 : bytes_[at_++]; }
  // In [0, n); 0 when n is 0.
  uint32_t Below(uint32_t n);
  // A measure: small integers, fractions, zero, negatives, huge and non-finite values.
  double Number();
  // Up to `max` UTF-16 units, biased toward what writers must escape or refuse.
  std::u16string Text(size_t max);

 private:
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
};

struct RandomDocument {
  std::unique_ptr<Document> doc;
  // Label pairs given to page items, as a plug-in would attach them.
  std::map<UID, std::vector<std::pair<std::u16string, std::u16string>>> labels;
};

// At most kMaxEdits edits, so an iteration stays cheap whatever its length.
inline constexpr size_t kMaxEdits = 96;

RandomDocument BuildRandomDocument(const Host& host, FuzzBytes& in);

}  // namespace tarvelin::fuzz
