#include "core/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

namespace tarvelin {

namespace {
constexpr size_t kFileBufferSize = 1 << 16;
}

// ---------------------------------------------------------------- Stream

std::optional<uint8_t> Stream::ReadByteSlow() {
  if (!open_ || !IsReading() || !Fill()) {
    good_ = false;
    return std::nullopt;
  }
  return *cur_++;
}

bool Stream::WriteByteSlow(uint8_t b) {
  if (!open_ || !IsWriting() || !Drain()) {
    good_ = false;
    return false;
  }
  *cur_++ = b;
  return true;
}

std::optional<uint16_t> Stream::ReadUInt16Slow() {
  auto lo = ReadByte();
  if (!lo) return std::nullopt;
  auto hi = ReadByte();
  if (!hi) return std::nullopt;
  return static_cast<uint16_t>(*lo | (*hi << 8));
}

size_t Stream::ReadBytes(void* data, size_t n) {
  auto* out = static_cast<uint8_t*>(data);
  size_t done = 0;
  while (done < n) {
    if (cur_ == end_) {
      if (!open_ || !IsReading() || !Fill()) {
        good_ = false;
        break;
      }
    }
    size_t chunk = std::min(n - done, static_cast<size_t>(end_ - cur_));
    std::memcpy(out + done, cur_, chunk);
    cur_ += chunk;
    done += chunk;
  }
  return done;
}

size_t Stream::WriteBytes(const void* data, size_t n) {
  const auto* in = static_cast<const uint8_t*>(data);
  size_t done = 0;
  while (done < n) {
    if (cur_ == end_) {
      if (!open_ || !IsWriting() || !Drain()) {
        good_ = false;
        break;
      }
    }
    size_t chunk = std::min(n - done, static_cast<size_t>(end_ - cur_));
    std::memcpy(cur_, in + done, chunk);
    cur_ += chunk;
    done += chunk;
  }
  return done;
}

bool Stream::XferBytes(void* data, size_t n) {
  return (IsReading() ? ReadBytes(data, n) : WriteBytes(data, n)) == n;
}

bool Stream::XferByte(uint8_t& v) {
  if (IsWriting()) return WriteByte(v);
  auto b = ReadByte();
  if (b) v = *b;
  return b.has_value();
}

bool Stream::XferInt16(uint16_t& v) {
  if (IsWriting()) return WriteUInt16(v);
  auto r = ReadUInt16();
  if (r) v = *r;
  return r.has_value();
}

bool Stream::XferInt16(int16_t& v) {
  uint16_t u = static_cast<uint16_t>(v);
  if (!XferInt16(u)) return false;
  v = static_cast<int16_t>(u);
  return true;
}

bool Stream::XferInt32(uint32_t& v) {
  uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                  static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
  if (!XferBytes(b, 4)) return false;
  v = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
      (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
  return true;
}

bool Stream::XferInt32(int32_t& v) {
  uint32_t u = static_cast<uint32_t>(v);
  if (!XferInt32(u)) return false;
  v = static_cast<int32_t>(u);
  return true;
}

bool Stream::XferBool(bool& v) {
  uint8_t b = v ? 1 : 0;
  if (!XferByte(b)) return false;
  v = b != 0;
  return true;
}

bool Stream::XferFloat(float& v) {
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  if (!XferInt32(bits)) return false;
  std::memcpy(&v, &bits, 4);
  return true;
}

bool Stream::XferText(std::u16string& v) {
  uint32_t n = static_cast<uint32_t>(v.size());
  if (!XferInt32(n)) return false;
  if constexpr (std::endian::native == std::endian::little) {
    // The units are stored as they lie in memory: copied whole, not one by one.
    if (IsWriting()) return WriteBytes(v.data(), size_t{n} * 2) == size_t{n} * 2;
    // Never trust a stored count with an allocation: grow as units actually arrive.
    std::u16string text;
    for (size_t done = 0; done < n;) {
      const size_t chunk = std::min<size_t>(n - done, 1 << 16);
      text.resize(done + chunk);
      if (ReadBytes(text.data() + done, chunk * 2) != chunk * 2) return false;
      done += chunk;
    }
    v = std::move(text);
    return true;
  }
  if (IsWriting()) {
    for (char16_t c : v)
      if (!WriteUInt16(c)) return false;
    return true;
  }
  std::u16string text;
  text.reserve(std::min<uint32_t>(n, 1 << 16));
  for (uint32_t i = 0; i < n; ++i) {
    auto u = ReadUInt16();
    if (!u) return false;
    text.push_back(static_cast<char16_t>(*u));
  }
  v = std::move(text);
  return true;
}

int64_t Stream::Tell() const {
  return BufferBase() + (cur_ - buffer_start_);
}

std::optional<int64_t> Stream::Seek(int64_t offset, SeekFrom from) {
  if (!open_) return std::nullopt;
  int64_t base = 0;
  if (from == SeekFrom::kCurrent) {
    base = Tell();
  } else if (from == SeekFrom::kEnd) {
    auto e = EndPosition();
    if (!e) return std::nullopt;
    base = *e;
  }
  int64_t target = base + offset;
  if (target < 0) return std::nullopt;
  return SeekTo(target);
}

bool Stream::Flush() {
  return open_ && FlushImpl();
}

void Stream::Close() {
  if (!open_) return;
  if (IsWriting()) FlushImpl();
  CloseImpl();
  open_ = false;
  buffer_start_ = cur_ = end_ = nullptr;
}

// ---------------------------------------------------------------- FileStream

std::unique_ptr<FileStream> FileStream::OpenRead(const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return nullptr;
  }
  return std::unique_ptr<FileStream>(new FileStream(StreamDirection::kRead, fd, path));
}

std::unique_ptr<FileStream> FileStream::OpenWrite(const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  return std::unique_ptr<FileStream>(new FileStream(StreamDirection::kWrite, fd, path));
}

FileStream::FileStream(StreamDirection d, int fd, std::filesystem::path path)
    : Stream(d), fd_(fd), path_(std::move(path)), buffer_(kFileBufferSize) {
  buffer_start_ = buffer_.data();
  cur_ = buffer_start_;
  end_ = IsReading() ? buffer_start_ : buffer_start_ + buffer_.size();
}

FileStream::~FileStream() {
  Close();
}

bool FileStream::Fill() {
  base_ += end_ - buffer_start_;
  ssize_t n;
  do {
    n = ::read(fd_, buffer_.data(), buffer_.size());
  } while (n < 0 && errno == EINTR);
  cur_ = buffer_start_;
  end_ = buffer_start_ + std::max<ssize_t>(n, 0);
  return n > 0;
}

bool FileStream::Drain() {
  const uint8_t* p = buffer_start_;
  size_t left = static_cast<size_t>(cur_ - buffer_start_);
  while (left > 0) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<size_t>(n);
  }
  base_ += cur_ - buffer_start_;
  cur_ = buffer_start_;
  return true;
}

