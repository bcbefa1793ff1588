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

std::optional<std::string> Parse(const std::vector<std::string>& args, bool wantsFile,
                                 bool manyFrames, const std::string& usage, ActionArgs& out) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--frame") {
      if (i + 1 >= args.size()) return "--frame needs a UID";
      // Every word after --frame that is a number is a frame (reconnect takes several).
      do {
        const std::string& v = args[++i];
        char* end = nullptr;
        unsigned long uid = std::strtoul(v.c_str(), &end, 10);
        if (v.empty() || *end != '\0' || uid == 0 || uid > 0xFFFFFFFFul)
          return "--frame takes a frame's UID (a positive number), not '" + v + "'";
        out.frames.push_back(static_cast<UID>(uid));
      } while (manyFrames && i + 1 < args.size() && !args[i + 1].empty() &&
               std::isdigit(static_cast<unsigned char>(args[i + 1][0])));
    } else if (a == "--on-missing") {
      if (i + 1 >= args.size()) return "--on-missing needs continue, quiet or stop";
      auto p = ParseMissingPolicy(args[++i]);
      if (!p) return "--on-missing takes continue, quiet or stop, not '" + args[i] + "'";
      out.policy = *p;
    } else if (a.starts_with("-")) {
      return usage;
    } else if (out.document.empty()) {
      out.document = a;
    } else if (wantsFile && out.file.empty()) {
      out.file = a;
    } else {
      return usage;
    }
  }
  if (out.document.empty() || out.frames.empty() || (wantsFile && out.file.empty())) return usage;
  if (!manyFrames && out.frames.size() > 1) return "--frame names one frame here";
  return std::nullopt;
}

int RunAction(const std::vector<std::string>& argv, ActionID action, bool wantsFile,
              bool manyFrames, const std::string& usage) {
  ActionArgs a;
  if (auto error = Parse(argv, wantsFile, manyFrames, usage, a)) return UsageError(*error);
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

int Process(const std::vector<std::string>& args) {
  return RunAction(args, plugin_ids::kProcessAction, false, false,
                   "usage: tarvelin process DOC.tvd --frame UID [--on-missing POLICY]");
}
int Import(const std::vector<std::string>& args) {
  return RunAction(args, plugin_ids::kImportAndProcessAction, true, false,
                   "usage: tarvelin import DOC.tvd FILE --frame UID [--on-missing POLICY]");
}
int Reconnect(const std::vector<std::string>& args) {
  return RunAction(args, plugin_ids::kReconnectAction, false, true,
                   "usage: tarvelin reconnect DOC.tvd --frame UID... [--on-missing POLICY]");
}

CommandRegistration processCmd("process",
                               "process DOC.tvd --frame UID [--on-missing POLICY]\n"
                               "the box-definition pass over the text a frame already holds",
                               Process);
CommandRegistration importCmd("import",
                              "import DOC.tvd FILE --frame UID [--on-missing POLICY]\n"
                              "import a frame file (or text) into a frame and process it",
                              Import);
CommandRegistration reconnectCmd("reconnect",
                                 "reconnect DOC.tvd --frame UID... [--on-missing POLICY]\n"
                                 "search again for the frames' missing pictures",
                                 Reconnect);

}  // namespace
}  // namespace tarvelin::cli
