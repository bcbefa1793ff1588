#include "host/persistence/document_file.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <system_error>
#include <vector>

#include "core/stream.h"
#include "host/documents/document.h"
#include "host/objects/class_registry.h"
#include "host/objects/database.h"
#include "host/objects/object_record.h"

namespace tarvelin {

namespace {

namespace fs = std::filesystem;

constexpr int kApplicationId = 0x54564C4E;  // "TVLN"
constexpr char kSqliteMagic[] = "SQLite format 3";

const char* KindName(FileKind kind) {
  return kind == FileKind::kDocument ? "document" : "workspace";
}

FileResult Fail(ErrorCode code, std::string message) {
  return {code, std::move(message)};
}

// Owns a connection; statements are finalised before it closes.
struct Connection {
  sqlite3* db = nullptr;
  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() {
    if (db) sqlite3_close_v2(db);
  }
  std::string Error() const { return db ? sqlite3_errmsg(db) : "out of memory"; }
  int Exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
};

struct Statement {
  sqlite3_stmt* stmt = nullptr;
  Statement() = default;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { Finalize(); }
  void Finalize() {
    if (stmt) sqlite3_finalize(stmt);
    stmt = nullptr;
  }
  int Prepare(sqlite3* db, const char* sql) {
    return sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
  }
};

// A single integer from a PRAGMA or query; nullopt on error.
std::optional<int64_t> QueryInt(sqlite3* db, const char* sql) {
  Statement s;
  if (s.Prepare(db, sql) != SQLITE_OK) return std::nullopt;
  if (sqlite3_step(s.stmt) != SQLITE_ROW) return std::nullopt;
  return sqlite3_column_int64(s.stmt, 0);
}

bool SyncPath(const fs::path& path, bool directory) {
  int fd = ::open(path.c_str(), directory ? O_RDONLY | O_DIRECTORY : O_RDONLY);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

fs::path TemporaryBeside(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  fs::path tmp = target;
  tmp += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  return tmp;
}

// Writes one large blob in place, through a buffer: its bytes are never all in memory.
class BlobStream final : public Stream {
 public:
  explicit BlobStream(sqlite3_blob* blob)
      : Stream(StreamDirection::kWrite), blob_(blob), size_(sqlite3_blob_bytes(blob)) {
    buffer_start_ = cur_ = buffer_.data();
    end_ = buffer_start_ + buffer_.size();
  }
  // Every byte of the blob was written: a shorter write would leave zeros behind.
  bool Complete() { return Good() && Flush() && high_water_ == size_; }

 private:
  bool Fill() override { return false; }
  bool Drain() override {
    if (!FlushImpl()) return false;
    base_ += cur_ - buffer_start_;
    cur_ = buffer_start_;
    return true;
  }
  int64_t BufferBase() const override { return base_; }
  std::optional<int64_t> SeekTo(int64_t absolute) override {
    if (!FlushImpl() || absolute < 0 || absolute > size_) return std::nullopt;
    base_ = absolute;
    cur_ = buffer_start_;
    return absolute;
  }
  std::optional<int64_t> EndPosition() override { return size_; }
  bool FlushImpl() override {
    const int n = static_cast<int>(cur_ - buffer_start_);
    if (n == 0) return good_;
    if (base_ + n > size_ ||
        sqlite3_blob_write(blob_, buffer_start_, n, static_cast<int>(base_)) != SQLITE_OK) {
      good_ = false;
      return false;
    }
    high_water_ = std::max(high_water_, base_ + n);
    // Written: a later flush without new bytes must not write them again.
    base_ += n;
    cur_ = buffer_start_;
    return true;
  }
  void CloseImpl() override {}

  sqlite3_blob* blob_;
  int64_t size_;
  int64_t base_ = 0;
  int64_t high_water_ = 0;
  std::array<uint8_t, 64 * 1024> buffer_{};
};

// Implementations up to this size are bound whole; larger ones are streamed into the file.
constexpr size_t kStreamedBlob = 256 * 1024;

// Writes the whole database into a fresh file at `path`.
FileResult WriteFile(const Database& source, const fs::path& path, FileKind kind,
                     const SaveOptions& options) {
  Connection c;
  // One thread writes through this connection: SQLite's own locking on every call is waste.
  if (sqlite3_open_v2(path.c_str(), &c.db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK)
    return Fail(kFailure, "cannot create " + path.string() + ": " + c.Error());
  // The file is private until it is renamed into place, so no journal is needed: a failed
  // save deletes it. It is synced once, as a whole, before the rename. Pages of 32 KiB:
  // a document is written whole, and larger pages take a fifth less time to write than
  // the default 4 KiB (every reader of SQLite files reads any page size).
  std::string setup =
      "PRAGMA page_size=32768; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA "
      "application_id=" +
      std::to_string(kApplicationId) +
      "; PRAGMA user_version=" + std::to_string(kDocumentFormatVersion) + ";";
  if (options.maxPageCount)
    setup += " PRAGMA max_page_count=" + std::to_string(options.maxPageCount) + ";";
  if (c.Exec(setup.c_str()) != SQLITE_OK)
    return Fail(kFailure, "cannot write " + path.string() + ": " + c.Error());
  if (c.Exec("BEGIN;"
             "CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);"
             "CREATE TABLE objects (uid INTEGER PRIMARY KEY, class INTEGER NOT NULL);"
             // A rowid table, so that large implementations can be written in place.
             "CREATE TABLE impls (uid INTEGER NOT NULL, impl INTEGER NOT NULL, data BLOB NOT NULL,"
             " PRIMARY KEY (uid, impl));") != SQLITE_OK)
    return Fail(kFailure, "cannot write " + path.string() + ": " + c.Error());

  Statement meta, object, impl;
  if (meta.Prepare(c.db, "INSERT INTO meta (key, value) VALUES (?1, ?2)") != SQLITE_OK ||
      object.Prepare(c.db, "INSERT INTO objects (uid, class) VALUES (?1, ?2)") != SQLITE_OK ||
      impl.Prepare(c.db, "INSERT INTO impls (uid, impl, data) VALUES (?1, ?2, ?3)") != SQLITE_OK)
    return Fail(kFailure, "cannot write " + path.string() + ": " + c.Error());

  auto put_meta = [&](const char* key, const std::string& value) {
    sqlite3_reset(meta.stmt);
    sqlite3_bind_text(meta.stmt, 1, key, -1, SQLITE_STATIC);
    sqlite3_bind_text(meta.stmt, 2, value.c_str(), static_cast<int>(value.size()),
                      SQLITE_TRANSIENT);
    return sqlite3_step(meta.stmt) == SQLITE_DONE;
  };

  const size_t total = source.ObjectCount();
  size_t done = 0;
  int rc = SQLITE_OK;
  bool cancelled = false;
  // Writes one implementation: small ones bound whole, large ones (a long story) written
  // into a zero-filled blob of their exact size, so neither we nor SQLite copy them whole.
  auto put_impl = [&](UID uid, Database::ImplImage& image) {
    sqlite3_reset(impl.stmt);
    sqlite3_bind_int64(impl.stmt, 1, uid);
    sqlite3_bind_int64(impl.stmt, 2, image.impl.Value());
    std::vector<uint8_t> bytes;
    // Those of up to kStreamedBlob bytes come written already.
    const bool streamed = image.size > kStreamedBlob;
    if (streamed) {
      sqlite3_bind_zeroblob64(impl.stmt, 3, image.size);
    } else {
      bytes = image.TakeBytes();
      // An empty vector's data() may be null, which SQLite would store as NULL.
      static const uint8_t kNothing = 0;
      sqlite3_bind_blob(impl.stmt, 3, bytes.empty() ? &kNothing : bytes.data(),
                        static_cast<int>(bytes.size()), SQLITE_STATIC);
    }
    if (sqlite3_step(impl.stmt) != SQLITE_DONE) return sqlite3_errcode(c.db);
    if (!streamed) return SQLITE_OK;
    sqlite3_blob* blob = nullptr;
    int e =
        sqlite3_blob_open(c.db, "main", "impls", "data", sqlite3_last_insert_rowid(c.db), 1, &blob);
    if (e == SQLITE_OK) {
      BlobStream out(blob);
      image.write(out);
      if (!out.Complete())
        e = sqlite3_errcode(c.db) == SQLITE_OK ? SQLITE_ERROR : sqlite3_errcode(c.db);
    }
    const int closed = sqlite3_blob_close(blob);
    return e != SQLITE_OK ? e : closed;
  };

  source.ForEachObject([&](const Object& o) {
    if (rc != SQLITE_OK || cancelled) return;
    sqlite3_reset(object.stmt);
    sqlite3_bind_int64(object.stmt, 1, o.GetUID());
    sqlite3_bind_int64(object.stmt, 2, o.Class().Value());
    if (sqlite3_step(object.stmt) != SQLITE_DONE) {
      rc = sqlite3_errcode(c.db);
      return;
    }
    for (Database::ImplImage& image : source.ImplImages(o, kStreamedBlob)) {
      rc = put_impl(o.GetUID(), image);
      if (rc != SQLITE_OK) return;
    }
    ++done;
    if (options.progress && done % 1024 == 0 && !options.progress(done, total)) cancelled = true;
  });
  if (!cancelled && rc == SQLITE_OK && options.progress && !options.progress(done, total))
    cancelled = true;
  if (cancelled) return Fail(kFailure, "saving " + path.string() + " was cancelled");
  if (rc != SQLITE_OK) {
    if (rc == SQLITE_FULL)
      return Fail(kFailure, "cannot write " + path.string() + ": the disk is full");
    return Fail(kFailure, "cannot write " + path.string() + ": " + c.Error());
  }
  if (!put_meta("kind", KindName(kind)) ||
      !put_meta("format", std::to_string(kDocumentFormatVersion)) ||
      !put_meta("nextUid", std::to_string(source.NextUID())) ||
      !put_meta("objectCount", std::to_string(done)) ||
      !put_meta("writer", "tarvelin, format " + std::to_string(kDocumentFormatVersion)) ||
      c.Exec("COMMIT;") != SQLITE_OK) {
    if (sqlite3_errcode(c.db) == SQLITE_FULL)
      return Fail(kFailure, "cannot write " + path.string() + ": the disk is full");
    return Fail(kFailure, "cannot write " + path.string() + ": " + c.Error());
  }
  meta.Finalize();
  object.Finalize();
  impl.Finalize();
  if (sqlite3_close(c.db) != SQLITE_OK)
    return Fail(kFailure, "cannot close " + path.string() + ": " + c.Error());
  c.db = nullptr;
  return {};
}

// The first bytes of a file: empty, or not SQLite at all, is told before SQLite is asked.
FileResult CheckHead(std::span<const uint8_t> head, const std::string& name, FileKind kind) {
  if (head.empty()) return Fail(kCorruptData, name + " is empty");
  if (head.size() < 16 || std::memcmp(head.data(), kSqliteMagic, sizeof kSqliteMagic) != 0)
    return Fail(kCorruptData, name + " is not a Tarvelin " + KindName(kind) + " file");
  return {};
}

// Everything after opening: ours, of this kind and format, intact, then every object.
FileResult LoadFrom(Connection& c, const std::string& name, FileKind kind, Database& into) {
  auto app = QueryInt(c.db, "PRAGMA application_id");
  if (!app) return Fail(kCorruptData, name + " is damaged: " + c.Error());
  if (*app != kApplicationId)
    return Fail(kCorruptData, name + " is not a Tarvelin " + std::string(KindName(kind)) + " file");
  auto version = QueryInt(c.db, "PRAGMA user_version");
  if (!version) return Fail(kCorruptData, name + " is damaged: " + c.Error());
  if (*version > kDocumentFormatVersion)
    return Fail(kCorruptData, name + " was written by a newer version of Tarvelin (file format " +
                                  std::to_string(*version) + "; this version reads up to " +
                                  std::to_string(kDocumentFormatVersion) + ")");
  if (*version < 1) return Fail(kCorruptData, name + " is damaged: no format version");
  {
    Statement check;
    if (check.Prepare(c.db, "PRAGMA quick_check") != SQLITE_OK ||
        sqlite3_step(check.stmt) != SQLITE_ROW)
      return Fail(kCorruptData, name + " is damaged: " + c.Error());
    const char* verdict = reinterpret_cast<const char*>(sqlite3_column_text(check.stmt, 0));
    if (!verdict || std::strcmp(verdict, "ok") != 0)
      return Fail(kCorruptData,
                  name + " is damaged (" + std::string(verdict ? verdict : "no answer") + ")");
  }
  std::string file_kind;
  int64_t next_uid = -1, object_count = -1, format = -1;
  {
    Statement meta;
    if (meta.Prepare(c.db, "SELECT key, value FROM meta") != SQLITE_OK)
      return Fail(kCorruptData, name + " is damaged: " + c.Error());
    int rc;
    while ((rc = sqlite3_step(meta.stmt)) == SQLITE_ROW) {
      const char* key = reinterpret_cast<const char*>(sqlite3_column_text(meta.stmt, 0));
      const char* value = reinterpret_cast<const char*>(sqlite3_column_text(meta.stmt, 1));
      if (!key || !value) continue;
      std::string k = key;
      if (k == "kind") file_kind = value;
      if (k == "nextUid") next_uid = std::strtoll(value, nullptr, 10);
      if (k == "objectCount") object_count = std::strtoll(value, nullptr, 10);
      if (k == "format") format = std::strtoll(value, nullptr, 10);
    }
    if (rc != SQLITE_DONE) return Fail(kCorruptData, name + " is damaged: " + c.Error());
  }
  if (file_kind != KindName(kind)) {
    if (file_kind == "document" || file_kind == "workspace")
      return Fail(kInvalidArgument,
                  name + " is a Tarvelin " + file_kind + " file, not a " + KindName(kind));
    return Fail(kCorruptData, name + " is damaged: it does not say what it holds");
  }
  if (format > kDocumentFormatVersion)
    return Fail(kCorruptData, name + " was written by a newer version of Tarvelin (file format " +
                                  std::to_string(format) + "; this version reads up to " +
                                  std::to_string(kDocumentFormatVersion) + ")");
  if (next_uid < 1 || next_uid > std::numeric_limits<UID>::max() || object_count < 0)
    return Fail(kCorruptData, name + " is damaged: its object counts are missing");

  Statement rows;
  if (rows.Prepare(
          c.db,
          "SELECT o.uid, o.class, i.impl, i.data FROM objects o LEFT JOIN impls i ON i.uid = o.uid "
          "ORDER BY o.uid, i.impl") != SQLITE_OK)
    return Fail(kCorruptData, name + " is damaged: " + c.Error());
  ObjectRecord record;
  bool have = false;
  int64_t loaded = 0;
  auto flush = [&]() -> FileResult {
    if (!have) return {};
    ErrorCode e = into.LoadObject(record);
    if (e != kSuccess)
      return Fail(kCorruptData, name + " is damaged: object " + std::to_string(record.uid) +
                                    " does not load (" + ErrorCodeName(e) + ")");
    ++loaded;
    have = false;
    return {};
  };
  int rc;
  while ((rc = sqlite3_step(rows.stmt)) == SQLITE_ROW) {
    int64_t uid = sqlite3_column_int64(rows.stmt, 0);
    int64_t cls = sqlite3_column_int64(rows.stmt, 1);
    if (uid <= 0 || uid >= std::numeric_limits<UID>::max() || cls < 0 ||
        cls > std::numeric_limits<uint32_t>::max())
      return Fail(kCorruptData, name + " is damaged: an object has an impossible UID or class");
    if (!have || record.uid != static_cast<UID>(uid)) {
      if (FileResult r = flush(); !r.Ok()) return r;
      record = ObjectRecord{ClassID(static_cast<uint32_t>(cls)), static_cast<UID>(uid), {}};
      have = true;
    }
    if (sqlite3_column_type(rows.stmt, 2) == SQLITE_NULL)
      continue;  // an object without persistent data
    int64_t impl = sqlite3_column_int64(rows.stmt, 2);
    if (impl <= 0 || impl > std::numeric_limits<uint32_t>::max())
      return Fail(kCorruptData, name + " is damaged: an implementation has an impossible ID");
    const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(rows.stmt, 3));
    int size = sqlite3_column_bytes(rows.stmt, 3);
    record.impls.push_back({ImplementationID(static_cast<uint32_t>(impl)),
                            std::vector<uint8_t>(data, data + (data ? size : 0))});
  }
  if (rc != SQLITE_DONE) return Fail(kCorruptData, name + " is damaged: " + c.Error());
  if (FileResult r = flush(); !r.Ok()) return r;
  if (loaded != object_count)
    return Fail(kCorruptData, name + " is damaged: it should hold " + std::to_string(object_count) +
                                  " objects but holds " + std::to_string(loaded));
  if (into.SetNextUID(static_cast<UID>(next_uid)) != kSuccess)
    return Fail(kCorruptData, name + " is damaged: its next UID is in use");
  return {};
}

}  // namespace

FileResult SaveDatabase(const Database& db, const fs::path& file, FileKind kind,
                        const SaveOptions& options) {
  if (file.empty()) return Fail(kInvalidArgument, "no file name given");
  std::error_code ec;
  if (fs::is_directory(file, ec)) return Fail(kInvalidArgument, file.string() + " is a folder");
  fs::path tmp = TemporaryBeside(file);
  fs::remove(tmp, ec);
  FileResult r = WriteFile(db, tmp, kind, options);
  if (r.Ok() && !SyncPath(tmp, false))
    r = Fail(kFailure, "cannot write " + file.string() + ": " + std::strerror(errno));
  if (r.Ok()) {
    fs::rename(tmp, file, ec);
    if (ec) r = Fail(kFailure, "cannot replace " + file.string() + ": " + ec.message());
  }
  if (!r.Ok()) {
    fs::remove(tmp, ec);
    return r;
  }
  fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  SyncPath(folder, true);  // best effort: the data itself is already on disk
  return r;
}

FileResult LoadDatabase(const fs::path& file, FileKind kind, Database& into) {
  if (into.ObjectCount() != 0)
    return Fail(kInvalidArgument, "cannot load into a database that holds objects");
  const std::string name = file.string();
  std::error_code ec;
  if (!fs::exists(file, ec)) return Fail(kNotFound, name + " does not exist");
  if (!fs::is_regular_file(file, ec)) return Fail(kInvalidArgument, name + " is not a file");
  {
    std::ifstream in(file, std::ios::binary);
    char head[16] = {};
    if (!in) return Fail(kFailure, "cannot read " + name);
    in.read(head, sizeof head);
    if (FileResult r = CheckHead(
            {reinterpret_cast<const uint8_t*>(head), static_cast<size_t>(in.gcount())}, name, kind);
        !r.Ok())
      return r;
  }
  Connection c;
  if (sqlite3_open_v2(name.c_str(), &c.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
      SQLITE_OK)
    return Fail(kFailure, "cannot open " + name + ": " + c.Error());
  return LoadFrom(c, name, kind, into);
}

FileResult LoadDatabaseImage(std::span<const uint8_t> bytes, const std::string& name, FileKind kind,
                             Database& into) {
  if (into.ObjectCount() != 0)
    return Fail(kInvalidArgument, "cannot load into a database that holds objects");
  if (FileResult r = CheckHead(bytes.first(std::min<size_t>(bytes.size(), 16)), name, kind);
      !r.Ok())
    return r;
  Connection c;
  if (sqlite3_open_v2(":memory:", &c.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
      SQLITE_OK)
    return Fail(kFailure, "cannot open " + name + ": " + c.Error());
  // SQLite owns the copy from here and frees it with the connection, even on failure.
  auto* copy = static_cast<unsigned char*>(sqlite3_malloc64(bytes.size()));
  if (!copy) return Fail(kFailure, "cannot open " + name + ": out of memory");
  std::memcpy(copy, bytes.data(), bytes.size());
  if (sqlite3_deserialize(c.db, "main", copy, static_cast<sqlite3_int64>(bytes.size()),
                          static_cast<sqlite3_int64>(bytes.size()),
                          SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY) !=
      SQLITE_OK)
    return Fail(kFailure, "cannot open " + name + ": " + c.Error());
  return LoadFrom(c, name, kind, into);
}

FileResult SaveDocument(Document& doc, const fs::path& file, const SaveOptions& options) {
  FileResult r = SaveDatabase(doc.DataBase(), file, FileKind::kDocument, options);
  if (r.Ok()) doc.SetFile(file);
  return r;
}

namespace {

std::unique_ptr<Document> AdoptLoaded(std::unique_ptr<Database> db, const std::string& name,
                                      FileResult& result) {
  if (!result.Ok()) return nullptr;
  auto doc = Document::Adopt(std::move(db));
  if (!doc) result = Fail(kCorruptData, name + " is damaged: it holds no document");
  return doc;
}

}  // namespace

std::unique_ptr<Document> OpenDocumentFile(std::shared_ptr<const ClassRegistry> registry,
                                           const fs::path& file, FileResult& result) {
  auto db = std::make_unique<Database>(std::move(registry));
  result = LoadDatabase(file, FileKind::kDocument, *db);
  auto doc = AdoptLoaded(std::move(db), file.string(), result);
  if (doc) doc->SetFile(file);
  return doc;
}

std::unique_ptr<Document> OpenDocumentImage(std::shared_ptr<const ClassRegistry> registry,
                                            std::span<const uint8_t> bytes, const std::string& name,
                                            FileResult& result) {
  auto db = std::make_unique<Database>(std::move(registry));
  result = LoadDatabaseImage(bytes, name, FileKind::kDocument, *db);
  return AdoptLoaded(std::move(db), name, result);
}

}  // namespace tarvelin
