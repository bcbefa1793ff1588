#include "host/application/session_workspace.h"

#include <cstdlib>

#include "core/platform_paths.h"
#include "core/stream.h"
#include "host/documents/document_classes.h"
#include "host/objects/class_registry.h"
#include "host/persistence/document_persist.h"

namespace tarvelin {

namespace {

class SessionWorkspaceImpl final : public ISessionWorkspace, public PersistentImpl {
 public:
  const PageSetup& DefaultPageSetup() const override { return setup_; }
  void SetDefaultPageSetup(const PageSetup& setup) override {
    PreDirty();
    setup_ = setup;
  }
  void ReadWrite(Stream& s, ImplementationID) override {
    uint16_t version = 1;
    s.XferInt16(version);
    persist::XferDouble(s, setup_.width);
    persist::XferDouble(s, setup_.height);
    persist::XferInsets(s, setup_.margins);
    s.XferInt32(setup_.columns);
    persist::XferDouble(s, setup_.gutter);
  }

 private:
  PageSetup setup_;
};

UID RootOf(const Database& db) {
  UID found = kInvalidUID;
  db.ForEachObject([&](const Object& o) {
    if (found == kInvalidUID && o.Class() == kSessionWorkspaceClass) found = o.GetUID();
  });
  return found;
}

}  // namespace

void RegisterSessionWorkspaceImpls(ClassRegistry& registry) {
  registry.RegisterImplementation<SessionWorkspaceImpl>(kSessionWorkspaceImpl,
                                                        "SessionWorkspaceImpl");
}

std::unique_ptr<SessionWorkspace> SessionWorkspace::Create(
    std::shared_ptr<const ClassRegistry> registry) {
  auto db = std::make_unique<Database>(std::move(registry));
  UIDRef root = db->CreateObject(kSessionWorkspaceClass);
  if (!root) return nullptr;
  return std::unique_ptr<SessionWorkspace>(new SessionWorkspace(std::move(db), root.GetUID()));
}

std::unique_ptr<SessionWorkspace> SessionWorkspace::Open(
    std::shared_ptr<const ClassRegistry> registry, const std::filesystem::path& file,
    FileResult& result) {
  result = {};
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) {
    auto ws = Create(std::move(registry));
    if (ws)
      ws->file_ = file;
    else
      result = {kFailure, "the workspace class cannot be built"};
    return ws;
  }
  auto db = std::make_unique<Database>(std::move(registry));
  result = LoadDatabase(file, FileKind::kWorkspace, *db);
  if (!result.Ok()) return nullptr;
  UID root = RootOf(*db);
  if (root == kInvalidUID) {
    result = {kCorruptData, file.string() + " is damaged: it holds no workspace"};
    return nullptr;
  }
  auto ws = std::unique_ptr<SessionWorkspace>(new SessionWorkspace(std::move(db), root));
  ws->file_ = file;
  return ws;
}

std::optional<std::filesystem::path> SessionWorkspace::DefaultFile() {
  if (const char* env = std::getenv("TARVELIN_WORKSPACE"); env != nullptr && *env)
    return std::filesystem::path(env);
  auto folder = UserConfigFolder();
  if (!folder) return std::nullopt;
  return std::filesystem::path(JoinPath(*folder, "workspace.tvw"));
}

FileResult SessionWorkspace::Save(const std::filesystem::path& file) {
  FileResult r = SaveDatabase(*db_, file, FileKind::kWorkspace);
  if (r.Ok()) file_ = file;
  return r;
}

FileResult SessionWorkspace::Save() {
  if (file_.empty()) return {kInvalidArgument, "the workspace has no file"};
  return Save(file_);
}

}  // namespace tarvelin
