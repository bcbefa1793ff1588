// The session workspace: per-user data that outlives documents, chiefly the stored
// preferences that plug-ins add to kSessionWorkspaceClass. It is a database of its own
// with one root object, saved like a document (document_file.h) to a per-user file,
// UserConfigFolder()/workspace.tvw unless a front end names another.
//
// ISessionWorkspace (kSessionWorkspaceImpl):
//
//   uint16 version (1)
//   double default page width, height
//   Insets default margins
//   int32  default columns
//   double default gutter
#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "host/documents/document.h"
#include "host/objects/database.h"
#include "host/objects/interface.h"
#include "host/persistence/document_file.h"

namespace tarvelin {

class ClassRegistry;

class ISessionWorkspace : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x0230};
  // The page setup new documents get when no template says otherwise.
  virtual const PageSetup& DefaultPageSetup() const = 0;
  virtual void SetDefaultPageSetup(const PageSetup& setup) = 0;
};

class SessionWorkspace {
 public:
  // A fresh workspace (not read from any file). Null when the class cannot be built.
  static std::unique_ptr<SessionWorkspace> Create(std::shared_ptr<const ClassRegistry> registry);
  // Reads the workspace from `file`; a file that does not exist gives a fresh workspace.
  // A file that exists but cannot be read gives null and the reason: the caller decides
  // (the file is not touched, so nothing the user stored is lost by starting afresh).
  static std::unique_ptr<SessionWorkspace> Open(std::shared_ptr<const ClassRegistry> registry,
                                                const std::filesystem::path& file,
                                                FileResult& result);
  // $TARVELIN_WORKSPACE when set, else UserConfigFolder()/workspace.tvw; nullopt when
  // that folder cannot be made.
  static std::optional<std::filesystem::path> DefaultFile();

  Database& DataBase() const { return *db_; }
  UIDRef Root() const { return {db_.get(), root_}; }
  const std::filesystem::path& File() const { return file_; }

  // Saves to `file` (atomic, document_file.h) and remembers it.
  FileResult Save(const std::filesystem::path& file);
  // Saves to the file it came from; kInvalidArgument when it has none.
  FileResult Save();

 private:
  SessionWorkspace(std::unique_ptr<Database> db, UID root) : db_(std::move(db)), root_(root) {}
  std::unique_ptr<Database> db_;
  UID root_;
  std::filesystem::path file_;
};

}  // namespace tarvelin
