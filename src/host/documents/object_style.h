// Object styles: named sets of frame attributes. Applying a style sets each attribute the
// style defines (and leaves the others) and records the style on the frame.
//
// IObjectStyle (kObjectStyleImpl):
//
//   uint16 version (1)
//   text   name
//   uint8  defined attributes: bit 0 fill, 1 stroke, 2 stroke weight, 3 text insets,
//          4 wrap
//   uint32 fill swatch UID, uint32 stroke swatch UID (0: none, i.e. "no fill")
//   double stroke weight
//   Insets text insets
//   uint8  wrap mode, Insets wrap offsets
//
// Names are unique within a document (compared exactly).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/documents/document_geometry.h"
#include "host/documents/page_item.h"
#include "host/objects/error_code.h"
#include "host/objects/interface.h"
#include "host/objects/uid.h"

namespace tarvelin {

class Document;

struct ObjectStyleAttributes {
  std::optional<UID> fill;  // kInvalidUID: the style removes the fill
  std::optional<UID> stroke;
  std::optional<double> strokeWeight;
  std::optional<Insets> insets;
  std::optional<WrapMode> wrapMode;
  Insets wrapOffsets;  // with wrapMode
  friend bool operator==(const ObjectStyleAttributes&, const ObjectStyleAttributes&) = default;
};

class IObjectStyle : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0220};
  virtual const std::u16string& Name() const = 0;
  virtual const ObjectStyleAttributes& Attributes() const = 0;
  virtual void Set(std::u16string name, const ObjectStyleAttributes& attributes) = 0;
};

// The style of that name, or kInvalidUID.
UID FindObjectStyle(const Document& doc, std::u16string_view name);

// Adds a style to the document's list as one command. kAlreadyExists when the name is
// taken, kInvalidArgument for an empty name or a bad value (negative weight, non-finite).
ErrorCode CreateObjectStyle(Document& doc, std::u16string name,
                            const ObjectStyleAttributes& attributes, UIDRef* out = nullptr);

}  // namespace tarvelin
