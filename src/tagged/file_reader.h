// Text file readers: a byte stream read as UTF-16 code units, one per ReadChar call.
//
// Encodings (selector → reader):
//
//   1       MacCEFileReader    Mac OS Central European, one byte per character
//   2       WinCEFileReader    Windows-1250 (Central European), one byte per character
//   4       Utf8FileReader     UTF-8; a byte-order mark at the start of the stream is skipped
//   other   UNICODEFileReader  UTF-16 in the stream's byte order (little-endian), no BOM handling
//
// ReadChar returns 0 only at the real end of the input (or when the stream is gone).
// Characters that cannot be passed on as text never end the input:
//   - a NUL unit (byte 0x00, or 16-bit 0x0000) is skipped and counted (NulCount);
//   - a byte with no mapping in the encoding (Windows-1250 0x81 0x83 0x88 0x90 0x98,
//     a lone trailing byte of a UTF-16 file, a malformed UTF-8 sequence) decodes to U+FFFD
//     and is counted (ReplacedCount).
// The caller reports the counts once per file. Line ends are returned as they stand.
//
// The readers hold no state about tags; KFileReader adds a stack of stream positions so a
// caller can look ahead and come back.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "core/stream.h"

namespace tarvelin {

class ITxtImpFileReader {
 public:
  virtual ~ITxtImpFileReader() = default;

  // The stream is not owned: the caller opens and closes it and keeps it alive while the
  // reader uses it. Stores the stream's length.
  virtual void SetStream(Stream* stream) = 0;
  // The stream's length in bytes; the position is left unchanged. 0 without a stream.
  virtual int64_t GetLength() = 0;
  // The next code unit; 0 at the end of the input only.
  virtual char16_t ReadChar() = 0;
  // Bytes per character of the encoding.
  virtual int GetCharSize() const = 0;
};

class CTxtImpFileReader : public ITxtImpFileReader {
 public:
  void SetStream(Stream* stream) override;
  int64_t GetLength() override;

  Stream* GetStream() const { return stream_; }
  // The length stored by SetStream.
  int64_t StoredLength() const { return length_; }

  // NUL units skipped since SetStream.
  int64_t NulCount() const { return nul_count_; }
  // Bytes or units decoded to U+FFFD since SetStream.
  int64_t ReplacedCount() const { return replaced_count_; }

 protected:
  Stream* stream_ = nullptr;
  int64_t length_ = 0;
  int64_t nul_count_ = 0;
  int64_t replaced_count_ = 0;
  bool last_replaced_ = false;  // the last character returned was a replacement
  char16_t pending_ = 0;        // returned by the next ReadChar before the stream is read
};

class KFileReader : public CTxtImpFileReader {
 public:
  KFileReader();

  // The stack keeps the counts with each position, so reading a stretch again after
  // PopPosition does not count its NULs and replacements twice.
  //
  // Pushes the current stream position; false when no stream is open.
  bool PushPosition();
  // Pushes the position of the character just read (current − GetCharSize(), at least 0);
  // false when no stream is open.
  bool PushPositionBeforeLastChar();
  // Pops the top position and seeks there. On an empty stack writes "stack too small\n"
  // to the diagnostics, leaves the stream where it is and returns false.
  bool PopPosition();
  // Drops the top position without seeking (a look-ahead that is kept); false when empty.
  bool DropPosition();
  size_t PositionDepth() const { return positions_.size(); }

 protected:
  // Where the character just read began: a stream position and the unit that was waiting
  // there (the second half of a surrogate pair a multi-byte reader decoded, else 0).
  struct CharStart {
    int64_t position;
    char16_t pending;
  };
  // Fixed-width readers: the current position less one character.
  virtual CharStart LastCharStart() const;

 private:
  struct Mark {
    int64_t position;
    char16_t pending;
    int64_t nul_count;
    int64_t replaced_count;
  };
  std::vector<Mark> positions_;
};

// Shared by the two single-byte readers: one table of 256 code units, decoded per byte.
class KSingleByteFileReader : public KFileReader {
 public:
  char16_t ReadChar() final {
    for (;;) {
      auto b = stream_ ? stream_->ReadByte() : std::nullopt;
      if (!b) return 0;
      char16_t c = table_[*b];
      if (c == 0) {
        ++nul_count_;
        continue;
      }
      last_replaced_ = c == 0xFFFD;
      replaced_count_ += last_replaced_;
      return c;
    }
  }
  int GetCharSize() const final { return 1; }

 protected:
  explicit KSingleByteFileReader(const char16_t* table) : table_(table) {}

 private:
  const char16_t* table_;  // 256 entries; 0 only for byte 0x00
};

class MacCEFileReader final : public KSingleByteFileReader {
 public:
  MacCEFileReader();
};

class WinCEFileReader final : public KSingleByteFileReader {
 public:
  WinCEFileReader();
};

class UNICODEFileReader final : public KFileReader {
 public:
  char16_t ReadChar() override;
  int GetCharSize() const override { return 2; }
};

// UTF-8, one to four bytes per character; a character beyond U+FFFF comes out as its two
// surrogate halves, one per call. A byte-order mark at position 0 is stepped over. A
// malformed sequence decodes to one U+FFFD per offending byte, as FromUtf8 does.
class Utf8FileReader final : public KFileReader {
 public:
  char16_t ReadChar() override;
  // The smallest width: what sizes buffers and the fixed-width fallback.
  int GetCharSize() const override { return 1; }

 private:
  CharStart LastCharStart() const override { return last_start_; }
  CharStart last_start_{0, 0};
};

// The encoding selectors of the tagged-text scanner.
inline constexpr int kEncodingMacCE = 1;
inline constexpr int kEncodingWinCE = 2;
inline constexpr int kEncodingUnicode = 3;
inline constexpr int kEncodingUtf8 = 4;

// The encoding's name as the import report gives it.
const char* EncodingName(int selector);

// The reader for an encoding selector: 1 Mac CE, 2 Win CE, 4 UTF-8, anything else Unicode.
std::unique_ptr<KFileReader> CreateReader(int selector);

// One (byte, code unit) row of a single-byte encoding table.
struct ByteMapping {
  uint8_t byte;
  char16_t unit;
};

// The rows of the single-byte tables for 0x80-0xFF, ascending by byte. The Windows table
// has no rows for 0x81, 0x88, 0x90 and 0x98 (they take the system-code-page fallback) and
// maps 0x83, undefined in Windows-1250 as well, to U+FFFD.
std::span<const ByteMapping> MacCETableRows();
std::span<const ByteMapping> WinCETableRows();

}  // namespace tarvelin
