#include "idml/package.h"

#include <zip.h>

#include <algorithm>
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
  const fs::path tmp = TemporaryBeside(target);
  int code = 0;
  std::unique_ptr<zip_t, ZipCloser> z(zip_open(tmp.c_str(), ZIP_CREATE | ZIP_EXCL, &code));
  if (!z) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    std::string why = target.string() + ": cannot be written (" + zip_error_strerror(&e) + ")";
    zip_error_fini(&e);
    return why;
  }
  const std::string mime = kMimeType;
  std::string error;
  bool ok = AddEntry(z.get(), "mimetype", mime, true, error);
  for (size_t i = 0; ok && i < parts_.size(); ++i)
    ok = AddEntry(z.get(), parts_[i].first, parts_[i].second, parts_[i].second.size() < kStoreBelow,
                  error);
  if (ok && zip_close(z.get()) == 0) {
    z.release();  // closed: nothing left to discard
  } else {
    if (ok) error = ZipError(z.get());
    z.reset();
    fs::remove(tmp, ec);
    return target.string() + ": cannot be written (" + error + ")";
  }
  fs::rename(tmp, target, ec);
  if (ec) {
    fs::remove(tmp, ec);
    return target.string() + ": cannot be written (" + ec.message() + ")";
  }
  return {};
}

}  // namespace tarvelin::idml
