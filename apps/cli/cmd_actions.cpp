// The plug-in's actions on a saved document: process, import and reconnect. Each opens
// the document, selects the frames it is given, performs the action through the host's
// action manager and saves the document back (atomically) only when the action changed
// something. A cancelled action writes nothing.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "batch_action.h"
#include "batch_services.h"
#include "cli_app.h"
#include "cli_host.h"
#include "engine/engine_run.h"
#include "host/application/active_context.h"
#include "host/documents/page_item.h"
#include "host/objects/command_processor.h"
#include "host/persistence/document_file.h"
#include "layout/layout_service_qt.h"
#include "shell/plugin_ids.h"

namespace tarvelin::cli {
namespace {

namespace fs = std::filesystem;

struct ActionArgs {
  fs::path document;
  fs::path file;  // import only
  std::vector<UID> frames;
  MissingPolicy policy = MissingPolicy::kAsk;
};

// The frames: every --frame, and for reconnect the numbers after the document as well
// ("--frame 4 5 6" reads so).
std::optional<std::string> Parse(const Args& args, bool wantsFile, bool manyFrames,
                                 ActionArgs& out) {
  const std::vector<std::string>& words = args.Positional();
  out.document = words[0];
  if (wantsFile) out.file = words[1];
  std::vector<std::string> frames = args.Values("frame");
  frames.insert(frames.end(), words.begin() + (wantsFile ? 2 : 1), words.end());
  for (const std::string& v : frames) {
    char* end = nullptr;
    unsigned long uid = std::strtoul(v.c_str(), &end, 10);
    if (v.empty() || *end != '\0' || uid == 0 || uid > 0xFFFFFFFFul)
      return "--frame takes a frame's UID (a positive number), not '" + v + "'";
    out.frames.push_back(static_cast<UID>(uid));
  }
  if (out.frames.empty()) return "--frame names the frame to work on";
  if (!manyFrames && out.frames.size() > 1) return "--frame names one frame here";
  if (args.Has("on-missing")) out.policy = *ParseMissingPolicy(args.Value("on-missing"));
  return std::nullopt;
}

int RunAction(const Args& args, ActionID action, bool wantsFile, bool manyFrames) {
  ActionArgs a;
  if (auto error = Parse(args, wantsFile, manyFrames, a)) return UsageError(*error);
  std::error_code ec;
  if (!fs::is_regular_file(a.document, ec))
    return UsageError(a.document.string() + ": no such file");
  if (wantsFile && !fs::is_regular_file(a.file, ec))
    return UsageError(a.file.string() + ": no such file");
  a.document = fs::absolute(a.document, ec);
  if (wantsFile) a.file = fs::absolute(a.file, ec);

  std::string error;
  auto host =
      CliHost::Start({.policy = a.policy,
                      .chosenFile = wantsFile ? std::optional<fs::path>(a.file) : std::nullopt},
                     &error);
  if (!host) return UsageError(error);
  Application& app = host->App();
  FileResult opened;
  auto loaded = OpenDocumentFile(app.Registry(), a.document, opened);
  if (!loaded) return UsageError(a.document.string() + ": " + opened.message);
  Document* doc = app.Context().OpenDocument(std::move(loaded));
  doc->SetFile(a.document);
  Database& db = doc->DataBase();
  UIDList items(&db);
  for (UID uid : a.frames) {
    if (!db.Query<IPageItem>(uid))
      return UsageError("--frame " + std::to_string(uid) + ": no such frame in " +
                        a.document.string());
    items.Append(uid);
  }
  // Composition answers which column holds which text before the action measures widths.
  host->Layout().Compose(*doc);
  doc->GetSelection().SelectItems(items);

  const size_t stepsBefore = db.Commands().UndoCount();
  InterruptGuard interrupts;
  auto outcome = PerformBatchAction(app, action);
  if (!outcome) return UsageError("the plug-in gave no report of its run");
  const RunReport& report = *outcome;
  host->Layout().Release(*doc);
  if (report.cancelled) {
    std::fprintf(stderr, "tarvelin: cancelled; the document was not changed\n");
    return kCancelled;
  }
  if (action != plugin_ids::kReconnectAction && !report.targetFound)
    return UsageError("frame " + std::to_string(a.frames[0]) + " is not a text frame");
  if (report.failed) {
    return UsageError("the action failed" +
                      (report.logFile.empty() ? "" : " (see " + report.logFile.string() + ")"));
  }
  const bool changed = db.Commands().UndoCount() != stepsBefore;
  if (changed) {
    FileResult saved = SaveDocument(*doc, a.document);
    if (!saved.Ok()) return UsageError(saved.message);
    std::printf("document: %s (saved)\n", a.document.string().c_str());
  } else {
    std::printf("document: %s (unchanged)\n", a.document.string().c_str());
  }
  PrintRunSummary(report);
  return report.warnings.empty() && report.failedCommands.empty() ? kDone : kDoneWithWarnings;
}

int Process(const Args& args) {
  return RunAction(args, plugin_ids::kProcessAction, false, false);
}
int Import(const Args& args) {
  return RunAction(args, plugin_ids::kImportAndProcessAction, true, false);
}
int Reconnect(const Args& args) {
  return RunAction(args, plugin_ids::kReconnectAction, false, true);
}

OptionDef FrameOption(bool many) {
  return {
      {"frame"}, "UID", many ? "a frame whose picture to search for" : "the text frame", {}, many};
}

CommandRegistration processCmd({
    .name = "process",
    .summary = "the box-definition pass over the text a frame already holds",
    .arguments = {{"DOC.tvd", "a saved document; saved again when the pass changed it"}},
    .options = {FrameOption(false), MissingOption()},
    .run = Process,
});
CommandRegistration importCmd({
    .name = "import",
    .summary = "import a frame file (or text) into a frame and process it",
    .arguments = {{"DOC.tvd", "a saved document; saved again when the import changed it"},
                  {"FILE", "the frame file or tagged text"}},
    .options = {FrameOption(false), MissingOption()},
    .run = Import,
});
CommandRegistration reconnectCmd({
    .name = "reconnect",
    .summary = "search again for the frames' missing pictures",
    .arguments = {{"DOC.tvd", "a saved document; saved again when a picture was found"},
                  {"UID", "more frames, as after --frame", true, true}},
    .options = {FrameOption(true), MissingOption()},
    .run = Reconnect,
});

}  // namespace
}  // namespace tarvelin::cli
