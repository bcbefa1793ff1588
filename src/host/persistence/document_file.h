// Documents and the session workspace on disk: one SQLite file per database.
//
// A file holds every object of the database with the bytes each persistent
// implementation's ReadWrite wrote (object_record.h), so data a plug-in adds to host
// classes is saved and loaded without the host knowing its shape. Loading a file and
// saving it again gives the same object data.
//
// Schema (format 1):
//
//   PRAGMA application_id = 0x54564C4E ("TVLN"): marks the file as ours
//   PRAGMA user_version   = the format version; a larger one is refused as newer
//
//   table meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)
//     "kind"         "document" (.tvd) or "workspace" (.tvw)
//     "format"       the format version, as text
//     "nextUid"      the next UID the database gives out
//     "objectCount"  the number of rows in objects (a check on loading)
//     "writer"       the program that wrote the file, e.g. "tarvelin 0.1.0"
//
//   table objects (uid INTEGER PRIMARY KEY, class INTEGER NOT NULL)
//     one row per object
//
//   table impls (uid INTEGER NOT NULL, impl INTEGER NOT NULL, data BLOB NOT NULL,
//                PRIMARY KEY (uid, impl)) WITHOUT ROWID
//     one row per persistent implementation of an object (ObjectRecord::Impl), the
//     bytes of unknown implementations included
//
// Saving is atomic: the whole file is written beside the target under a temporary name
// in one transaction, synced to disk, and renamed over the target; the containing folder
// is synced after. A failure at any point (a full disk, a write error, a cancel) removes
// the temporary file and leaves the previous file as it was.
//
// Loading refuses, with a message that names the reason: a missing or unreadable file,
// a file that is not SQLite, an SQLite file that is not ours, a file of the other kind,
// a newer format, a file that fails SQLite's integrity check, and object data that does
// not load (truncated implementation bytes, duplicate UIDs, a count that disagrees).
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "host/objects/error_code.h"

namespace tarvelin {

class ClassRegistry;
class Database;
class Document;

inline constexpr int kDocumentFormatVersion = 1;

enum class FileKind { kDocument, kWorkspace };

struct FileResult {
  ErrorCode code = kSuccess;
  std::string message;  // English, for the user; empty on success
  bool Ok() const { return code == kSuccess; }
};

struct SaveOptions {
  // Called after every 1024 objects and at the end; returning false cancels the save
  // (kFailure, "cancelled"), leaving the previous file.
  std::function<bool(size_t done, size_t total)> progress;
  // When not 0, the file may not grow beyond this many pages (SQLite's max_page_count):
  // a size limit, and the way tests make a disk fill up during a save.
  unsigned maxPageCount = 0;
};

FileResult SaveDatabase(const Database& db, const std::filesystem::path& file, FileKind kind,
                        const SaveOptions& options = {});
// Loads into an empty database (kInvalidArgument otherwise); on failure the database
// may hold part of the objects and should be thrown away.
FileResult LoadDatabase(const std::filesystem::path& file, FileKind kind, Database& into);
// The same from a file's bytes held in memory (SQLite reads its own copy); `name` stands
// for the file in messages.
FileResult LoadDatabaseImage(std::span<const uint8_t> bytes, const std::string& name, FileKind kind,
                             Database& into);

// Saves the document and remembers the file in it.
FileResult SaveDocument(Document& doc, const std::filesystem::path& file,
                        const SaveOptions& options = {});
// Null with the reason in `result` when the file cannot be opened as a document.
std::unique_ptr<Document> OpenDocumentFile(std::shared_ptr<const ClassRegistry> registry,
                                           const std::filesystem::path& file, FileResult& result);
// The same from a file's bytes; the document remembers no file.
std::unique_ptr<Document> OpenDocumentImage(std::shared_ptr<const ClassRegistry> registry,
                                            std::span<const uint8_t> bytes, const std::string& name,
                                            FileResult& result);

}  // namespace tarvelin
