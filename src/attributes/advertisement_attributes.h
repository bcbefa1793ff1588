// Advertisement attributes: the record every page item carries about where it came from
// (the box definition's attributes, and whether its picture could be loaded), and the
// command that sets the record's text value on a list of items.
//
// IAdvertisementAttributes is added to the host's page-item class, so every page item
// has one, empty until something writes to it. The command's class carries a second,
// free instance: the data the caller hands to the command.
//
// Persistent record (VELDAdvertisementAttributes, kAdvertisementAttributesImpl):
//
//   field        type                                 note
//   -----------  -----------------------------------  -------------------------------------
//   version      uint16                               written as 1; not examined on reading
//   text value   text (uint32 unit count, UTF-16)     set only through the command
//   dictionary   int32 n, then n times key, value     each a text; reading stores every
//                                                     pair, so a repeated key keeps the
//                                                     last value, in the last place
//
// The dictionary keeps keys unique and case-sensitive; writing a key that is present
// moves it to the end, so the most recently written key is always last.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/k_dictionary.h"
#include "host/objects/command.h"
#include "host/objects/error_code.h"
#include "host/objects/ids.h"
#include "host/objects/interface.h"
#include "host/objects/uid.h"

namespace tarvelin {

class ClassRegistry;

// ---- identifiers (the plug-in's prefix 0x113380 plus an offset, one number per space)
inline constexpr uint32_t kAttributesIdPrefix = 0x113380;

inline constexpr InterfaceID kIAdvertisementAttributesIID{kAttributesIdPrefix + 0};
inline constexpr InterfaceID kIAdvertisementAttributesSuiteIID{kAttributesIdPrefix + 1};
inline constexpr ClassID kAdvertisementAttrCommandClass{kAttributesIdPrefix + 4};
inline constexpr ImplementationID kAdvertisementAttrCommandImpl{kAttributesIdPrefix + 7};
inline constexpr ImplementationID kAdvertisementAttributesImpl{kAttributesIdPrefix + 8};
inline constexpr ImplementationID kAdvertisementSuitAbstractImpl{kAttributesIdPrefix + 9};
inline constexpr ImplementationID kAdvertisementSuitLayoutImpl{kAttributesIdPrefix + 10};
inline constexpr ImplementationID kAdvertisementSuitTextImpl{kAttributesIdPrefix + 13};
// The change the attribute command announces.
inline constexpr uint32_t kAdvertisementAttrChangeID = kAttributesIdPrefix + 7;

// ---- dictionary keys that the program writes and reads
inline constexpr std::u16string_view kListOfAttributesKey = u"kInDesignElement_ListOfAttributesKey";
inline constexpr std::u16string_view kFitContentToFrameKey = u"FitContentToFrame";
inline constexpr std::u16string_view kImageTypeKey = u"imageType";
inline constexpr std::u16string_view kImageLoadedKey = u"imageLoaded";
inline constexpr std::u16string_view kImageFilenameKey = u"imageFilename";
inline constexpr std::u16string_view kImageFitTypeKey = u"imageFitTypeKey";

class IAdvertisementAttributes : public virtual Interface {
 public:
  static constexpr InterfaceID kIID = kIAdvertisementAttributesIID;

  // Replaces the text value (announcing the change first).
  virtual void Set(std::u16string_view text) = 0;
  virtual const std::u16string& Get() const = 0;
  // Stores the pair; a key already present is removed first and the pair appended.
  virtual void SetAttribute(std::u16string_view key, std::u16string_view value) = 0;
  // The value stored under the key (exact comparison), or null; valid until the next
  // change of the dictionary.
  virtual const std::u16string* GetAttribute(std::u16string_view key) const = 0;
  virtual const KDictionary& Attributes() const = 0;
};

class VELDAdvertisementAttributes final : public IAdvertisementAttributes, public PersistentImpl {
 public:
  void Set(std::u16string_view text) override;
  const std::u16string& Get() const override { return text_; }
  void SetAttribute(std::u16string_view key, std::u16string_view value) override;
  const std::u16string* GetAttribute(std::u16string_view key) const override;
  const KDictionary& Attributes() const override { return dictionary_; }
  void ReadWrite(Stream& s, ImplementationID id) override;

 private:
  std::u16string text_;
  KDictionary dictionary_;
};

// ---- change notices of the attributes protocol
//
// The command tells observers once, after its Do, that the attributes of the first item
// it changed have changed. Observers are process-wide (the attributes panel is one);
// they are called synchronously on the thread that processes the command.
struct AdvertisementAttrChange {
  uint32_t changeId = kAdvertisementAttrChangeID;
  InterfaceID protocol = kIAdvertisementAttributesIID;
  UIDRef item;                         // the first changed item
  const Command* changedBy = nullptr;  // the command; valid only during the call
  const UIDList* items = nullptr;      // the command's whole item list, likewise
};
using AdvertisementAttrObserver = std::function<void(const AdvertisementAttrChange&)>;
using AttrObserverId = uint64_t;

AttrObserverId AddAdvertisementAttrObserver(AdvertisementAttrObserver observer);
void RemoveAdvertisementAttrObserver(AttrObserverId id);

class VELDAdvertisementAttrCommand final : public Command {
 public:
  VELDAdvertisementAttrCommand();
  ~VELDAdvertisementAttrCommand() override;

  // kFailure when the item list is empty or the command has no data of its own; items
  // without the record are skipped. The dictionaries are not touched.
  ErrorCode Do() override;
  void DoNotify() override;
  std::u16string Name() const override { return CreateName(); }
  std::u16string CreateName() const;

 private:
  void SetBPIData(const IAdvertisementAttributes& data);
};

// Sets the text value on the items through the command, processed by the items'
// database: kFailure for an empty list or when the command cannot be made; otherwise the
// command's result.
ErrorCode ProcessAdvertisementAttrCommand(const UIDList& items, std::u16string_view text);

// Registers the record, the command and its class, and adds the record to the page-item
// class. Call once, before documents are made.
ErrorCode RegisterAttributeClasses(ClassRegistry& registry);

}  // namespace tarvelin
