#include "host/objects/object_record.h"

#include <algorithm>

#include "core/stream.h"

namespace tarvelin {

bool WriteObjectRecord(Stream& s, const ObjectRecord& record) {
  uint32_t cls = record.cls.Value();
  uint32_t uid = record.uid;
  uint32_t n = static_cast<uint32_t>(record.impls.size());
  bool ok = s.XferInt32(cls) && s.XferInt32(uid) && s.XferInt32(n);
  for (const auto& impl : record.impls) {
    uint32_t id = impl.impl.Value();
    uint32_t m = static_cast<uint32_t>(impl.bytes.size());
    ok = ok && s.XferInt32(id) && s.XferInt32(m) &&
         s.WriteBytes(impl.bytes.data(), impl.bytes.size()) == impl.bytes.size();
  }
  return ok;
}

std::optional<ObjectRecord> ReadObjectRecord(Stream& s) {
  uint32_t cls = 0, uid = 0, n = 0;
  if (!s.XferInt32(cls) || !s.XferInt32(uid) || !s.XferInt32(n)) return std::nullopt;
  ObjectRecord r;
  r.cls = ClassID(cls);
  r.uid = uid;
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t id = 0, m = 0;
    if (!s.XferInt32(id) || !s.XferInt32(m)) return std::nullopt;
    if (!r.impls.empty() && ImplementationID(id) <= r.impls.back().impl) return std::nullopt;
    ObjectRecord::Impl impl{ImplementationID(id), {}};
    // A stored count is not trusted with an allocation: read in bounded chunks.
    constexpr uint32_t kChunk = 1 << 16;
    while (impl.bytes.size() < m) {
      size_t want = std::min<size_t>(kChunk, m - impl.bytes.size());
      size_t at = impl.bytes.size();
      impl.bytes.resize(at + want);
      if (s.ReadBytes(impl.bytes.data() + at, want) != want) return std::nullopt;
    }
    r.impls.push_back(std::move(impl));
  }
  return r;
}

}  // namespace tarvelin
