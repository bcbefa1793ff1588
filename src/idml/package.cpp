#include "idml/package.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <system_error>

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

// Adds one entry from `data` (which must outlive the archive's close).
bool AddEntry(zip_t* z, const std::string& name, const std::string& data, bool store,
              std::string& error) {
  zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
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
  if (zip_set_file_compression(z, i, store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, kLevel) != 0 ||
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
  parts_.emplace_back(std::move(name), std::move(content));
}

bool Package::Has(const std::string& name) const {
  return std::any_of(parts_.begin(), parts_.end(), [&](const auto& p) { return p.first == name; });
}

std::string Package::Write(const fs::path& target) const {
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

bool Package::Archive(std::string& bytes, std::string& error) const {
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
  bool ok = AddEntry(z.get(), "mimetype", mime, true, error);
  for (size_t i = 0; ok && i < parts_.size(); ++i)
    ok = AddEntry(z.get(), parts_[i].first, parts_[i].second, parts_[i].second.size() < kStoreBelow,
                  error);
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
