#include "studio_host.h"

#include <cstdlib>

#include "face_fonts.h"
#include "host/application/active_context.h"
#include "host/application/session_workspace.h"
#include "layout/layout_service_qt.h"
#include "layout/qt_font_catalogue.h"
#include "layout/qt_image_probe.h"
#include "preferences_dialog.h"
#include "qt_services.h"
#include "shell/plugin_ids.h"

namespace tarvelin::studio {

StudioHost::StudioHost() = default;

std::unique_ptr<StudioHost> StudioHost::Start(const StudioOptions& options, std::string* error) {
  std::unique_ptr<StudioHost> host(new StudioHost());
  host->platform_ = std::make_unique<QtPlatform>();
  host->alerts_ = std::make_unique<MessageBoxAlerts>();
  host->chooser_ = std::make_unique<DialogChooser>();
  host->progress_ = std::make_unique<ProgressWindowFactory>();
  host->logViewer_ = std::make_unique<face::ImportLogViewer>();
  host->dialogs_ = std::make_unique<face::QtDialogService>();
  host->preferences_ = std::make_unique<StudioPreferences>(nullptr);
  host->interfaceFonts_ = std::make_unique<InterfaceFontService>(face::StudioInterfaceFontSize());

  StartOptions start;
  start.plugInFolder = DefaultPlugInFolder();
  start.workspaceFile = options.workspace;
  HostServices& services = start.services;
  services.alerts = host->alerts_.get();
  services.chooser = host->chooser_.get();
  services.progress = host->progress_.get();
  host->platform_->Offer(services);
  services.logViewer = host->logViewer_.get();
  services.dialogs = host->dialogs_.get();
  services.preferences = host->preferences_.get();
  services.interfaceFonts = host->interfaceFonts_.get();
  host->app_ = Application::Start(start, error);
  if (!host->app_) return nullptr;
  return host;
}

StudioHost::~StudioHost() {
  if (app_)
    for (const auto& doc : app_->Context().Documents()) platform_->layout.Release(*doc);
  // The application goes first: it uses the services until its end.
  app_.reset();
}

ErrorCode ComposeDocument(QtLayoutService& layout, Document& doc) {
  ComposeOptions options;
  options.growStory = MainStory(doc);
  return layout.Compose(doc, options);
}

std::optional<RunReport> StudioHost::PerformAction(ActionID action,
                                                   std::optional<std::filesystem::path> file) {
  if (file) chooser_->AnswerNext(*file);
  Document* doc = app_->Context().FrontDocument();
  // A nameless outer sequence takes the name of the action's own sequence, so the pages
  // composition adds undo together with the action.
  std::optional<AbortableSequence> sequence;
  if (doc) sequence.emplace(doc->DataBase().Commands(), u"");
  app_->Actions().PerformAction(action);
  chooser_->ForgetAnswer();

  std::optional<RunReport> report;
  auto component = app_->Actions().Component(plugin_ids::kActionComponentClass);
  if (auto reporter = component ? std::dynamic_pointer_cast<IVorrinRunReport>(component) : nullptr)
    report = reporter->LastRunReport();
  if (sequence && sequence->IsOpen()) {
    if (report && report->cancelled) {
      sequence->Abort();
      platform_->layout.Compose(*doc);
    } else {
      ComposeDocument(platform_->layout, *doc);
      sequence->End();
    }
  }
  return report;
}

ImportOutcome StudioHost::Import(std::optional<std::filesystem::path> file) {
  Document* doc = app_->Context().FrontDocument();
  std::optional<AbortableSequence> sequence;
  if (doc) sequence.emplace(doc->DataBase().Commands(), u"");
  ImportOutcome outcome = file ? ImportFile(*app_, *file, ImportUILevel::kFull)
                               : RunImportCommand(*app_, ImportUILevel::kFull);
  if (sequence && outcome.status == ImportStatus::kImported) {
    ComposeDocument(platform_->layout, *doc);
    sequence->End();
  }
  return outcome;
}

}  // namespace tarvelin::studio
