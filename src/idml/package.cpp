#include "idml/package.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <system_error>
#include <vector>

namespace tarvelin::idml {

namespace fs = std::filesystem;

namespace {

// 2001-01-01 00:00 UTC: any fixed instant keeps the bytes reproducible.
constexpr time_t kFixedTime = 978307200;

// The fastest deflate: XML shrinks well at any level, and export time is what users wait for.
constexpr zip_uint32_t kLevel = 1;
// Small parts (an inline frame's story) are stored: setting up a deflate stream costs
// more than the few bytes it would save, and a page of ads has thousands of them.
constexpr size_t kStoreBelow = 4096;
// Parts from this size on are deflated ahead, on a thread of their own.
constexpr size_t kDeflateAheadFrom = 256 * 1024;

struct ZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
struct SourceFreer {
  void operator()(zip_source_t* s) const { zip_source_free(s); }
};
struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

std::string ZipError(zip_t* z) {
  zip_error_t* e = zip_get_error(z);
  return e ? zip_error_strerror(e) : "unknown zip error";
}

// The same raw deflate stream libzip writes, at the same level; nullopt when zlib fails.
std::optional<Package::Deflated> Deflate(const std::string& text) {
  if (text.size() > std::numeric_limits<uInt>::max() / 2) return std::nullopt;
  z_stream zs{};
  if (deflateInit2(&zs, kLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    return std::nullopt;
  Package::Deflated out;
  out.data.resize(deflateBound(&zs, static_cast<uLong>(text.size())));
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  zs.avail_in = static_cast<uInt>(text.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data.data());
  zs.avail_out = static_cast<uInt>(out.data.size());
  const int result = deflate(&zs, Z_FINISH);
  out.data.resize(zs.total_out);
  deflateEnd(&zs);
  if (result != Z_STREAM_END) return std::nullopt;
  out.crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
  return out;
}

// A source that hands libzip an entry already deflated: its statistics name the method,
// sizes and CRC, so libzip copies the bytes as they are.
struct DeflatedSource {
  const Package::Deflated* deflated;
  zip_uint64_t size;  // of the part before deflating
  zip_uint64_t at = 0;
  zip_error_t error;
};

zip_int64_t DeflatedSourceCall(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
  auto* s = static_cast<DeflatedSource*>(state);
  const std::string& bytes = s->deflated->data;
  switch (cmd) {
    case ZIP_SOURCE_OPEN:
      s->at = 0;
      return 0;
    case ZIP_SOURCE_READ: {
      const zip_uint64_t n = std::min<zip_uint64_t>(len, bytes.size() - s->at);
      std::memcpy(data, bytes.data() + s->at, n);
      s->at += n;
      return static_cast<zip_int64_t>(n);
    }
    case ZIP_SOURCE_CLOSE:
      return 0;
    case ZIP_SOURCE_STAT: {
      if (len < sizeof(zip_stat_t)) {
        zip_error_set(&s->error, ZIP_ER_INVAL, 0);
        return -1;
      }
      auto* st = static_cast<zip_stat_t*>(data);
      zip_stat_init(st);
      st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC;
      st->size = s->size;
      st->comp_size = bytes.size();
      st->comp_method = ZIP_CM_DEFLATE;
      st->crc = s->deflated->crc;
      return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
      return zip_error_to_data(&s->error, data, len);
    case ZIP_SOURCE_FREE:
      zip_error_fini(&s->error);
      std::unique_ptr<DeflatedSource>(s).reset();
      return 0;
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                            ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
      zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
      return -1;
  }
}

// Adds one entry from `data`, or from `deflated` when given (both must outlive the
// archive's close).
bool AddEntry(zip_t* z, const std::string& name, const std::string& data,
              const Package::Deflated* deflated, std::string& error) {
  zip_source_t* src = nullptr;
  if (deflated) {
    auto state = std::make_unique<DeflatedSource>(DeflatedSource{deflated, data.size(), 0, {}});
    zip_error_init(&state->error);
    src = zip_source_function(z, DeflatedSourceCall, state.get());
    if (src) state.release();  // the source frees it
  } else {
    src = zip_source_buffer(z, data.data(), data.size(), 0);
  }
  if (!src) {
    error = ZipError(z);
    return false;
  }
  zip_int64_t index = zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
  if (index < 0) {
    zip_source_free(src);
    error = ZipError(z);
    return false;
  }
  auto i = static_cast<zip_uint64_t>(index);
  const bool store = data.size() < kStoreBelow;
  if ((!deflated &&
       zip_set_file_compression(z, i, store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, kLevel) != 0) ||
      zip_file_set_mtime(z, i, kFixedTime, 0) != 0) {
    error = ZipError(z);
    return false;
  }
  return true;
}

fs::path TemporaryBeside(const fs::path& target) {
  std::random_device rd;
  std::string suffix = ".part-" + std::to_string(rd() % 1000000);
  fs::path tmp = target;
  tmp += suffix;
  return tmp;
}

}  // namespace

void Package::Add(std::string name, std::string content) {
  Part& part = parts_.emplace_back(Part{std::move(name), std::move(content), {}});
  if (part.content.size() < kDeflateAheadFrom) return;
  try {
    part.deflated = std::async(std::launch::async, Deflate, std::cref(part.content));
  } catch (const std::system_error&) {
    // No thread to be had: libzip deflates the part when the archive is written.
  }
}

bool Package::Has(const std::string& name) const {
  return std::any_of(parts_.begin(), parts_.end(), [&](const Part& p) { return p.name == name; });
}

std::string Package::Write(const fs::path& target) {
  std::error_code ec;
  if (fs::is_directory(target, ec)) return target.string() + " is a folder";
  std::string bytes, error;
  if (!Archive(bytes, error)) return target.string() + ": cannot be written (" + error + ")";

  const fs::path tmp = TemporaryBeside(target);
  std::unique_ptr<FILE, FileCloser> out(std::fopen(tmp.c_str(), "wbx"));
  if (!out) return target.string() + ": cannot be written (" + std::strerror(errno) + ")";
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size();
  const int writeErrno = errno;
  const bool closed = std::fclose(out.release()) == 0;
  if (!written || !closed) {
    const int why = written ? errno : writeErrno;
    fs::remove(tmp, ec);
    return target.string() + ": cannot be written (" + std::strerror(why) + ")";
  }
  fs::rename(tmp, target, ec);
  if (ec) {
    fs::remove(tmp, ec);
    return target.string() + ": cannot be written (" + ec.message() + ")";
  }
  return {};
}

bool Package::Archive(std::string& bytes, std::string& error) {
  // The archive is built in memory: libzip goes back to every entry's header once its
  // data is written, and thousands of small parts made that many seeks and flushes of a
  // file.
  zip_error_t ze;
  zip_error_init(&ze);
  std::unique_ptr<zip_source_t, SourceFreer> archive(zip_source_buffer_create(nullptr, 0, 0, &ze));
  if (!archive) {
    error = zip_error_strerror(&ze);
    zip_error_fini(&ze);
    return false;
  }
  zip_source_keep(archive.get());  // the archive outlives the zip_t that writes it
  std::unique_ptr<zip_t, ZipCloser> z(zip_open_from_source(archive.get(), ZIP_TRUNCATE, &ze));
  if (!z) {
    zip_source_free(archive.get());  // the reference zip_open_from_source did not take
    error = zip_error_strerror(&ze);
    zip_error_fini(&ze);
    return false;
  }
  zip_error_fini(&ze);
  const std::string mime = kMimeType;
  bool ok = AddEntry(z.get(), "mimetype", mime, nullptr, error);
  // Kept here until the archive is closed: libzip reads the entries then.
  std::vector<std::optional<Deflated>> deflated(parts_.size());
  for (size_t i = 0; ok && i < parts_.size(); ++i) {
    Part& part = parts_[i];
    if (part.deflated.valid()) {
      try {
        deflated[i] = part.deflated.get();
      } catch (const std::exception&) {
        // Out of memory on the thread: libzip deflates the part itself.
      }
    }
    ok = AddEntry(z.get(), part.name, part.content, deflated[i] ? &*deflated[i] : nullptr, error);
  }
  if (!ok) return false;
  if (zip_close(z.get()) != 0) {
    error = ZipError(z.get());
    return false;
  }
  z.release();  // closed: nothing left to discard

  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_source_stat(archive.get(), &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
      zip_source_open(archive.get()) != 0) {
    error = "the archive could not be read back";
    return false;
  }
  bytes.resize(st.size);
  const zip_int64_t n = zip_source_read(archive.get(), bytes.data(), st.size);
  zip_source_close(archive.get());
  if (n < 0 || static_cast<zip_uint64_t>(n) != st.size) {
    error = "the archive could not be read back";
    return false;
  }
  return true;
}

}  // namespace tarvelin::idml
