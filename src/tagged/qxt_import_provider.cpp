#include "tagged/qxt_import_provider.h"

#include <algorithm>
#include <memory>

#include "core/alert.h"
#include "core/diagnostics.h"
#include "core/progress.h"
#include "core/string_table.h"
#include "core/utf16.h"
#include "host/objects/command_processor.h"
#include "host/objects/database.h"
#include "tagged/file_reader.h"
#include "tagged/lookups.h"
#include "tagged/story_application.h"
#include "tagged/tagged_header.h"
#include "tagged/text_scanner.h"

namespace tarvelin {

namespace {

// True when the reader's first two characters are "<v". A NUL the reader skips counts as
// the end of the input, as it would for a reader that stops there: a UTF-16 file must not
// pass as a single-byte one because its zero bytes are stepped over.
bool BeginsWithVersionTag(KFileReader& reader) {
  char16_t first = reader.ReadChar();
  if (first != u'<' || reader.NulCount() != 0) return false;
  char16_t second = reader.ReadChar();
  return second == u'v' && reader.NulCount() == 0;
}

void AppendList(std::u16string& text, std::string_view key,
                const std::vector<std::u16string>& names) {
  if (names.empty()) return;
  text += u"\r\r";
  text += Translate(key);
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += u", ";
    text += names[i];
  }
}

}  // namespace

QXTDialogFlags& QXTIDialogFlags() {
  static QXTDialogFlags flags;
  return flags;
}

DialogResource QXTIDialogResource() {
  return {kQXTIDialogViewID,
          "0x113380kQXTIDialogTitleKey",
          {{kForceMacCEEncodingWidgetID, "0x113380kForceMacCEEncodingKey"}}};
}

void QXTIDialogController::InitializeDialogFields() {
  QXTIDialogFlags().confirmed = false;
}

void QXTIDialogController::ApplyDialogFields(bool forceMacCEChecked) {
  QXTIDialogFlags().confirmed = true;
  QXTIDialogFlags().forceMacCE = forceMacCEChecked;
}

std::u16string BuildEndReport(const std::vector<std::u16string>& characterStyles,
                              const std::vector<std::u16string>& paragraphStyles,
                              const std::vector<std::u16string>& colorSwatches) {
  if (characterStyles.empty() && paragraphStyles.empty() && colorSwatches.empty()) return {};
  std::u16string text =
      Translate("0x113380kQXTImportFilterCouldNotAddOneOrMoreOfTheFollowingStyles");
  AppendList(text, "0x113380kQXTImportFilterCharacterStylesKey", characterStyles);
  AppendList(text, "0x113380kQXTImportFilterParagraphStylesKey", paragraphStyles);
  AppendList(text, "0x113380kQXTImportFilterColorSwatchesStylesKey", colorSwatches);
  return text;
}

QXTImportReport ShowEndReport(const TextScanner& scanner) {
  QXTImportReport report;
  report.characterStyles = scanner.ExistingCharacterStyles();
  report.paragraphStyles = scanner.ExistingParagraphStyles();
  report.colorSwatches = scanner.ExistingSwatches();
  report.missingFonts = scanner.MissingFonts();
  report.message =
      BuildEndReport(report.characterStyles, report.paragraphStyles, report.colorSwatches);
  if (!report.message.empty()) Alerts().Information(report.message);
  return report;
}

QXTImportProvider::QXTImportProvider(const FontCatalogue& fonts) : fonts_(fonts) {}

int32_t QXTImportProvider::CanImportThisFile(const ImportFileInfo& file) const {
  if (file.fileType == kTextFileType) return 2;
  std::string extension = file.path.extension().string();
  return extension == ".xtg" ? 2 : 0;
}

