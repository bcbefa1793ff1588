// Spreads, their pages, document layers and spread layers.
//
// A spread holds pages side by side (spread coordinates, document_geometry.h) and one
// spread layer per document layer, in the document's layer order. A spread layer holds
// the page items of its layer on its spread, back to front; a free page item's parent is
// its spread layer. Persistent records:
//
//   ISpread (kSpreadImpl)              ISpreadLayer (kSpreadLayerImpl)   ILayer (kLayerImpl)
//   -------------------------------    ------------------------------    -----------------
//   uint16 version (1)                 uint16 version (1)                uint16 version (1)
//   uint32 n pages, each:              uint32 spread UID                 text   name
//     PMRect bounds                    uint32 document layer UID         bool   visible
//     Insets margins                   UIDs   items, back to front       bool   locked
//     int32  columns
//     double gutter
//   UIDs   spread layers
//
// The item list of a spread layer changes through small undo records, not snapshots: a
// page may hold thousands of items.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/documents/document_geometry.h"
#include "host/objects/error_code.h"
#include "host/objects/interface.h"
#include "host/objects/uid.h"

namespace tarvelin {

class Document;

struct Page {
  PMRect bounds;  // spread coordinates
  Insets margins;
  int32_t columns = 1;
  double gutter = 0;
  friend bool operator==(const Page&, const Page&) = default;
};

class ISpread : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0202};
  virtual const std::vector<Page>& Pages() const = 0;
  virtual void SetPages(std::vector<Page> pages) = 0;
  virtual const std::vector<UID>& SpreadLayers() const = 0;
  virtual void SetSpreadLayers(std::vector<UID> layers) = 0;
};

class ISpreadLayer : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0203};
  virtual UID Spread() const = 0;
  virtual UID Layer() const = 0;
  virtual void SetOwners(UID spread, UID layer) = 0;
  virtual const std::vector<UID>& Items() const = 0;
  // Puts the item in front of all others; each edit is recorded for undo.
  virtual void AddItem(UID item) = 0;
  // False when the item is not on this layer.
  virtual bool RemoveItem(UID item) = 0;
};

class ILayer : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0204};
  virtual const std::u16string& Name() const = 0;
  virtual bool Visible() const = 0;
  virtual bool Locked() const = 0;
  virtual void Set(std::u16string name, bool visible, bool locked) = 0;
};

// Where a page sits in the document.
struct PageRef {
  UID spread = kInvalidUID;
  int32_t indexInSpread = -1;
  int32_t documentIndex = -1;  // 0-based over all spreads
  Page page;
};

// Every page of the document in order.
std::vector<PageRef> DocumentPages(const Document& doc);

// The page whose bounds contain the centre of `bounds` on `spread`, else the page the
// rectangle overlaps most, else the nearest; documentIndex -1 when the spread has none.
PageRef PageOfRect(const Document& doc, UID spread, const PMRect& bounds);
// The same page without its place in the document (documentIndex -1), found without
// walking the spreads before it.
PageRef PageInSpread(const Document& doc, UID spread, const PMRect& bounds);

// Appends a spread of `pageCount` pages of the document's page setup, with a spread
// layer per document layer, as one command. kInvalidArgument for 0 or more than 64.
ErrorCode CreateSpread(Document& doc, int32_t pageCount, UIDRef* out = nullptr);

}  // namespace tarvelin
