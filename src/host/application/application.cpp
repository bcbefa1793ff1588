#include "host/application/application.h"

#include <algorithm>
#include <system_error>

#include "core/alert.h"
#include "core/diagnostics.h"
#include "host/application/active_context.h"
#include "host/application/host_registry.h"
#include "host/application/session_workspace.h"
#include "host/application/startup_service.h"
#include "host/objects/class_registry.h"
#include "host/objects/object.h"

namespace tarvelin {

namespace {
Application* g_current = nullptr;

std::vector<std::filesystem::path> ModulesIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> modules;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.path().extension() == ".so") modules.push_back(entry.path());
  }
  std::sort(modules.begin(), modules.end());
  return modules;
}
}  // namespace

std::unique_ptr<Application> Application::Start(const StartOptions& options, std::string* error) {
  auto fail = [&](std::string why) -> std::unique_ptr<Application> {
    if (error) *error = std::move(why);
    return nullptr;
  };
  if (g_current != nullptr) return fail("the host is already running");
  std::unique_ptr<Application> app(new Application());
  app->registry_ = CreateHostRegistry();
  if (!app->registry_) return fail("the host's classes could not be registered");

  std::vector<IPlugIn*> plugIns;
  if (!options.plugInFolder.empty()) {
    for (const auto& module : ModulesIn(options.plugInFolder)) {
      std::string why;
      IPlugIn* plugIn = app->loader_.Load(module, &why);
      if (plugIn == nullptr) return fail("cannot load plug-in " + module.string() + ": " + why);
      plugIns.push_back(plugIn);
    }
  }
  app->context_ = std::make_unique<ActiveContext>();
  app->actions_ = std::make_unique<ActionManager>(*app->registry_, app->context_.get());
  for (IPlugIn* plugIn : plugIns) {
    plugIn->SetPlugInID(plugIn->GetPlugInID());
    if (plugIn->RegisterImplementations(*app->registry_) != kSuccess)
      return fail("plug-in " + plugIn->Name() + " could not register its classes");
    app->actions_->AddDefinitions(plugIn->Resources().actions);
  }

  std::optional<std::filesystem::path> file = options.workspaceFile;
  if (!file) file = SessionWorkspace::DefaultFile();
  if (file && !file->empty()) {
    FileResult result;
    app->workspace_ = SessionWorkspace::Open(app->registry_, *file, result);
    if (!app->workspace_) return fail(result.message);
  } else {
    app->workspace_ = SessionWorkspace::Create(app->registry_);
    if (!app->workspace_) return fail("the session workspace could not be made");
  }
  app->context_->SetWorkspace(app->workspace_.get());
  app->services_ = options.services;
  InstallAlertService(app->services_.alerts);
  g_current = app.get();

  for (IPlugIn* plugIn : plugIns) {
    for (const auto& service : plugIn->Resources().services) {
      if (service.service != IStartupShutdownService::kIID) continue;
      auto object = app->registry_->CreateObject(service.cls);
      auto startup = object ? object->Query<IStartupShutdownService>() : nullptr;
      if (!startup) {
        diag::Printf("Application: start-up service class 0x%X cannot be built\n",
                     service.cls.Value());
        continue;
      }
      startup->Startup();
      app->services_objects_.push_back(std::move(object));
    }
  }
  return app;
}

Application* Application::Current() {
  return g_current;
}

Application::~Application() {
  for (auto& object : services_objects_) {
    if (auto service = object->Query<IStartupShutdownService>()) service->Shutdown();
  }
  services_objects_.clear();
  // Documents hold objects of the plug-ins' classes; close them while the modules are
  // still loaded and the registry still knows those classes.
  if (context_) {
    while (!context_->Documents().empty())
      context_->CloseDocument(context_->Documents().back().get());
    context_.reset();
  }
  workspace_.reset();
  actions_.reset();
  if (g_current == this) {
    g_current = nullptr;
    InstallAlertService(nullptr);
  }
}

ActiveContext* SessionContext() {
  return g_current ? &g_current->Context() : nullptr;
}

SessionWorkspace* SessionWorkspaceOrNull() {
  return g_current ? &g_current->Workspace() : nullptr;
}

std::shared_ptr<const ClassRegistry> Application::Registry() const {
  return registry_;
}

bool Application::SaveWorkspace(std::string* error) {
  if (workspace_->File().empty()) {
    if (error) *error = "the session workspace has no file";
    return false;
  }
  FileResult result = workspace_->Save();
  if (!result.Ok() && error) *error = result.message;
  return result.Ok();
}

}  // namespace tarvelin
