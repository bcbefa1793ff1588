// Byte streams over files and memory.
//
// One Stream type serves reading and writing; its direction tells a ReadWrite routine
// which way the Xfer calls move data, so one routine both saves and loads a record.
// Multi-byte values are little-endian in every stream:
//
//   XferInt16  2 bytes, low byte first
//   XferInt32  4 bytes, low byte first
//   XferBool   1 byte, 0 or 1
//   XferFloat  4 bytes, IEEE-754 bits as XferInt32
//   XferText   uint32 unit count, then that many UTF-16 units as XferInt16
//
// Reading and writing go through an inline buffer fast path; the virtual calls happen
// only when the buffer is exhausted (Fill) or full (Drain), so per-character callers pay
// a pointer compare, not a virtual call chain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarvelin {

enum class StreamDirection { kRead, kWrite };
enum class SeekFrom { kStart, kCurrent, kEnd };

class Stream {
 public:
  virtual ~Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  StreamDirection Direction() const { return direction_; }
  bool IsReading() const { return direction_ == StreamDirection::kRead; }
  bool IsWriting() const { return direction_ == StreamDirection::kWrite; }
  bool IsOpen() const { return open_; }
  // False once a read came up short or a write failed; stays false.
  bool Good() const { return good_; }

  // Reads one byte; nullopt at the end or on error.
  std::optional<uint8_t> ReadByte() {
    if (cur_ < end_) return *cur_++;
    return ReadByteSlow();
  }
  bool WriteByte(uint8_t b) {
    if (cur_ < end_) {
      *cur_++ = b;
      return true;
    }
    return WriteByteSlow(b);
  }
  std::optional<uint16_t> ReadUInt16() {
    if (end_ - cur_ >= 2) {
      uint16_t v = static_cast<uint16_t>(cur_[0] | (cur_[1] << 8));
      cur_ += 2;
      return v;
    }
    return ReadUInt16Slow();
  }
  bool WriteUInt16(uint16_t v) {
    return WriteByte(static_cast<uint8_t>(v & 0xFF)) && WriteByte(static_cast<uint8_t>(v >> 8));
  }
  size_t ReadBytes(void* data, size_t n);
  size_t WriteBytes(const void* data, size_t n);

  // Direction-following transfer: read into or write from the argument. Returns false
  // when the transfer failed (the value is then left as it was when reading).
  bool XferBytes(void* data, size_t n);
  bool XferByte(uint8_t& v);
  bool XferInt16(uint16_t& v);
  bool XferInt16(int16_t& v);
  bool XferInt32(uint32_t& v);
  bool XferInt32(int32_t& v);
  bool XferBool(bool& v);
  bool XferFloat(float& v);
  bool XferText(std::u16string& v);

  int64_t Tell() const;
  // Returns the new absolute position, or nullopt when the target is outside the stream.
  std::optional<int64_t> Seek(int64_t offset, SeekFrom from);
  bool Flush();
  void Close();

 protected:
  explicit Stream(StreamDirection d) : direction_(d) {}

  // Read mode: load the next chunk into [cur_, end_); false at end of data.
  virtual bool Fill() = 0;
  // Write mode: make room in [cur_, end_); false on failure.
  virtual bool Drain() = 0;
  // Absolute position of buffer_start_.
  virtual int64_t BufferBase() const = 0;
  virtual std::optional<int64_t> SeekTo(int64_t absolute) = 0;
  virtual std::optional<int64_t> EndPosition() = 0;
  virtual bool FlushImpl() = 0;
  virtual void CloseImpl() = 0;

  uint8_t* buffer_start_ = nullptr;
  uint8_t* cur_ = nullptr;
  uint8_t* end_ = nullptr;
  bool open_ = true;
  bool good_ = true;

 private:
  std::optional<uint8_t> ReadByteSlow();
  bool WriteByteSlow(uint8_t b);
  std::optional<uint16_t> ReadUInt16Slow();

  StreamDirection direction_;
};

// A buffered stream over a file. Open* return null when the file cannot be opened;
// the reason is in errno.
class FileStream final : public Stream {
 public:
  static std::unique_ptr<FileStream> OpenRead(const std::filesystem::path& path);
  // Creates or truncates the file.
  static std::unique_ptr<FileStream> OpenWrite(const std::filesystem::path& path);
  ~FileStream() override;

  const std::filesystem::path& Path() const { return path_; }

 private:
  FileStream(StreamDirection d, int fd, std::filesystem::path path);
  bool Fill() override;
  bool Drain() override;
  int64_t BufferBase() const override { return base_; }
  std::optional<int64_t> SeekTo(int64_t absolute) override;
  std::optional<int64_t> EndPosition() override;
  bool FlushImpl() override;
  void CloseImpl() override;

  int fd_;
  std::filesystem::path path_;
  int64_t base_ = 0;  // file offset of buffer_[0]
  std::vector<uint8_t> buffer_;
};

// A stream over memory: reading from a borrowed or owned span, writing into an owned,
// growing buffer.
class MemoryStream final : public Stream {
 public:
  // Reads from bytes the caller keeps alive.
  static std::unique_ptr<MemoryStream> ReadView(std::span<const uint8_t> bytes);
  static std::unique_ptr<MemoryStream> ReadOwned(std::vector<uint8_t> bytes);
  // `capacity`: bytes to make room for at once, when the size is known (CountingStream).
  static std::unique_ptr<MemoryStream> Write(size_t capacity = 0);

  // The bytes written so far (write mode) or the bytes read from (read mode).
  std::span<const uint8_t> Bytes() const;
  std::vector<uint8_t> TakeBytes();

 private:
  explicit MemoryStream(StreamDirection d) : Stream(d) {}
  bool Fill() override { return false; }
  bool Drain() override;
  int64_t BufferBase() const override { return 0; }
  std::optional<int64_t> SeekTo(int64_t absolute) override;
  std::optional<int64_t> EndPosition() override;
  bool FlushImpl() override { return true; }
  void CloseImpl() override {}
  size_t Size() const;

  std::vector<uint8_t> owned_;
  size_t high_water_ = 0;  // write mode: bytes written, even after seeking back
};

// Counts the bytes a write has, keeping them while they number no more than `keep`: a small
// write is then had whole in one pass (TakeKept), a large one only counted, to make room
// for it exactly (a large object then never sits in a buffer twice its size, nor in two).
class CountingStream final : public Stream {
 public:
  explicit CountingStream(size_t keep = 0);
  size_t Count() const;
  // The bytes written, when they were no more than `keep`; once.
  std::optional<std::vector<uint8_t>> TakeKept();

 private:
  bool Fill() override { return false; }
  bool Drain() override;
  int64_t BufferBase() const override { return base_; }
  std::optional<int64_t> SeekTo(int64_t absolute) override;
  std::optional<int64_t> EndPosition() override { return static_cast<int64_t>(Count()); }
  bool FlushImpl() override { return true; }
  void CloseImpl() override {}

  // From `position` on, the bytes go to the sink and are only counted.
  void CountOnlyFrom(int64_t position);

  size_t keep_;
  std::vector<uint8_t> kept_;
  bool counting_only_ = false;
  uint8_t sink_[4096];
  int64_t base_ = 0;
  size_t high_water_ = 0;
};

}  // namespace tarvelin