std::optional<int64_t> FileStream::SeekTo(int64_t absolute) {
  if (IsReading()) {
    if (absolute >= base_ && absolute <= base_ + (end_ - buffer_start_)) {
      cur_ = buffer_start_ + (absolute - base_);
      return absolute;
    }
  } else if (!Drain()) {
    good_ = false;
    return std::nullopt;
  }
  auto endPos = EndPosition();
  if (!endPos || absolute > *endPos) return std::nullopt;
  if (::lseek(fd_, absolute, SEEK_SET) < 0) return std::nullopt;
  base_ = absolute;
  cur_ = buffer_start_;
  if (IsReading()) end_ = buffer_start_;
  return absolute;
}

std::optional<int64_t> FileStream::EndPosition() {
  if (IsWriting() && !Drain()) return std::nullopt;
  struct stat st;
  if (::fstat(fd_, &st) != 0) return std::nullopt;
  return static_cast<int64_t>(st.st_size);
}

bool FileStream::FlushImpl() {
  if (IsReading()) return true;
  if (!Drain()) {
    good_ = false;
    return false;
  }
  return true;
}

void FileStream::CloseImpl() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

// ---------------------------------------------------------------- MemoryStream

std::unique_ptr<MemoryStream> MemoryStream::ReadView(std::span<const uint8_t> bytes) {
  std::unique_ptr<MemoryStream> s(new MemoryStream(StreamDirection::kRead));
  // Read mode never writes through these pointers.
  s->buffer_start_ = const_cast<uint8_t*>(bytes.data());
  s->cur_ = s->buffer_start_;
  s->end_ = s->buffer_start_ + bytes.size();
  return s;
}

