// The persistent image of one object, and its byte layout.
//
// A database hands out its objects as ObjectRecords (Database::CaptureObject) and takes
// them back (Database::LoadObject); the document file stores exactly these bytes, and
// tests compare whole databases through them. Each implementation's bytes are what its
// ReadWrite wrote; the host never looks inside.
//
// Object record (little-endian, as every Stream):
//
//   offset  size  field
//   0       4     class ID
//   4       4     UID
//   8       4     n = number of implementation entries
//   12      ...   n entries, ascending implementation ID:
//                   4   implementation ID
//                   4   m = byte count
//                   m   the bytes ReadWrite wrote
//
// Database image (Database::WriteImage), the canonical form of a whole database:
//
//   4   next UID to be given out
//   4   k = number of objects
//   ... k object records, ascending UID
//
// Implementations that the object's class has but that are not persistent take no entry;
// entries the class does not know (a plug-in is missing) are kept and written back.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "host/objects/ids.h"
#include "host/objects/uid.h"

namespace tarvelin {

class Stream;

struct ObjectRecord {
  struct Impl {
    ImplementationID impl;
    std::vector<uint8_t> bytes;
    friend bool operator==(const Impl&, const Impl&) = default;
  };
  ClassID cls;
  UID uid = kInvalidUID;
  std::vector<Impl> impls;  // ascending implementation ID
  friend bool operator==(const ObjectRecord&, const ObjectRecord&) = default;
};

bool WriteObjectRecord(Stream& s, const ObjectRecord& record);
// Null when the stream ends early or the record is malformed (entries out of order).
std::optional<ObjectRecord> ReadObjectRecord(Stream& s);

}  // namespace tarvelin
