#include "tagged/qxt_import_service.h"

#include <optional>

#include "core/diagnostics.h"
#include "core/stream.h"
#include "host/application/application.h"
#include "host/application/import_provider.h"
#include "host/application/ui_services.h"
#include "host/documents/document.h"
#include "host/objects/database.h"
#include "host/text/font_families.h"
#include "tagged/qxt_import_provider.h"

namespace tarvelin {

namespace {

// Without a platform catalogue no font is installed: the import still runs and reports
// every font as missing.
const FontCatalogue& Catalogue() {
  static const StaticFontCatalogue kNone({});
  const FontCatalogue* fonts = GetFontCatalogue();
  return fonts ? *fonts : kNone;
}

// The options dialog through the host's dialog service, which builds the window from the
// plug-in's view resource. The fields land in this module's dialog flags, which are the
// ones the import reads.
class HostOptionsDialog final : public QXTOptionsDialog {
 public:
  explicit HostOptionsDialog(DialogService& service) : service_(service) {}
  bool Run(QXTIDialogController& controller) override {
    struct Fields final : DialogController {
      explicit Fields(QXTIDialogController& c) : controller(c) {}
      void InitializeDialogFields(DialogFields&) override { controller.InitializeDialogFields(); }
      void ApplyDialogFields(const DialogFields& fields) override {
        controller.ApplyDialogFields(fields.Checked(kForceMacCEEncodingWidgetID));
      }
      QXTIDialogController& controller;
    } fields(controller);
    switch (service_.RunModal(QXTIDialogResource(), fields)) {
      case DialogOutcome::kConfirmed:
        return true;
      case DialogOutcome::kCancelled:
        return false;
      case DialogOutcome::kNotCreated:
        break;
    }
    // Imported without the dialog: nothing forced.
    diag::Write("Could not create the dialog.\n");
    controller.ApplyDialogFields(false);
    return true;
  }

 private:
  DialogService& service_;
};

class QXTImportProviderImpl final : public IImportProvider {
 public:
  int32_t CanImportThisStream(Stream& stream) override {
    QXTImportProvider provider(Catalogue());
    const int64_t start = stream.Tell();
    const int32_t answer = provider.CanImportThisStream(stream);
    stream.Seek(start, SeekFrom::kStart);
    return answer;
  }
  std::string FormatName() const override { return "0x113380kQuarkFilesKey"; }
  std::vector<std::string> Extensions() const override { return {"xtg"}; }
  ErrorCode ImportThis(Database& db, Stream& stream, ImportUILevel ui, UIDRef& story) override {
    UID root = DocumentRootOf(db);
    auto doc = root != kInvalidUID ? db.Query<IDocument>(root) : nullptr;
    if (!doc) {
      diag::Write("QXTImportProvider: the database holds no document\n");
      return kFailure;
    }
    QXTImportProvider provider(Catalogue());
    const int64_t start = stream.Tell();
    if (provider.CanImportThisStream(stream) == 0) return kCorruptData;
    stream.Seek(start, SeekFrom::kStart);
    Application* app = Application::Current();
    DialogService* service = app ? app->Services().dialogs : nullptr;
    std::optional<HostOptionsDialog> dialog;
    if (service) provider.SetOptionsDialog(&dialog.emplace(*service));
    if (app) provider.SetProgressSource(app->Services().progress);
    return provider.Import(db, doc->TextWorkspaceRefs(), stream, ui, story);
  }
};

}  // namespace

ErrorCode RegisterTaggedClasses(ClassRegistry& registry) {
  if (ErrorCode e = registry.RegisterImplementation<QXTImportProviderImpl>(kQXTImportProviderImplID,
                                                                           "QXTImportProvider");
      e != kSuccess)
    return e;
  return registry.DefineClass(kQXTImportServiceClass, kInvalidClass,
                              {{IImportProvider::kIID, kQXTImportProviderImplID}},
                              "tagged-text import service");
}

}  // namespace tarvelin
