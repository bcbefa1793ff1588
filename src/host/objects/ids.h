// Identifiers of the component model: classes, interfaces and implementations.
//
// Each space is its own type, so a class ID cannot be passed where an interface ID is
// expected. All three are 32-bit; the value 0 is "none" in every space. The plug-in's
// identifiers are its prefix plus a small offset, the same number in every space.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace tarvelin {

template <typename Tag>
class TypedId {
 public:
  constexpr TypedId() = default;
  constexpr explicit TypedId(uint32_t value) : value_(value) {}
  constexpr uint32_t Value() const { return value_; }
  constexpr bool IsValid() const { return value_ != 0; }
  friend constexpr auto operator<=>(TypedId, TypedId) = default;

 private:
  uint32_t value_ = 0;
};

using ClassID = TypedId<struct ClassIdTag>;
using InterfaceID = TypedId<struct InterfaceIdTag>;
using ImplementationID = TypedId<struct ImplementationIdTag>;

inline constexpr ClassID kInvalidClass{};
inline constexpr InterfaceID kInvalidInterface{};
inline constexpr ImplementationID kInvalidImpl{};

}  // namespace tarvelin

template <typename Tag>
struct std::hash<tarvelin::TypedId<Tag>> {
  size_t operator()(tarvelin::TypedId<Tag> id) const noexcept {
    return std::hash<uint32_t>{}(id.Value());
  }
};
