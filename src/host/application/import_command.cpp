#include "host/application/import_command.h"

#include <memory>
#include <optional>

#include "core/diagnostics.h"
#include "core/stream.h"
#include "core/string_table.h"
#include "host/application/active_context.h"
#include "host/application/application.h"
#include "host/application/services.h"
#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "host/objects/class_registry.h"
#include "host/objects/command_processor.h"
#include "host/objects/function_command.h"
#include "host/objects/object.h"
#include "host/text/text_commands.h"
#include "host/text/text_model.h"

namespace tarvelin {

namespace {

struct Provider {
  std::shared_ptr<Object> object;  // keeps the interface's object alive
  std::shared_ptr<IImportProvider> import;
};

std::vector<Provider> ImportProviders(Application& app) {
  std::vector<Provider> providers;
  for (const LoadedPlugIn& loaded : app.PlugIns()) {
    for (const ServiceDefinition& service : loaded.plugIn->Resources().services) {
      if (service.service != IImportProvider::kIID) continue;
      auto object = app.Registry()->CreateObject(service.cls);
      auto import = object ? object->Query<IImportProvider>() : nullptr;
      if (!import) {
        diag::Printf("ImportFile: import service class 0x%X cannot be built\n",
                     service.cls.Value());
        continue;
      }
      providers.push_back({std::move(object), std::move(import)});
    }
  }
  return providers;
}

// Where the imported text goes: a story, the place in it and how much it replaces.
struct Target {
  UIDRef story;
  size_t at = 0;
  size_t replaced = 0;
};

std::optional<Target> TargetOf(Document& doc) {
  Database& db = doc.DataBase();
  const Selection& selection = doc.GetSelection();
  if (const auto& range = selection.Text()) {
    auto model = db.Query<ITextModel>(range->story);
    if (!model) return std::nullopt;
    const size_t end = std::min(static_cast<size_t>(std::max(range->end, 0)), model->EndPosition());
    const size_t start = std::min(static_cast<size_t>(std::max(range->start, 0)), end);
    return Target{{&db, range->story}, start, end - start};
  }
  for (UID item : selection.SelectedItems(doc.GetColumnSpans())) {
    auto frame = db.Query<ITextFrame>(item);
    auto model = frame ? db.Query<ITextModel>(frame->Story()) : nullptr;
    if (model) return Target{{&db, frame->Story()}, model->EndPosition(), 0};
  }
  return std::nullopt;
}

}  // namespace

std::vector<FileFilter> ImportFileFilters(Application& app) {
  std::vector<FileFilter> filters;
  for (const Provider& p : ImportProviders(app))
    for (const std::string& extension : p.import->Extensions())
      filters.push_back({Translate(p.import->FormatName()), extension});
  filters.push_back({u"All Documents", kAnyExtension});
  return filters;
}

ImportOutcome RunImportCommand(Application& app, ImportUILevel ui) {
  ImportOutcome outcome;
  Document* doc = app.Context().FrontDocument();
  if (!doc) {
    outcome.status = ImportStatus::kNoDocument;
    return outcome;
  }
  // Told before the user looks for a file that could go nowhere.
  if (!TargetOf(*doc)) {
    outcome.status = ImportStatus::kNoTarget;
    return outcome;
  }
  FileChooser* chooser = app.Services().chooser;
  std::optional<std::filesystem::path> file =
      chooser ? chooser->ChooseFileToOpen(u"Import", ImportFileFilters(app)) : std::nullopt;
  if (!file) {
    outcome.status = ImportStatus::kCancelled;
    return outcome;
  }
  return ImportFile(app, *file, ui);
}

ImportOutcome ImportFile(Application& app, const std::filesystem::path& file, ImportUILevel ui) {
  ImportOutcome outcome;
  outcome.file = file;
  Document* doc = app.Context().FrontDocument();
  if (!doc) {
    outcome.status = ImportStatus::kNoDocument;
    return outcome;
  }
  const std::optional<Target> target = TargetOf(*doc);
  if (!target) {
    outcome.status = ImportStatus::kNoTarget;
    return outcome;
  }
  auto stream = FileStream::OpenRead(file);
  if (!stream) {
    outcome.status = ImportStatus::kUnreadable;
    return outcome;
  }
  std::shared_ptr<IImportProvider> provider;
  std::vector<Provider> providers = ImportProviders(app);
  for (const Provider& p : providers) {
    stream->Seek(0, SeekFrom::kStart);
    if (p.import->CanImportThisStream(*stream) == 2) {
      provider = p.import;
      break;
    }
  }
  if (!provider) {
    outcome.status = ImportStatus::kNoProvider;
    return outcome;
  }
  stream->Seek(0, SeekFrom::kStart);

  Database& db = doc->DataBase();
  AbortableSequence sequence(db.Commands(), u"Import");
  UIDRef imported;
  outcome.error = provider->ImportThis(db, *stream, ui, imported);
  stream->Close();
  if (outcome.error == kImportDialogCancelled) {
    outcome.status = ImportStatus::kCancelled;
    return outcome;
  }
  auto model = outcome.error == kSuccess ? QueryInterface<ITextModel>(imported) : nullptr;
  if (!model) {
    if (outcome.error == kSuccess) outcome.error = kFailure;
    diag::Printf("ImportFile: %s could not be imported (%s)\n", file.string().c_str(),
                 ErrorCodeName(outcome.error));
    return outcome;
  }
  auto targetModel = QueryInterface<ITextModel>(target->story);
  const size_t before = targetModel ? targetModel->TotalLength() : 0;
  ErrorCode e =
      target->replaced > 0 ? DeleteText(target->story, target->at, target->replaced) : kSuccess;
  if (e == kSuccess)
    e = MoveStyledText(imported, 0, model->EndPosition(), target->story, target->at);
  // The provider's story never had a frame: it goes once its text has moved.
  if (e == kSuccess)
    e = ProcessFunctionCommand(db, u"Delete imported story", {},
                               [&] { return db.DeleteObject(imported.GetUID()); });
  if (e == kSuccess) e = sequence.End();
  if (e != kSuccess) {
    diag::Printf("ImportFile: the imported text could not be placed (%s)\n", ErrorCodeName(e));
    outcome.error = e;
    return outcome;
  }
  const size_t after = targetModel->TotalLength();
  outcome.length = after >= before ? after - before + target->replaced : 0;
  outcome.status = ImportStatus::kImported;
  // The caret after the imported text, so a second import follows the first.
  if (doc->GetSelection().Text()) {
    const auto end = static_cast<int32_t>(target->at + outcome.length);
    doc->GetSelection().SelectText(&db, {target->story.GetUID(), end, end});
  }
  return outcome;
}

}  // namespace tarvelin
