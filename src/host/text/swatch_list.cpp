#include "host/text/swatch_list.h"

#include <algorithm>

#include "core/stream.h"
#include "host/objects/database.h"
#include "host/text/text_classes.h"
#include "host/text/text_commands.h"
#include "host/text/text_workspace_impl.h"

namespace tarvelin {

ColourSpace ColourSpaceOfModel(int32_t model) {
  switch (model) {
    case 0:
      return ColourSpace::kLab;
    case 2:
      return ColourSpace::kRgb;
    default:
      return ColourSpace::kCmyk;
  }
}

size_t ComponentCount(ColourSpace space) {
  return space == ColourSpace::kCmyk ? 4 : 3;
}

Colour Colour::Make(ColourSpace space, std::span<const float> components, bool process) {
  Colour c;
  c.space = space;
  c.process = process;
  size_t n = std::min(components.size(), ComponentCount(space));
  for (size_t i = 0; i < n; ++i) c.components[i] = components[i] == 0.0f ? 0.0f : components[i];
  return c;
}

bool Colour::Matches(ColourSpace s, std::span<const float> c) const {
  if (s != space) return false;
  size_t n = ComponentCount(space);
  if (c.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (components[i] != c[i]) return false;
  return true;
}

// ---------------------------------------------------------------- SwatchImpl

void SwatchImpl::Set(std::u16string name, Colour colour) {
  PreDirty();
  name_ = std::move(name);
  colour_ = colour;
}

void SwatchImpl::ReadWrite(Stream& s, ImplementationID) {
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
  for (size_t i = 0; i < names_.size(); ++i)
    if (names_[i] == name) return swatches_[i];
  return kInvalidUID;
}

bool SwatchListImpl::Add(std::u16string_view name, UID swatch) {
  if (swatch == kInvalidUID || FindByName(name) != kInvalidUID) return false;
  PreDirty();
  swatches_.push_back(swatch);
  names_.emplace_back(name);
  return true;
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
  for (uint32_t i = 0; i < count; ++i) {
    UID uid = kInvalidUID;
    std::u16string name;
    if (!s.XferInt32(uid) || !s.XferText(name)) break;
    swatches_.push_back(uid);
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
  if (!list) return kInvalidUID;
  for (UID uid : list->Swatches())
    if (auto swatch = db.Query<ISwatch>(uid);
        swatch && swatch->GetColour().Matches(space, components))
      return uid;
  return kInvalidUID;
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
