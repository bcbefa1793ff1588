#include "host/text/swatch_list.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>

#include "core/stream.h"
#include "host/objects/database.h"
#include "host/objects/function_undo_record.h"
#include "host/text/text_classes.h"
#include "host/text/text_commands.h"
#include "host/text/text_workspace_impl.h"

namespace tarvelin {

// ---------------------------------------------------------------- SwatchImpl

namespace {

// Counts colour changes of swatches that a list may have indexed (loading and undo
// restore swatches through ReadWrite, so they count too). Lists compare it with the
// value their colour index was built at.
uint64_t& ColourGeneration() {
  static uint64_t generation = 0;
  return generation;
}

// Nothing for a colour that matches no swatch (a NaN component).
std::optional<ColourKey> KeyOf(ColourSpace space, std::span<const float> components) {
  const size_t n = ComponentCount(space);
  if (components.size() < n) return std::nullopt;
  ColourKey key{space, {}};
  for (size_t i = 0; i < n; ++i) {
    if (std::isnan(components[i])) return std::nullopt;
    key.components[i] = components[i] == 0.0f ? 0.0f : components[i];
  }
  return key;
}

}  // namespace

size_t ColourKeyHash::operator()(const ColourKey& k) const {
  uint64_t h = static_cast<uint64_t>(k.space);
  for (float c : k.components) h = h * 0x100000001B3ULL ^ std::bit_cast<uint32_t>(c);
  return static_cast<size_t>(h ^ (h >> 29));
}

void SwatchImpl::Set(std::u16string name, Colour colour) {
  PreDirty();
  if (!fresh_ && !(colour == colour_)) ++ColourGeneration();
  fresh_ = false;
  name_ = std::move(name);
  colour_ = colour;
}

void SwatchImpl::ReadWrite(Stream& s, ImplementationID) {
  if (s.IsReading()) {
    ++ColourGeneration();
    fresh_ = false;
  }
  s.XferText(name_);
  uint8_t space = static_cast<uint8_t>(colour_.space);
  s.XferByte(space);
  for (float& c : colour_.components) s.XferFloat(c);
  s.XferBool(colour_.process);
  if (s.IsReading())
    colour_.space = space == 5 || space == 7 ? static_cast<ColourSpace>(space) : ColourSpace::kCmyk;
}

// ---------------------------------------------------------------- SwatchListImpl

UID SwatchListImpl::FindByName(std::u16string_view name) const {
  if (name.empty()) return kInvalidUID;
  auto it = by_name_.find(std::u16string(name));
  return it == by_name_.end() ? kInvalidUID : it->second;
}

UID SwatchListImpl::FindByColour(ColourSpace space, std::span<const float> components) const {
  const std::optional<ColourKey> key = KeyOf(space, components);
  if (!key) return kInvalidUID;
  if (!colour_index_valid_ || colour_generation_ != ColourGeneration()) {
    by_colour_.clear();
    colour_generation_ = ColourGeneration();
    colour_index_valid_ = true;
    for (UID uid : swatches_) IndexColour(uid);
  }
  auto it = by_colour_.find(*key);
  return it == by_colour_.end() ? kInvalidUID : it->second;
}

void SwatchListImpl::IndexColour(UID swatch) const {
  Database* db = Owner() ? Owner()->DataBase() : nullptr;
  auto s = db ? db->Query<ISwatch>(swatch) : nullptr;
  if (!s) return;
  const Colour& c = s->GetColour();
  if (auto key = KeyOf(c.space, c.components)) by_colour_.try_emplace(*key, swatch);
}

bool SwatchListImpl::Add(std::u16string_view name, UID swatch) {
  if (swatch == kInvalidUID || FindByName(name) != kInvalidUID) return false;
  RawAppend(swatch, std::u16string(name));
  RecordImplEdit(
      *this, ISwatchList::kIID, [](SwatchListImpl& l) { l.RawPop(); },
      [swatch, n = std::u16string(name)](SwatchListImpl& l) { l.RawAppend(swatch, n); });
  return true;
}

void SwatchListImpl::RawAppend(UID swatch, std::u16string name) {
  swatches_.push_back(swatch);
  if (!name.empty()) by_name_.emplace(name, swatch);
  names_.push_back(std::move(name));
  // An index still current takes the newcomer; a stale one is rebuilt when next asked.
  if (colour_index_valid_ && colour_generation_ == ColourGeneration()) IndexColour(swatch);
}

void SwatchListImpl::RawPop() {
  if (swatches_.empty()) return;
  if (!names_.back().empty()) by_name_.erase(names_.back());
  swatches_.pop_back();
  names_.pop_back();
  colour_index_valid_ = false;
}

void SwatchListImpl::ReadWrite(Stream& s, ImplementationID) {
  uint32_t count = static_cast<uint32_t>(swatches_.size());
  s.XferInt32(count);
  if (s.IsWriting()) {
    for (size_t i = 0; i < swatches_.size(); ++i) {
      s.XferInt32(swatches_[i]);
      s.XferText(names_[i]);
    }
    return;
  }
  swatches_.clear();
  names_.clear();
  by_name_.clear();
  colour_index_valid_ = false;
  for (uint32_t i = 0; i < count; ++i) {
    UID uid = kInvalidUID;
    std::u16string name;
    if (!s.XferInt32(uid) || !s.XferText(name)) break;
    swatches_.push_back(uid);
    if (!name.empty()) by_name_.try_emplace(name, uid);
    names_.push_back(std::move(name));
  }
}

// ---------------------------------------------------------------- lookups

namespace {

std::shared_ptr<ISwatchList> ListOf(Database& db, const TextWorkspace& ws) {
  return db.Query<ISwatchList>(ws.swatches);
}

}  // namespace

UID FindSwatchByName(Database& db, const TextWorkspace& ws, std::u16string_view name) {
  auto list = ListOf(db, ws);
  return list ? list->FindByName(name) : kInvalidUID;
}

UID FindSwatchByColour(Database& db, const TextWorkspace& ws, ColourSpace space,
                       std::span<const float> components) {
  auto list = ListOf(db, ws);
  return list ? list->FindByColour(space, components) : kInvalidUID;
}

ErrorCode CreateSwatch(Database& db, const TextWorkspace& ws, std::u16string_view name,
                       const Colour& colour, UID* created) {
  if (created) *created = kInvalidUID;
  auto list = ListOf(db, ws);
  if (!list) return kNotFound;
  if (list->FindByName(name) != kInvalidUID) return kAlreadyExists;
  UID made = kInvalidUID;
  ErrorCode e = ProcessFunction(db, u"New swatch", [&]() -> ErrorCode {
    UIDRef ref = db.CreateObject(kSwatchClass);
    auto swatch = db.Query<ISwatch>(ref.GetUID());
    if (!swatch) return kFailure;
    swatch->Set(std::u16string(name),
                Colour::Make(colour.space, colour.components, colour.process));
    if (!list->Add(name, ref.GetUID())) return kAlreadyExists;
    made = ref.GetUID();
    return kSuccess;
  });
  if (e == kSuccess && created) *created = made;
  return e;
}

}  // namespace tarvelin
