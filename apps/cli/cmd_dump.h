// The hook through which a plug-in adds a member to every frame of `tarvelin dump`
// (the advertisement attributes, for one). Register with a static DumpMemberRegistration
// in a file of the command line; members appear in registration order after the host's.
#pragma once

#include <functional>
#include <string>

#include "host/objects/database.h"
#include "json_writer.h"

namespace tarvelin::cli {

// Writes the member's value (Key is already written): exactly one JSON value, null when
// the item has nothing to say.
using DumpMemberFn = std::function<void(JsonWriter& json, const Database& db, UID item)>;

struct DumpMemberRegistration {
  DumpMemberRegistration(const char* name, DumpMemberFn fn);
};

}  // namespace tarvelin::cli
