// The attributes suite: the one road by which the rest of the plug-in reads and writes
// advertisement attributes, always of whatever is selected.
//
// Callers talk to the selection-wide implementation (VELDAdvertisementSuitAbstractCSB).
// It holds the concrete implementations active for the current selection and fans each
// call out to them, from the last to the first:
//
//   VELDAdvertisementSuitLayoutCSB   the page items of a layout selection
//   VELDAdvertisementSuitTextCSB     the text frames that hold a text selection (a caret
//                                    inside an inline frame's story gives that frame)
//
// Suites read the selection when asked, so they see it as it is at each call; they hold
// the document's selection by pointer and must not outlive the document. Items without
// the attribute record are skipped by every operation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "attributes/advertisement_attributes.h"
#include "host/objects/error_code.h"
#include "host/objects/uid.h"

namespace tarvelin {

class ActiveContext;
class ColumnSpans;
class Database;
class Document;
class Selection;

class IAdvertisementAttributesSuite {
 public:
  static constexpr InterfaceID kIID = kIAdvertisementAttributesSuiteIID;
  virtual ~IAdvertisementAttributesSuite() = default;

  // True when a selected item has the attribute record.
  virtual bool CanSetText() const = 0;
  // Sets the text value of every selected item that has a record, through the command;
  // kFailure when there is none.
  virtual ErrorCode SetText(std::u16string_view text) = 0;
  // The same answer as CanSetText.
  virtual bool HasAttributes() const = 0;
  // Appends to `values` the values stored under `key`, each distinct value once, in
  // selection order; `values` is not cleared first.
  virtual void GetAttributeValues(std::u16string_view key,
                                  std::vector<std::u16string>& values) const = 0;
  // Replaces *items by the selected items, when there are any.
  virtual void GetSelectedItems(UIDList* items) const = 0;
  // Stores the pair on every selected item; no command, no notice: call it inside a
  // command or command sequence of your own.
  virtual void SetAttribute(std::u16string_view key, std::u16string_view value) = 0;
  // The selected text range; false (outputs untouched) when the selection is not text.
  virtual bool GetTextSelection(int32_t* start, int32_t* end) const = 0;
};

// The operations on item lists that the concrete implementations share. Stateless.
class VELDAdvertisementHelper {
 public:
  bool AnyItemHasAttributes(const UIDList& items) const;
  void CollectAttributeValues(const UIDList& items, std::u16string_view key,
                              std::vector<std::u16string>& values) const;
  void SetAttributeOnItems(const UIDList& items, std::u16string_view key,
                           std::u16string_view value) const;
  void RemoveItemsWithoutAttributes(UIDList& items) const;
  ErrorCode ProcessAttrCommand(const UIDList& items, std::u16string_view text) const;
};

// The common base of the concrete implementations: every operation works on GetItems().
class VELDAdvertisementCBS : public IAdvertisementAttributesSuite {
 public:
  bool CanSetText() const override;
  ErrorCode SetText(std::u16string_view text) override;
  bool HasAttributes() const override;
  void GetAttributeValues(std::u16string_view key,
                          std::vector<std::u16string>& values) const override;
  void GetSelectedItems(UIDList* items) const override;
  void SetAttribute(std::u16string_view key, std::u16string_view value) override;
  bool GetTextSelection(int32_t* start, int32_t* end) const override;

  // The items this implementation stands for.
  virtual UIDList GetItems() const = 0;
  // True when `items` is of the same database as GetItems() and one of its UIDs is
  // selected.
  bool IsAnyItemSelected(const UIDList& items) const;
  // Whether a change notice concerns the attributes of this selection.
  bool SelectionAttributeChanged(const AdvertisementAttrChange& change) const;

 protected:
  explicit VELDAdvertisementCBS(const Selection* selection) : selection_(selection) {}
  const Selection* selection_;
};

class VELDAdvertisementSuitLayoutCSB final : public VELDAdvertisementCBS {
 public:
  explicit VELDAdvertisementSuitLayoutCSB(const Selection* selection)
      : VELDAdvertisementCBS(selection) {}
  // The selected page items; empty for a text selection.
  UIDList GetItems() const override;
};

class VELDAdvertisementSuitTextCSB final : public VELDAdvertisementCBS {
 public:
  // `spans` (may be null) says which column holds which text, to narrow a range in a
  // threaded story to the frames that hold it.
  VELDAdvertisementSuitTextCSB(const Selection* selection, const ColumnSpans* spans)
      : VELDAdvertisementCBS(selection), spans_(spans) {}
  // The frames holding the selected text, in thread order; empty for a layout selection.
  UIDList GetItems() const override;
  bool GetTextSelection(int32_t* start, int32_t* end) const override;

 private:
  const ColumnSpans* spans_;
};

class VELDAdvertisementSuitAbstractCSB final : public IAdvertisementAttributesSuite {
 public:
  // `db` is where SetText opens its command sequence (null: none is opened).
  VELDAdvertisementSuitAbstractCSB(Database* db,
                                   std::vector<std::shared_ptr<VELDAdvertisementCBS>> concrete)
      : db_(db), concrete_(std::move(concrete)) {}

  bool CanSetText() const override;
  ErrorCode SetText(std::u16string_view text) override;
  bool HasAttributes() const override;
  void GetAttributeValues(std::u16string_view key,
                          std::vector<std::u16string>& values) const override;
  void GetSelectedItems(UIDList* items) const override;
  void SetAttribute(std::u16string_view key, std::u16string_view value) override;
  bool GetTextSelection(int32_t* start, int32_t* end) const override;

  // True when one of the concrete implementations says the notice concerns it.
  bool SelectionAttributeChanged(const AdvertisementAttrChange& change) const;
  const std::vector<std::shared_ptr<VELDAdvertisementCBS>>& Concrete() const { return concrete_; }

 private:
  Database* db_;
  std::vector<std::shared_ptr<VELDAdvertisementCBS>> concrete_;
};

// The suite of a document's selection: the text implementation for a text selection,
// the layout implementation otherwise. Null for a null document.
std::shared_ptr<VELDAdvertisementSuitAbstractCSB> QueryAdvertisementSuite(Document* doc);
// The suite of the front document's selection; null when no document is open.
std::shared_ptr<VELDAdvertisementSuitAbstractCSB> QueryAdvertisementSuite(
    const ActiveContext& context);

}  // namespace tarvelin
