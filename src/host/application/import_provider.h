// Import providers: services that turn a file of some format into a new story. The host
// finds them by their service interface among the classes the plug-ins name in their
// resources, asks each whether it can import a stream, and lets the one that can do it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/objects/error_code.h"
#include "host/objects/interface.h"
#include "host/objects/uid.h"

namespace tarvelin {

class Database;
class Stream;

// How much the host lets a provider ask of the user: kFull shows the provider's options
// dialog (the host's File > Import), kNone nothing (batch runs, imports made by a plug-in).
enum class ImportUILevel : uint8_t { kNone, kMinimal, kFull };

// The global error code of an import whose options dialog was cancelled.
inline constexpr ErrorCode kImportDialogCancelled = 2;

class IImportProvider : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x7301};
  // How sure the provider is that it can import the stream: 0 no, 2 yes; the stream is
  // left at its start.
  virtual int32_t CanImportThisStream(Stream& stream) = 0;
  // The format's name (a string-table key) and its file extensions.
  virtual std::string FormatName() const = 0;
  virtual std::vector<std::string> Extensions() const = 0;
  // Imports the whole stream into a new story of the document's database; 0 and the
  // story in `story`. kImportDialogCancelled when the user cancelled its options dialog.
  virtual ErrorCode ImportThis(Database& db, Stream& stream, ImportUILevel ui, UIDRef& story) = 0;
};

}  // namespace tarvelin
