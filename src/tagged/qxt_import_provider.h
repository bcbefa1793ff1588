// QXTImportProvider: tagged-text files ("Quark XPressTag Files", extension "xtg") as an
// import format of the host. It recognises a file by its first two characters, skips the
// header line, scans the rest into a new story of the target database and hands that
// story back. Styles and swatches that already existed are listed in the end report,
// shown through the host's alert service.
//
// Provider operations, in the order the host's import machinery calls them:
//
//   slot  operation                 answer
//   1     CountFileTypes            1
//   2     GetFileType               0x54455854 ("TEXT")
//   3-5   QuerySlot3..5             0
//   6     CountFormats              1
//   7     GetFormatName             "0x113380kQuarkFilesKey" (a string-table key)
//   8     CountExtensions           1
//   9     GetExtension              "xtg"
//   10    CanImportThisFile         2 for file type "TEXT" or extension "xtg", else 0
//   11    CanImportThisStream       2 when the stream begins "<v" (single-byte, then UTF-16,
//                                   then after a UTF-8 byte-order mark)
//   12    Import                    the new story, or null
//
// The header line and the encoding the text is read in: tagged_header.h.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/stream.h"
#include "host/application/import_provider.h"
#include "host/application/ui_services.h"
#include "host/objects/error_code.h"
#include "host/objects/uid.h"
#include "host/text/font_catalogue.h"
#include "host/text/text_workspace.h"

namespace tarvelin {

class Database;
class Progress;
class TextScanner;

inline constexpr uint32_t kTextFileType = 0x54455854;  // 'TEXT'

// kUtf8Mark: the stream begins with a UTF-8 byte-order mark and "<v".
enum class DetectedEncoding : int32_t {
  kUnknown = 0,
  kSingleByte = 1,
  kUnicode = 2,
  kUtf8Mark = 3
};

// What the host knows of a file before opening it.
struct ImportFileInfo {
  std::filesystem::path path;
  uint32_t fileType = 0;  // a four-letter type, 0 when the platform has none
};

// The options dialog's state. Process-wide, as one import runs at a time.
struct QXTDialogFlags {
  bool confirmed = false;
  bool forceMacCE = false;
};
QXTDialogFlags& QXTIDialogFlags();

// The options dialog's logic; the window itself belongs to the desktop application.
class QXTIDialogController {
 public:
  // After the dialog's own initialisation: not confirmed yet.
  void InitializeDialogFields();
  // OK pressed: confirmed, and "Force MacCE encoding" as the check box stands.
  void ApplyDialogFields(bool forceMacCEChecked);
};

// The options dialog's view resource: its title and the "Force MacCE encoding" check box.
inline constexpr uint32_t kQXTIDialogViewID = 710;
inline constexpr uint32_t kForceMacCEEncodingWidgetID = 0x113380 + 0x22;
DialogResource QXTIDialogResource();

// Shows the options dialog modally over the controller.
class QXTOptionsDialog {
 public:
  virtual ~QXTOptionsDialog() = default;
  // False when the user cancelled.
  virtual bool Run(QXTIDialogController& controller) = 0;
};

// Names an import met and could not add, in the order met, once per occurrence.
struct QXTImportReport {
  std::vector<std::u16string> characterStyles;
  std::vector<std::u16string> paragraphStyles;
  std::vector<std::u16string> colorSwatches;
  std::vector<std::u16string> missingFonts;  // once each; not part of the message
  std::u16string encoding;                   // how the text was read, e.g. "UTF-8"
  std::u16string message;                    // empty when the three lists are

  bool Empty() const {
    return characterStyles.empty() && paragraphStyles.empty() && colorSwatches.empty();
  }
};

// The end report's text (empty when there is nothing to report).
std::u16string BuildEndReport(const std::vector<std::u16string>& characterStyles,
                              const std::vector<std::u16string>& paragraphStyles,
                              const std::vector<std::u16string>& colorSwatches);
// The report of a finished scan; its message is shown as an information alert when not
// empty.
QXTImportReport ShowEndReport(const TextScanner& scanner);

class QXTImportProvider {
 public:
  // The catalogue must outlive the provider.
  explicit QXTImportProvider(const FontCatalogue& fonts);

  int32_t CountFileTypes() const { return 1; }
  uint32_t GetFileType(int32_t /*index*/) const { return kTextFileType; }
  int32_t QuerySlot3() const { return 0; }
  int32_t QuerySlot4() const { return 0; }
  int32_t QuerySlot5() const { return 0; }
  int32_t CountFormats() const { return 1; }
  std::string_view GetFormatName(int32_t /*index*/) const { return "0x113380kQuarkFilesKey"; }
  int32_t CountExtensions() const { return 1; }
  std::string_view GetExtension(int32_t /*index*/) const { return "xtg"; }

  int32_t CanImportThisFile(const ImportFileInfo& file) const;
  // Reads up to four bytes; records the encoding for the next import. A closed stream is
  // not tested (0).
  int32_t CanImportThisStream(Stream& stream);
  DetectedEncoding Encoding() const { return encoding_; }

  // Shown on ImportUILevel::kFull; without one the import goes on without options.
  void SetOptionsDialog(QXTOptionsDialog* dialog) { dialog_ = dialog; }
  // Optional: the scan reports progress to it and stops when it is cancelled.
  void SetProgress(Progress* progress) { progress_ = progress; }
  // Without a progress of the caller's: the scan shows a bar of its own from `factory`,
  // after the options dialog, without Cancel.
  void SetProgressSource(ProgressFactory* factory) { progress_source_ = factory; }

  // Imports the stream (from its start) into a new story of the database, inside one
  // command sequence. 0 and the story in `imported`; otherwise a null `imported` and
  // kImportDialogCancelled, kCorruptData for a stream the test refuses, or kFailure when
  // the scan stopped (the sequence is then rolled back).
  ErrorCode Import(Database& db, const TextWorkspace& ws, Stream& stream, ImportUILevel ui,
                   UIDRef& imported);

  const QXTImportReport& LastReport() const { return report_; }
  // The host's global error code of the last import.
  ErrorCode LastError() const { return last_error_; }

 private:
  const FontCatalogue& fonts_;
  DetectedEncoding encoding_ = DetectedEncoding::kUnknown;
  QXTOptionsDialog* dialog_ = nullptr;
  Progress* progress_ = nullptr;
  ProgressFactory* progress_source_ = nullptr;
  QXTImportReport report_;
  ErrorCode last_error_ = kSuccess;
};

}  // namespace tarvelin