int32_t QXTImportProvider::CanImportThisStream(Stream& stream) {
  if (!stream.IsOpen()) return 0;
  const int64_t start = stream.Tell();
  {
    MacCEFileReader reader;
    reader.SetStream(&stream);
    if (BeginsWithVersionTag(reader)) {
      encoding_ = DetectedEncoding::kSingleByte;
      return 2;
    }
  }
  stream.Seek(start, SeekFrom::kStart);
  {
    UNICODEFileReader reader;
    reader.SetStream(&stream);
    if (BeginsWithVersionTag(reader)) {
      encoding_ = DetectedEncoding::kUnicode;
      return 2;
    }
  }
  stream.Seek(start, SeekFrom::kStart);
  uint8_t head[5] = {};
  if (stream.ReadBytes(head, sizeof head) == sizeof head && head[0] == 0xEF && head[1] == 0xBB &&
      head[2] == 0xBF && head[3] == '<' && head[4] == 'v') {
    encoding_ = DetectedEncoding::kUtf8Mark;
    return 2;
  }
  return 0;
}

ErrorCode QXTImportProvider::Import(Database& db, const TextWorkspace& ws, Stream& stream,
                                    ImportUILevel ui, UIDRef& imported) {
  imported = UIDRef::Null();
  report_ = {};
  last_error_ = kSuccess;

  if (ui == ImportUILevel::kFull) {
    if (!dialog_) {
      diag::Write("Could not create the dialog.\n");
    } else {
      QXTIDialogFlags() = {};
      QXTIDialogController controller;
      controller.InitializeDialogFields();
      if (!dialog_->Run(controller) || !QXTIDialogFlags().confirmed) {
        last_error_ = kImportDialogCancelled;
        return last_error_;
      }
    }
  }

  // An import without a stream test first detects the encoding itself.
  stream.Seek(0, SeekFrom::kStart);
  if (encoding_ == DetectedEncoding::kUnknown && CanImportThisStream(stream) == 0) {
    diag::Write("QXTImportProvider::Import, the stream is not tagged text.\n");
    last_error_ = kCorruptData;
    return last_error_;
  }
  stream.Seek(0, SeekFrom::kStart);

  std::vector<uint8_t> bytes;
  for (auto b = stream.ReadByte(); b; b = stream.ReadByte()) bytes.push_back(*b);
  const HeaderForm form = encoding_ == DetectedEncoding::kUnicode    ? HeaderForm::kUtf16
                          : encoding_ == DetectedEncoding::kUtf8Mark ? HeaderForm::kUtf8Mark
                                                                     : HeaderForm::kSingleByte;
  const TaggedTextLayout layout = DescribeTaggedText(bytes, form, QXTIDialogFlags().forceMacCE);
  diag::Printf("QXTImportProvider::Import, the text is read as %s.\n", layout.encodingText.c_str());
  stream.Seek(static_cast<int64_t>(std::min(layout.textStart, bytes.size())), SeekFrom::kStart);

  AbortableSequence sequence(db.Commands(), u"Import QuarkXPress tags");
  TextLookups lookups(db, ws, fonts_);
  StoryApplication application(lookups);
  std::unique_ptr<Progress> own;
  if (!progress_ && progress_source_)
    own = progress_source_->CreateTaskProgress(u"Import tekstu", 1, false);
  TextScanner scanner(stream, layout.selector, application, application,
                      progress_ ? progress_ : own.get(), 0, false);
  ScanResult result = scanner.Scan();
  ErrorCode written = application.Finish();
  report_ = ShowEndReport(scanner);
  report_.encoding = FromUtf8(layout.encodingText);

  if (written != kSuccess) {
    diag::Printf("QXTImportProvider::Import, the story could not take all of the text (%s).\n",
                 ErrorCodeName(written));
  }
  // A story that lacks part of the text is not handed back as an import.
  if (result != ScanResult::kImported || application.Story().IsNull() || written != kSuccess) {
    sequence.Abort();
    last_error_ = kFailure;
    return last_error_;
  }
  if (ErrorCode e = sequence.End(); e != kSuccess) {
    last_error_ = e;
    return last_error_;
  }
  imported = application.Story();
  return kSuccess;
}

}  // namespace tarvelin
