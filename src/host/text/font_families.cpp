#include "host/text/font_families.h"

#include "core/stream.h"
#include "host/application/application.h"
#include "host/objects/database.h"
#include "host/text/text_classes.h"
#include "host/text/text_commands.h"
#include "host/text/text_workspace_impl.h"

namespace tarvelin {

namespace {

std::vector<FontFamilyFace> FacesOf(const FontFamilyInfo* info) {
  std::vector<FontFamilyFace> faces;
  if (info)
    for (const FontFace& f : info->faces) faces.push_back({f.style, f.kind});
  return faces;
}

}  // namespace

// ---------------------------------------------------------------- FontFamilyImpl

std::u16string FontFamilyImpl::FaceName(FaceKind kind) const {
  for (const FontFamilyFace& f : faces_)
    if (f.kind == kind) return f.style;
  return {};
}

void FontFamilyImpl::Set(std::u16string name, std::u16string family,
                         std::vector<FontFamilyFace> faces) {
  PreDirty();
  name_ = std::move(name);
  family_ = std::move(family);
  faces_ = std::move(faces);
}

void FontFamilyImpl::ReadWrite(Stream& s, ImplementationID) {
  s.XferText(name_);
  s.XferText(family_);
  uint32_t count = static_cast<uint32_t>(faces_.size());
  s.XferInt32(count);
  if (s.IsWriting()) {
    for (FontFamilyFace& f : faces_) {
      s.XferText(f.style);
      uint8_t kind = static_cast<uint8_t>(f.kind);
      s.XferByte(kind);
    }
    return;
  }
  faces_.clear();
  for (uint32_t i = 0; i < count; ++i) {
    FontFamilyFace f;
    uint8_t kind = 0;
    if (!s.XferText(f.style) || !s.XferByte(kind)) break;
    f.kind = kind <= 4 ? static_cast<FaceKind>(kind) : FaceKind::kOther;
    faces_.push_back(std::move(f));
  }
}

// ---------------------------------------------------------------- FontFamilyListImpl

UID FontFamilyListImpl::FindByName(std::u16string_view name) const {
  for (const auto& [n, uid] : families_)
    if (n == name) return uid;
  return kInvalidUID;
}

bool FontFamilyListImpl::Add(std::u16string name, UID family) {
  if (name.empty() || family == kInvalidUID || FindByName(name) != kInvalidUID) return false;
  PreDirty();
  families_.emplace_back(std::move(name), family);
  return true;
}

void FontFamilyListImpl::ReadWrite(Stream& s, ImplementationID) {
  uint32_t count = static_cast<uint32_t>(families_.size());
  s.XferInt32(count);
  if (s.IsWriting()) {
    for (auto& [name, uid] : families_) {
      s.XferText(name);
      s.XferInt32(uid);
    }
    return;
  }
  families_.clear();
  for (uint32_t i = 0; i < count; ++i) {
    std::u16string name;
    UID uid = kInvalidUID;
    if (!s.XferText(name) || !s.XferInt32(uid)) break;
    families_.emplace_back(std::move(name), uid);
  }
}

// ---------------------------------------------------------------- lookups

const FontCatalogue* GetFontCatalogue() {
  const Application* app = Application::Current();
  return app ? app->Services().fonts : nullptr;
}

ErrorCode RegisterFontFamily(Database& db, const TextWorkspace& ws, std::u16string_view name,
                             const FontFamilyInfo* info, UID* created) {
  if (created) *created = kInvalidUID;
  if (name.empty()) return kInvalidArgument;
  auto list = db.Query<IFontFamilyList>(ws.fontFamilies);
  if (!list) return kNotFound;
  if (list->FindByName(name) != kInvalidUID) return kAlreadyExists;
  UID made = kInvalidUID;
  ErrorCode e = ProcessFunction(db, u"Register font family", [&]() -> ErrorCode {
    UIDRef ref = db.CreateObject(kFontFamilyClass);
    auto family = db.Query<IFontFamily>(ref.GetUID());
    if (!family) return kFailure;
    family->Set(std::u16string(name), info ? info->family : std::u16string(), FacesOf(info));
    if (!list->Add(std::u16string(name), ref.GetUID())) return kAlreadyExists;
    made = ref.GetUID();
    return kSuccess;
  });
  if (e == kSuccess && created) *created = made;
  return e;
}

UID FindFontFamily(Database& db, const TextWorkspace& ws, std::u16string_view name,
                   const FontCatalogue* catalogue) {
  if (name.empty()) return kInvalidUID;
  auto list = db.Query<IFontFamilyList>(ws.fontFamilies);
  if (!list) return kInvalidUID;
  if (UID uid = list->FindByName(name)) return uid;
  if (!catalogue) catalogue = GetFontCatalogue();
  if (!catalogue) return kInvalidUID;
  auto match = FindFontByAnyName(*catalogue, name);
  if (!match) return kInvalidUID;
  UID uid = kInvalidUID;
  RegisterFontFamily(db, ws, match->matchedName, &catalogue->Families()[match->family], &uid);
  return uid;
}

std::u16string GetFaceName(Database& db, const TextWorkspace& ws, std::u16string_view family,
                           FaceKind kind, const FontCatalogue* catalogue) {
  UID uid = FindFontFamily(db, ws, family, catalogue);
  auto f = db.Query<IFontFamily>(uid);
  return f ? f->FaceName(kind) : std::u16string();
}

}  // namespace tarvelin
