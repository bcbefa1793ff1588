// The advertisement record of each page item in `tarvelin dump`: its text value and its
// attributes in stored order.
#include "attributes/advertisement_attributes.h"
#include "cmd_dump.h"

namespace tarvelin::cli {
namespace {

void WriteAdvertisement(JsonWriter& json, const Database& db, UID item) {
  auto record = db.Query<IAdvertisementAttributes>(item);
  if (!record) {
    json.Null();
    return;
  }
  json.BeginObject(JsonWriter::Layout::kInline);
  json.Key("text");
  json.String(record->Get());
  json.Key("attributes");
  json.BeginArray(JsonWriter::Layout::kInline);
  const KDictionary& attributes = record->Attributes();
  for (int32_t i = 0; i < attributes.count(); ++i) {
    json.BeginArray(JsonWriter::Layout::kInline);
    json.String(attributes.Keys()[i]);
    json.String(attributes.Values()[i]);
    json.EndArray();
  }
  json.EndArray();
  json.EndObject();
}

DumpMemberRegistration registration("advertisement", WriteAdvertisement);

}  // namespace
}  // namespace tarvelin::cli
