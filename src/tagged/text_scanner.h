// TextScanner: tagged text (XPress Tags syntax) to a stream of story operations.
//
// The whole input is read into one UTF-16 string first, then parsed in four steps: a
// pre-scan for style definitions, default "Normal" styles when the file defines none, and
// the main loop over text, tags and style sequences:
//
//   <body>            a tag; the body runs to the first '>' ("\>" does not end it). An
//                     unescaped '<' or the end of the input before it means the tag was
//                     never closed: the '<' is kept as text and scanning goes on after it.
//   @name:            apply a paragraph style ("$" is "Normal")
//   @name=<body>      define a character style, then apply it
//   @name=[C]<...>    define a colour: <"CMYK"|"RGB", f1, f2, f3, c1, c2, c3[, f7, c4]>
//   @name=[list]<body> define a paragraph style; the list's third quoted text may name a
//                     character style of this import whose attributes come first
//   other             text; LF is dropped unless CR follows; an '@' after an ASCII letter
//                     or '_' is text
//
// A style sequence ends its name at an unescaped ':' or '='. A sequence that cannot be
// completed (no ':' or '=' before the line ends, a '<' or the end of the input; a
// definition that is not closed) keeps its '@' as text and scanning goes on right after
// it, so no text is lost. Plain text runs go to the sink as one InsertText each.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/progress.h"
#include "core/stream.h"
#include "tagged/file_reader.h"
#include "tagged/scanner_sink.h"

namespace tarvelin {

enum class ScanResult : int16_t { kImported = 0, kStopped = 1 };

class TextScanner {
 public:
  // Reads the stream (already past the header line) through the reader of the encoding
  // selector: 1 Mac CE, 2 Win CE, anything else UTF-16. With `swap` each 16-bit unit is
  // byte-swapped after reading. `inputSize` (bytes, 0 when unknown) only sizes buffers.
  // The progress object is optional; without one there is no cancel.
  TextScanner(Stream& stream, int encodingSelector, ScannerSink& sink, ScannerLookup& lookup,
              Progress* progress, int64_t inputSize, bool swap);
  // Scans a text already in memory.
  TextScanner(std::u16string text, ScannerSink& sink, ScannerLookup& lookup,
              Progress* progress = nullptr);
  ~TextScanner();
  TextScanner(const TextScanner&) = delete;
  TextScanner& operator=(const TextScanner&) = delete;

  // kStopped when the user cancelled or the sink had no story; what was written stays.
  ScanResult Scan();

  // Names met during the scan, in order, once per occurrence (the end report).
  const std::vector<std::u16string>& ExistingCharacterStyles() const { return existing_char_; }
  const std::vector<std::u16string>& ExistingParagraphStyles() const { return existing_para_; }
  const std::vector<std::u16string>& ExistingSwatches() const { return existing_swatches_; }
  // Fonts looked up and not found, once each.
  const std::vector<std::u16string>& MissingFonts() const { return missing_fonts_; }
  // Character styles this scan created, with the attributes each was created with.
  const std::vector<std::u16string>& CreatedCharacterStyles() const { return created_names_; }
  const std::vector<TaggedAttribute>* CreatedCharacterStyleList(std::u16string_view name) const;

  const std::u16string& InputText() const { return text_; }

 private:
  enum class ScaleKind : uint8_t { kNone, kHorizontal, kVertical };
  struct Found {
    size_t pos;
    bool closed;
  };

  void ReadInput();
  bool PreScan(bool& charDefSeen, bool& paraDefSeen);
  void DefaultStyles(bool charDefSeen, bool paraDefSeen);
  bool MainLoop();

  // `def` is null in apply mode, else the definition's list.
  void InterpretTag(std::u16string_view body, std::vector<TaggedAttribute>* def);
  bool Add(std::vector<TaggedAttribute>* def, TaggedAttribute attr, TaggedLevel level);
  bool ApplyPending(TaggedLevel level);
  void Toggle(std::vector<TaggedAttribute>* def, bool& flag, TaggedAttrKind kind, int32_t on);
  void Face(std::vector<TaggedAttribute>* def, bool bold);
  void Font(std::vector<TaggedAttribute>* def, const std::u16string& name);
  void Rule(std::vector<TaggedAttribute>* def, TaggedAttrKind kind,
            const std::vector<std::u16string>& args);
  void Revert(char16_t letter);

  // Each returns the position to go on from; npos when the sequence cannot be completed.
  size_t StyleSequence(size_t at);
  size_t CharacterStyleDefinition(std::u16string_view name, size_t open);
  size_t ColourDefinition(std::u16string_view name, size_t open);
  size_t ParagraphStyleDefinition(std::u16string_view name, size_t open);
  size_t SkipLineEnd(size_t pos) const;

  // The first '>' from `from` with backslash pairs stepped over; not closed when an
  // unescaped '<' or the end comes first.
  Found FindTagEnd(size_t from) const;
  // The end of a style name: the first unescaped ':', '=', '<', CR or LF from `from`.
  size_t FindSequenceStop(size_t from);
  // The first ']', CR or LF from `from`.
  size_t FindBracketStop(size_t from);
  void RecordCreated(std::u16string_view name, std::vector<TaggedAttribute> list);

  bool PollCancel(size_t pos);

  ScannerSink& sink_;
  ScannerLookup& lookup_;
  Progress* progress_;
  std::unique_ptr<ProgressBar> bar_;
  size_t next_poll_ = 0;

  std::unique_ptr<KFileReader> reader_;
  int64_t input_size_ = 0;
  bool swap_ = false;
  std::u16string text_;

  std::vector<TaggedAttribute> pending_;

  std::vector<std::u16string> created_names_;
  std::vector<std::vector<TaggedAttribute>> created_lists_;
  std::unordered_map<std::u16string, size_t> created_index_;
  std::vector<std::u16string> existing_char_;
  std::vector<std::u16string> existing_para_;
  std::vector<std::u16string> existing_swatches_;
  std::vector<std::u16string> missing_fonts_;
  std::unordered_map<std::u16string, bool> font_known_;

  bool all_caps_ = false;
  bool small_caps_ = false;
  bool caps_mode3_ = false;
  bool underline_ = false;
  bool strikethrough_ = false;
  ScaleKind last_scale_ = ScaleKind::kNone;

  // Search caches: a search from a later start inside an already searched stretch has
  // the same answer, which keeps repeated faulty sequences linear.
  size_t seq_from_ = 0;
  size_t seq_stop_ = std::u16string::npos;
  size_t bracket_from_ = 0;
  size_t bracket_stop_ = std::u16string::npos;
};

}  // namespace tarvelin
