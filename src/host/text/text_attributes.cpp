#include "host/text/text_attributes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <functional>

#include "core/stream.h"

namespace tarvelin {

namespace {

struct KindInfo {
  std::string_view name;
  AttrValueType type;
  bool paragraph;
};

using T = AttrValueType;
constexpr std::array<KindInfo, kAttrKindCount> kKinds = {{
    {"fontFamily", T::kUID, false},
    {"fontStyle", T::kText, false},
    {"pointSize", T::kDouble, false},
    {"colour", T::kUID, false},
    {"horizontalScale", T::kDouble, false},
    {"verticalScale", T::kDouble, false},
    {"kerning", T::kDouble, false},
    {"tracking", T::kDouble, false},
    {"baselineShift", T::kDouble, false},
    {"capitalisation", T::kInt, false},
    {"underline", T::kInt, false},
    {"strikethrough", T::kInt, false},
    {"position", T::kInt, false},
    {"alignment", T::kInt, true},
    {"keepWithNext", T::kInt, true},
    {"leftIndent", T::kDouble, true},
    {"firstLineIndent", T::kDouble, true},
    {"rightIndent", T::kDouble, true},
    {"leading", T::kDouble, false},
    {"ruleAboveOn", T::kInt, true},
    {"ruleAboveWidth", T::kDouble, true},
    {"ruleAboveColour", T::kUID, true},
    {"ruleAboveLeftIndent", T::kDouble, true},
    {"ruleAboveRightIndent", T::kDouble, true},
    {"ruleAboveOffset", T::kDouble, true},
    {"ruleAboveMode", T::kInt, true},
    {"ruleBelowOn", T::kInt, true},
    {"ruleBelowWidth", T::kDouble, true},
    {"ruleBelowColour", T::kUID, true},
    {"ruleBelowLeftIndent", T::kDouble, true},
    {"ruleBelowRightIndent", T::kDouble, true},
    {"ruleBelowOffset", T::kDouble, true},
    {"ruleBelowMode", T::kInt, true},
}};

const KindInfo& Info(AttrKind kind) {
  return kKinds[static_cast<size_t>(kind)];
}

bool KindLess(const Attribute& a, AttrKind k) {
  return a.kind < k;
}

}  // namespace

AttrValueType ValueTypeOf(AttrKind kind) {
  return Info(kind).type;
}
bool IsParagraphKind(AttrKind kind) {
  return Info(kind).paragraph;
}
std::string_view AttrKindName(AttrKind kind) {
  return Info(kind).name;
}

std::optional<AttrKind> AttrKindFromName(std::string_view name) {
  for (size_t i = 0; i < kKinds.size(); ++i)
    if (kKinds[i].name == name) return static_cast<AttrKind>(i);
  return std::nullopt;
}

bool Attribute::IsValid() const {
  if (static_cast<size_t>(kind) >= kAttrKindCount) return false;
  if (value.index() != static_cast<size_t>(ValueTypeOf(kind))) return false;
  if (const double* d = std::get_if<double>(&value)) return !std::isnan(*d);
  return true;
}

int32_t Attribute::AsInt(int32_t fallback) const {
  const int32_t* v = std::get_if<int32_t>(&value);
  return v ? *v : fallback;
}
double Attribute::AsDouble(double fallback) const {
  const double* v = std::get_if<double>(&value);
  return v ? *v : fallback;
}
UID Attribute::AsUID(UID fallback) const {
  const UID* v = std::get_if<UID>(&value);
  return v ? *v : fallback;
}
std::u16string_view Attribute::AsText() const {
  const std::u16string* v = std::get_if<std::u16string>(&value);
  return v ? std::u16string_view(*v) : std::u16string_view();
}

AttributeList::AttributeList(std::initializer_list<Attribute> attributes) {
  for (const Attribute& a : attributes) Set(a);
}

bool AttributeList::Set(Attribute attribute) {
  if (!attribute.IsValid()) return false;
  if (double* d = std::get_if<double>(&attribute.value); d && *d == 0.0) *d = 0.0;
  auto it = std::lower_bound(entries_.begin(), entries_.end(), attribute.kind, KindLess);
  if (it != entries_.end() && it->kind == attribute.kind)
    *it = std::move(attribute);
  else
    entries_.insert(it, std::move(attribute));
  return true;
}

const Attribute* AttributeList::Find(AttrKind kind) const {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), kind, KindLess);
  return it != entries_.end() && it->kind == kind ? &*it : nullptr;
}

