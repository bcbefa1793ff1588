// The first line of a tagged-text file and the encoding the file is read in.
//
// A file begins, after an optional UTF-8 byte-order mark, with its header line:
//
//   "<v" version ">"  [ "<e" encoding ">" ]  line end (CR LF, CR or LF)
//
// e.g. "<v1.70><e1>" CR or "<v11.10><e9>" CR LF. The whole line is skipped, whatever the
// length of its tags; a file that ends the header without a line end continues with its
// text right after the tags. Encoding 9 declares UTF-8. The text is read as:
//
//   UTF-16 file (detected from the units)    UTF-16
//   UTF-8 mark or <e9>, bytes valid UTF-8    UTF-8
//   every other single-byte file             Mac Central European (the importer's reading
//                                            of single-byte files; a declared UTF-8 file
//                                            with an invalid byte falls back to it)
//
// "Force MacCE encoding" reads every single-byte file as Mac Central European, and skips
// 12 bytes of a UTF-16 file, as it always did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace tarvelin {

// A tag of the header longer than this is not a header tag: the old fixed-length skip is
// used instead, with a diagnostic.
inline constexpr size_t kMaxHeaderTagLength = 64;

enum class HeaderForm : uint8_t { kSingleByte, kUtf16, kUtf8Mark };

struct TaggedTextLayout {
  int selector = 0;           // the reader for the text after the header (file_reader.h)
  size_t textStart = 0;       // byte offset of the first character after the header line
  bool declaredUtf8 = false;  // a UTF-8 mark or <e9>
  std::optional<size_t> invalidUtf8Byte;  // declared UTF-8, and the first byte that is not
  std::string encodingText;               // for the import report, e.g. "UTF-8"
};

// How to read a file whose first characters the stream test recognised in `form`.
TaggedTextLayout DescribeTaggedText(std::span<const uint8_t> bytes, HeaderForm form,
                                    bool forceMacCE);

struct FrameFileEncodingChoice {
  int selector = 0;
  std::optional<size_t> invalidUtf8Byte;  // a UTF-8 mark, and the first byte that is not
  std::string encodingText;
};

// A frame file that begins with a UTF-8 byte-order mark and is valid UTF-8 is read as
// UTF-8; every other as Windows Central European.
FrameFileEncodingChoice FrameFileEncoding(std::span<const uint8_t> bytes);
// The same for a file on disk; an unreadable file is Windows Central European (the reading
// that follows reports the failure).
FrameFileEncodingChoice FrameFileEncodingOf(const std::filesystem::path& file);

}  // namespace tarvelin
