// Transfer helpers for the layout side's ReadWrite routines (both directions).
//
//   double    8 bytes: the IEEE-754 bits as two XferInt32, low word first
//   PMRect    4 doubles: left, top, right, bottom
//   Insets    4 doubles: left, top, right, bottom
//   UID list  uint32 count, then count UIDs (uint32)
//
// Reading never trusts a count: elements are read one by one while the stream is good,
// so a corrupt count ends at the end of the bytes instead of allocating it.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "core/stream.h"
#include "host/documents/document_geometry.h"
#include "host/objects/uid.h"

namespace tarvelin::persist {

inline bool XferDouble(Stream& s, double& v) {
  uint64_t bits = std::bit_cast<uint64_t>(v);
  uint32_t lo = static_cast<uint32_t>(bits), hi = static_cast<uint32_t>(bits >> 32);
  bool ok = s.XferInt32(lo) && s.XferInt32(hi);
  if (ok && s.IsReading()) v = std::bit_cast<double>((uint64_t{hi} << 32) | lo);
  return ok;
}

inline bool XferRect(Stream& s, PMRect& r) {
  return XferDouble(s, r.left) && XferDouble(s, r.top) && XferDouble(s, r.right) &&
         XferDouble(s, r.bottom);
}

inline bool XferInsets(Stream& s, Insets& r) {
  return XferDouble(s, r.left) && XferDouble(s, r.top) && XferDouble(s, r.right) &&
         XferDouble(s, r.bottom);
}

template <typename T>
bool XferList(Stream& s, std::vector<T>& list, bool (*xfer_one)(Stream&, T&)) {
  uint32_t n = static_cast<uint32_t>(list.size());
  if (!s.XferInt32(n)) return false;
  if (s.IsWriting()) {
    for (T& v : list)
      if (!xfer_one(s, v)) return false;
    return true;
  }
  list.clear();
  for (uint32_t i = 0; i < n; ++i) {
    T v{};
    if (!xfer_one(s, v)) return false;
    list.push_back(v);
  }
  return true;
}

inline bool XferUID(Stream& s, UID& uid) {
  return s.XferInt32(uid);
}

inline bool XferUIDs(Stream& s, std::vector<UID>& list) {
  return XferList<UID>(s, list, XferUID);
}

}  // namespace tarvelin::persist
