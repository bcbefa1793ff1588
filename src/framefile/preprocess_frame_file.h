// Frame-file preprocessing: copies a frame file into a scratch file of UTF-16LE code units
// (no byte-order mark) and rewrites every brace definition into escaped tag text, so that
// the tagged-text import passes the box tags through as plain characters.
//
// Brace form as read (everything else is copied unit for unit, line ends included):
//
//   {#DEF ...<line end>     the whole line is dropped (line end: LF, CR LF or a lone CR)
//   {#CODE attrs}content{$}     a box; CODE is WT, WG, DT, DG (an unknown code: WT)
//   {#BE attrs}...{$$}          a group; each {#..}..{$} inside it is an inner box
//
// Written for a box (header-close flag true; CR is U+000D):
//
//   {#WT FW=10, FC=Black}Hello{$}
//   <\<>boxtext  FW="10"  FC="Black"<\>>CR Hello<\<>/boxtext<\>>
//
//   code        begin text         end text
//   WT, DT      <\<>boxtext        <\<>/boxtext<\>>
//   WG, DG      <\<>boxpicture     <\<>/boxpicture<\>>
//   BE          <\<>boxgroup       <\<>/boxgroup<\>>
//   (inner)     <\<>innerbox       <\<>/innerbox<\>>
//
// Header values: a bare value gets quotes and ends at a blank, comma or '}'; a quoted value
// is kept as written, commas, blanks and braces included. Commas between attributes become
// blanks.
//
// The rewrite streams: one definition is never held in memory. Looking ahead for the end of
// an inner definition goes through the reader's position stack and reads the stretch twice
// at most, so time stays linear and memory constant whatever the file holds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "core/progress.h"
#include "core/stream.h"
#include "tagged/file_reader.h"

namespace tarvelin {

enum class PreprocessStatus {
  kRewritten,           // file is the scratch copy
  kFrameFileUnchanged,  // the scratch copy could not be set up; file is the frame file
  kCancelled,           // the user cancelled; no file
  kReadFailed,          // the frame file could not be read to its end; no file
  kWriteFailed,         // the scratch copy could not be written completely; no file
};

struct PreprocessResult {
  PreprocessStatus status = PreprocessStatus::kFrameFileUnchanged;
  std::filesystem::path file;  // the file to import; empty when there is none
  int64_t nulCount = 0;        // NUL characters dropped from the frame file
  int64_t replacedCount = 0;   // bytes that are no character of the encoding (now U+FFFD)
};

class KPreprocessFrameFile {
 public:
  // The scratch folder's name under the per-user data location.
  static constexpr const char* kScratchFolderName = "Vesquin03";
  // A {#DEF line longer than this many characters is not dropped to its end.
  static constexpr int kMaxDefLineLength = 10000;

  // headerCloseFlag true writes "<\>>" + CR after a header, false "\>" + CR. The progress
  // is optional and not owned.
  KPreprocessFrameFile(std::filesystem::path framePath, bool headerCloseFlag,
                       Progress* progressTask);
  ~KPreprocessFrameFile();
  KPreprocessFrameFile(const KPreprocessFrameFile&) = delete;
  KPreprocessFrameFile& operator=(const KPreprocessFrameFile&) = delete;

  // Attaches the reader (of the frame file's encoding) to the frame file and writes the
  // scratch copy. The file handed back stays valid until Finish.
  PreprocessResult Preprocess(KFileReader& reader);

  struct CopyResult {
    bool readAll = false;    // the input was read to its end
    bool cancelled = false;  // the user cancelled
    int64_t nulCount = 0;
    int64_t replacedCount = 0;
  };
  // The copy itself, from any stream to any stream: attaches the reader to `in`, writes
  // the rewritten UTF-16 units to `out` and detaches the reader again.
  CopyResult CopyAndRewrite(KFileReader& reader, Stream& in, Stream& out);

  // Deletes the scratch copy, if one was written. False when it could not be deleted.
  bool Finish();

  const std::filesystem::path& ScratchFile() const { return scratch_file_; }
  const std::filesystem::path& CurrentFile() const { return current_file_; }
  bool Created() const { return created_; }
  bool Deleted() const { return deleted_; }

  // Reads one character per pattern position (the first one not, with skipFirst) and
  // compares; stops at the first mismatch. Consumes what it reads.
  static bool SearchForString(KFileReader& reader, std::u16string_view pattern, bool swapBytes,
                              bool skipFirst);
  // Reads until one of the stop characters (consumed, not returned), the end, or maxLength
  // characters collected.
  static std::u16string ReadUntilStop(KFileReader& reader, std::u16string_view stopCharacters,
                                      size_t maxLength);
  // Looks the code up in the type table; on a hit fills the begin and end texts.
  static bool DoesListConstain(std::u16string_view code, std::u16string_view* beginText,
                               std::u16string_view* endText);
  // The type code after "{#" (the table's code, or "WT"); the reader is left where it was.
  static std::u16string GetFrameTypeFromStream(KFileReader& reader, bool swapBytes);
  // Rewrites one definition text (from its '{' through its end marker) into the stream.
  void RewriteDefinition(std::u16string_view text, Stream& stream, bool inner) const;
  // Writes each code unit as one 16-bit value; swapBytes exchanges its two bytes first.
  static bool WriteLettersToStream(Stream& stream, std::u16string_view text, bool swapBytes);

  // Progress polling shared by the copy and the definition rewrite (internal).
  class ProgressTicker;

 private:
  // Holds the scratch name for this process while the copy is in use (an advisory lock on
  // "<scratch>.lock"), so two runs on same-named frame files at the same time, as a batch
  // of several folders has them, never share one scratch copy.
  class ScratchClaim {
   public:
    ScratchClaim() = default;
    ~ScratchClaim() { Release(); }
    ScratchClaim(const ScratchClaim&) = delete;
    ScratchClaim& operator=(const ScratchClaim&) = delete;
    // False when another live process holds the name.
    bool Claim(const std::filesystem::path& scratch);
    void Release();

   private:
    int fd_ = -1;
    std::filesystem::path lock_;
  };

  template <class Source>
  void Rewrite(Source& source, Stream& stream, bool inner) const;
  // Rewrites the definition whose '{' the reader stands on, reading it up to endMarker.
  // False when the user cancelled.
  bool RewriteFromReader(KFileReader& reader, std::u16string_view endMarker, Stream& stream,
                         ProgressTicker& ticker) const;
  enum class DefLineEnd { kLineEnd, kOverflow, kEndOfInput };
  static DefLineEnd DropDefLine(KFileReader& reader);
  void LogDroppedCharacters(int64_t nulCount, int64_t replacedCount) const;

  std::filesystem::path frame_path_;
  std::filesystem::path scratch_file_;
  std::filesystem::path current_file_;
  bool created_ = false;
  bool deleted_ = false;
  bool header_close_flag_;
  Progress* progress_;
  ScratchClaim claim_;
};

}  // namespace tarvelin