bool AttributeList::Remove(AttrKind kind) {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), kind, KindLess);
  if (it == entries_.end() || it->kind != kind) return false;
  entries_.erase(it);
  return true;
}

size_t AttributeList::RemoveKinds(const AttrKindSet& kinds) {
  return std::erase_if(entries_,
                       [&](const Attribute& a) { return kinds.test(static_cast<size_t>(a.kind)); });
}

void AttributeList::Merge(const AttributeList& overlay) {
  if (overlay.empty()) return;
  if (entries_.empty()) {
    entries_ = overlay.entries_;
    return;
  }
  std::vector<Attribute> merged;
  merged.reserve(entries_.size() + overlay.entries_.size());
  auto a = entries_.begin();
  auto b = overlay.entries_.begin();
  while (a != entries_.end() || b != overlay.entries_.end()) {
    if (b == overlay.entries_.end() || (a != entries_.end() && a->kind < b->kind)) {
      merged.push_back(std::move(*a++));
    } else {
      if (a != entries_.end() && a->kind == b->kind) ++a;
      merged.push_back(*b++);
    }
  }
  entries_ = std::move(merged);
}

AttrKindSet AttributeList::Kinds() const {
  AttrKindSet s;
  for (const Attribute& a : entries_) s.set(static_cast<size_t>(a.kind));
  return s;
}

size_t AttributeList::Hash() const {
  size_t h = entries_.size();
  auto mix = [&h](size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
  for (const Attribute& a : entries_) {
    mix(static_cast<size_t>(a.kind));
    switch (a.value.index()) {
      case 0:
        mix(static_cast<uint32_t>(std::get<0>(a.value)));
        break;
      case 1:
        mix(std::bit_cast<uint64_t>(std::get<1>(a.value)));
        break;
      case 2:
        mix(std::get<2>(a.value));
        break;
      default:
        mix(std::hash<std::u16string>{}(std::get<3>(a.value)));
        break;
    }
  }
  return h;
}

bool XferDouble(Stream& s, double& v) {
  uint64_t bits = std::bit_cast<uint64_t>(v);
  uint32_t lo = static_cast<uint32_t>(bits);
  uint32_t hi = static_cast<uint32_t>(bits >> 32);
  if (!s.XferInt32(lo) || !s.XferInt32(hi)) return false;
  if (s.IsReading()) v = std::bit_cast<double>((uint64_t{hi} << 32) | lo);
  return true;
}

bool AttributeList::ReadWrite(Stream& s) {
  uint32_t count = static_cast<uint32_t>(entries_.size());
  if (!s.XferInt32(count)) {
    if (s.IsReading()) entries_.clear();
    return false;
  }
  if (s.IsWriting()) {
    for (Attribute& a : entries_) {
      uint8_t kind = static_cast<uint8_t>(a.kind);
      uint8_t type = static_cast<uint8_t>(a.value.index());
      s.XferByte(kind);
      s.XferByte(type);
      switch (a.value.index()) {
        case 0:
          s.XferInt32(std::get<0>(a.value));
          break;
        case 1:
          XferDouble(s, std::get<1>(a.value));
          break;
        case 2:
          s.XferInt32(std::get<2>(a.value));
          break;
        default:
          s.XferText(std::get<3>(a.value));
          break;
      }
    }
    return s.Good();
  }
  entries_.clear();
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t kind = 0;
    uint8_t type = 0;
    if (!s.XferByte(kind) || !s.XferByte(type) || kind >= kAttrKindCount) break;
    AttrKind k = static_cast<AttrKind>(kind);
    Attribute a{k, {}};
    bool ok = false;
    switch (type) {
      case 0: {
        int32_t v = 0;
        ok = s.XferInt32(v);
        a = Attribute::Int(k, v);
        break;
      }
      case 1: {
        double v = 0;
        ok = XferDouble(s, v);
        a = Attribute::Double(k, v);
        break;
      }
      case 2: {
        uint32_t v = 0;
        ok = s.XferInt32(v);
        a = Attribute::Uid(k, v);
        break;
      }
      case 3: {
        std::u16string v;
        ok = s.XferText(v);
        a = Attribute::Text(k, std::move(v));
        break;
      }
      default:
        break;
    }
    if (!ok || !a.IsValid() || (!entries_.empty() && !(entries_.back().kind < k))) {
      entries_.clear();
      return false;
    }
    entries_.push_back(std::move(a));
  }
  if (entries_.size() != count) {
    entries_.clear();
    return false;
  }
  return true;
}

}  // namespace tarvelin