std::unique_ptr<MemoryStream> MemoryStream::ReadOwned(std::vector<uint8_t> bytes) {
  std::unique_ptr<MemoryStream> s(new MemoryStream(StreamDirection::kRead));
  s->owned_ = std::move(bytes);
  s->buffer_start_ = s->owned_.data();
  s->cur_ = s->buffer_start_;
  s->end_ = s->buffer_start_ + s->owned_.size();
  return s;
}

std::unique_ptr<MemoryStream> MemoryStream::Write(size_t capacity) {
  std::unique_ptr<MemoryStream> s(new MemoryStream(StreamDirection::kWrite));
  if (capacity) {
    s->owned_.resize(capacity);
    s->buffer_start_ = s->cur_ = s->owned_.data();
    s->end_ = s->buffer_start_ + capacity;
  }
  return s;
}

size_t MemoryStream::Size() const {
  if (IsReading()) return static_cast<size_t>(end_ - buffer_start_);
  return std::max(high_water_, static_cast<size_t>(cur_ - buffer_start_));
}

bool MemoryStream::Drain() {
  size_t pos = static_cast<size_t>(cur_ - buffer_start_);
  high_water_ = std::max(high_water_, pos);
  owned_.resize(std::max<size_t>(256, owned_.size() * 2));
  buffer_start_ = owned_.data();
  cur_ = buffer_start_ + pos;
  end_ = buffer_start_ + owned_.size();
  return true;
}

std::optional<int64_t> MemoryStream::SeekTo(int64_t absolute) {
  size_t size = Size();
  if (static_cast<uint64_t>(absolute) > size) return std::nullopt;
  if (IsWriting()) high_water_ = size;
  cur_ = buffer_start_ + absolute;
  return absolute;
}

std::optional<int64_t> MemoryStream::EndPosition() {
  return static_cast<int64_t>(Size());
}

std::span<const uint8_t> MemoryStream::Bytes() const {
  return {buffer_start_, Size()};
}

std::vector<uint8_t> MemoryStream::TakeBytes() {
  if (IsReading()) return {Bytes().begin(), Bytes().end()};
  size_t size = Size();
  owned_.resize(size);
  std::vector<uint8_t> out = std::move(owned_);
  owned_.clear();
  high_water_ = 0;
  buffer_start_ = cur_ = end_ = nullptr;
  return out;
}

// ---------------------------------------------------------------- CountingStream

CountingStream::CountingStream(size_t keep) : Stream(StreamDirection::kWrite), keep_(keep) {
  if (keep_ == 0) {
    CountOnlyFrom(0);
  } else {
    kept_.resize(std::min<size_t>(keep_, 256));
    buffer_start_ = cur_ = kept_.data();
    end_ = buffer_start_ + kept_.size();
  }
}

void CountingStream::CountOnlyFrom(int64_t position) {
  counting_only_ = true;
  kept_ = {};
  base_ = position;
  buffer_start_ = cur_ = sink_;
  end_ = sink_ + sizeof sink_;
}

size_t CountingStream::Count() const {
  return std::max(high_water_, static_cast<size_t>(base_ + (cur_ - buffer_start_)));
}

std::optional<std::vector<uint8_t>> CountingStream::TakeKept() {
  if (counting_only_) return std::nullopt;
  const size_t size = Count();
  std::vector<uint8_t> kept = std::move(kept_);
  kept.resize(size);
  CountOnlyFrom(0);  // nothing is kept from here on
  high_water_ = 0;
  return kept;
}

bool CountingStream::Drain() {
  high_water_ = Count();
  if (!counting_only_) {
    const size_t at = static_cast<size_t>(cur_ - buffer_start_);
    if (kept_.size() < keep_) {
      kept_.resize(std::min(keep_, kept_.size() * 2));
      buffer_start_ = kept_.data();
      cur_ = buffer_start_ + at;
      end_ = buffer_start_ + kept_.size();
      return true;
    }
    CountOnlyFrom(static_cast<int64_t>(at));  // too large to keep
    return true;
  }
  base_ += cur_ - buffer_start_;
  cur_ = buffer_start_;
  return true;
}

std::optional<int64_t> CountingStream::SeekTo(int64_t absolute) {
  if (absolute < 0 || static_cast<size_t>(absolute) > Count()) return std::nullopt;
  high_water_ = Count();
  if (!counting_only_) {
    cur_ = buffer_start_ + absolute;
    return absolute;
  }
  base_ = absolute;
  cur_ = buffer_start_;
  return absolute;
}

}  // namespace tarvelin
