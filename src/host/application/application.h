// The running host: the class registry with every plug-in's classes, the loaded modules,
// the actions, the session workspace, the active context and the platform services.
//
// Start order matters: the host's classes, then each plug-in registers its own (and its
// add-ins to host classes), then the session workspace is opened (so plug-in data on it
// is read back), then the plug-ins' start-up services run. Front ends (command line,
// studio, tests) make one Application and hand it the services they offer (services.h);
// the Application owns the session's active context.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/application/action_manager.h"
#include "host/application/plugin_loader.h"
#include "host/application/services.h"

namespace tarvelin {

class ActiveContext;
class ClassRegistry;
class Object;
class SessionWorkspace;

struct StartOptions {
  // Folder whose "*.so" modules are loaded; empty: no plug-ins.
  std::filesystem::path plugInFolder;
  // The session workspace file; nullopt: SessionWorkspace::DefaultFile(); an empty path:
  // a fresh workspace that is never saved.
  std::optional<std::filesystem::path> workspaceFile;
  // Kept for the Application's life; the front end keeps the services themselves alive.
  HostServices services;
};

class Application {
 public:
  // Null, with the reason, when the host cannot start (a registration failed, a module
  // could not be loaded, the workspace file exists but cannot be read).
  static std::unique_ptr<Application> Start(const StartOptions& options, std::string* error);
  // The running application; null before Start and after it is destroyed.
  static Application* Current();
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  std::shared_ptr<const ClassRegistry> Registry() const;
  ActionManager& Actions() { return *actions_; }
  SessionWorkspace& Workspace() { return *workspace_; }
  ActiveContext& Context() { return *context_; }
  const HostServices& Services() const { return services_; }
  const std::vector<LoadedPlugIn>& PlugIns() const { return loader_.PlugIns(); }

  // Saves the workspace when it has a file; false with the reason otherwise.
  bool SaveWorkspace(std::string* error);

 private:
  Application() = default;

  std::shared_ptr<ClassRegistry> registry_;
  PlugInLoader loader_;
  std::unique_ptr<ActionManager> actions_;
  std::unique_ptr<SessionWorkspace> workspace_;
  std::unique_ptr<ActiveContext> context_;
  std::vector<std::shared_ptr<Object>> services_objects_;
  HostServices services_;
};

// The running application's active context and session workspace; null without one.
ActiveContext* SessionContext();
SessionWorkspace* SessionWorkspaceOrNull();

}  // namespace tarvelin
