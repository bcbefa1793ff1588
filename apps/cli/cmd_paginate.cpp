// tarvelin paginate FRAME.rmk: the main job. A new document from the template, its text
// frame selected, "Import and process" through the plug-in, then the document saved and
// rendered beside the frame file. Nothing is written when the run is cancelled or the
// frame file cannot be read.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "batch_action.h"
#include "batch_services.h"
#include "cli_app.h"
#include "cli_host.h"
#include "cmd_export_idml.h"
#include "core/alert.h"
#include "core/utf16.h"
#include "engine/engine_run.h"
#include "host/application/active_context.h"
#include "host/persistence/document_file.h"
#include "layout/document_template.h"
#include "layout/layout_service_qt.h"
#include "layout/renderer.h"
#include "pdf_output.h"
#include "preferences/preference_data.h"
#include "shell/plugin_ids.h"

namespace tarvelin::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: tarvelin paginate FRAME.rmk [--template T.json] [--image-folder DIR]... "
    "[-o DOC.tvd] [--pdf OUT.pdf | --no-pdf] [--pdf-standard x1a|x4|screen] "
    "[--output-profile FILE.icc] [--idml OUT.idml] [--on-missing continue|quiet|stop] [--times]";
constexpr std::uintmax_t kMaxTemplateBytes = 16 << 20;

struct Options {
  fs::path frame;
  fs::path templateFile;
  std::vector<std::string> imageFolders;
  fs::path output;
  fs::path pdf;
  fs::path idml;
  bool noPdf = false;
  PdfOutput pdfOutput{pdf::PdfStandard::kX1a};  // the press is the job's purpose
  bool times = false;
  MissingPolicy policy = MissingPolicy::kAsk;
};

// Prints "stage seconds" lines on stderr with --times (the benchmark reads them).
class StageClock {
 public:
  explicit StageClock(bool on) : on_(on), last_(std::chrono::steady_clock::now()) {}
  void Lap(const char* stage) {
    auto now = std::chrono::steady_clock::now();
    Print(stage, std::chrono::duration<double>(now - last_).count());
    last_ = now;
  }
  // The engine's own stages, measured inside the import; what the lap of the import
  // held beside them (undo sequence, log, the action's set-up) is given as "import-other".
  void Laps(const StageTimes& t) {
    auto now = std::chrono::steady_clock::now();
    const double total = std::chrono::duration<double>(now - last_).count();
    const std::pair<const char*, double> stages[] = {{"preprocess", t.preprocess},
                                                     {"tagged-import", t.taggedImport},
                                                     {"story-move", t.storyMove},
                                                     {"box-search", t.boxSearch},
                                                     {"frame-creation", t.frameCreation}};
    double inside = 0;
    for (const auto& [name, seconds] : stages) {
      Print(name, seconds);
      inside += seconds;
    }
    Print("import-other", std::max(0.0, total - inside));
    last_ = now;
  }

 private:
  void Print(const char* stage, double seconds) const {
    if (on_) std::fprintf(stderr, "time %-14s %.3f s\n", stage, seconds);
  }

  bool on_;
  std::chrono::steady_clock::time_point last_;
};

std::optional<std::string> ParseArgs(const std::vector<std::string>& args, Options& o) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) -> bool {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    std::string wrong;
    if (o.pdfOutput.Take(args, i, wrong)) {
      if (!wrong.empty()) return wrong;
    } else if (a == "--template") {
      if (!value(v)) return "--template needs a file";
      o.templateFile = v;
    } else if (a == "--image-folder") {
      if (!value(v)) return "--image-folder needs a folder";
      if (o.imageFolders.size() == 4) return "--image-folder may be given at most four times";
      o.imageFolders.push_back(v);
    } else if (a == "-o" || a == "--output") {
      if (!value(v)) return a + " needs a file";
      o.output = v;
    } else if (a == "--pdf") {
      if (!value(v)) return "--pdf needs a file";
      o.pdf = v;
    } else if (a == "--idml") {
      if (!value(v)) return "--idml needs a file";
      o.idml = v;
    } else if (a == "--no-pdf") {
      o.noPdf = true;
    } else if (a == "--times") {
      o.times = true;
    } else if (a == "--on-missing") {
      if (!value(v)) return "--on-missing needs continue, quiet or stop";
      auto p = ParseMissingPolicy(v);
      if (!p) return "--on-missing takes continue, quiet or stop, not '" + v + "'";
      o.policy = *p;
    } else if (a.starts_with("-") || !o.frame.empty()) {
      return std::string(kUsage);
    } else {
      o.frame = a;
    }
  }
  if (o.frame.empty()) return std::string(kUsage);
  if (o.noPdf && !o.pdf.empty()) return "--pdf and --no-pdf exclude each other";
  return std::nullopt;
}

int Paginate(const std::vector<std::string>& args) {
  Options o;
  if (auto error = ParseArgs(args, o)) return UsageError(*error);
  std::error_code ec;
  if (!fs::is_regular_file(o.frame, ec)) return UsageError(o.frame.string() + ": no such file");
  if (!std::ifstream(o.frame, std::ios::binary))
    return UsageError(o.frame.string() + ": cannot be read");
  for (const auto& folder : o.imageFolders)
    if (!fs::is_directory(folder, ec))
      return UsageError("--image-folder " + folder + ": no such folder");
  o.frame = fs::absolute(o.frame, ec);
  if (o.output.empty()) o.output = fs::path(o.frame).replace_extension(".tvd");
  if (!o.noPdf && o.pdf.empty()) o.pdf = fs::path(o.frame).replace_extension(".pdf");
  if (fs::is_directory(o.output, ec)) return UsageError(o.output.string() + " is a folder");
  if (std::string why; !o.noPdf && !o.pdfOutput.Prepare(why)) return UsageError(why);

  std::string json(DefaultTemplateJson());
  if (!o.templateFile.empty()) {
    if (!fs::is_regular_file(o.templateFile, ec))
      return UsageError(o.templateFile.string() + ": no such file");
    if (fs::file_size(o.templateFile, ec) > kMaxTemplateBytes)
      return UsageError(o.templateFile.string() + ": too large for a template");
    std::ifstream in(o.templateFile, std::ios::binary);
    json.assign(std::istreambuf_iterator<char>(in), {});
  }
  TemplateResult parsed = ParseTemplate(json);
  const std::string source = o.templateFile.empty() ? "built-in template" : o.templateFile.string();
  if (!parsed.spec) return UsageError(source + ": " + parsed.error);
  for (const auto& w : parsed.warnings)
    std::fprintf(stderr, "tarvelin: warning: %s: %s\n", source.c_str(), w.c_str());
  parsed.spec->name = FromUtf8(o.output.filename().string());

  StageClock clock(o.times);
  std::string error;
  auto host = CliHost::Start({.policy = o.policy, .chosenFile = o.frame}, &error);
  if (!host) return UsageError(error);
  Application& app = host->App();

  // Image folders given here serve this run only: the workspace is never saved.
  if (!o.imageFolders.empty()) {
    std::vector<PreferenceEdit> edits;
    for (size_t i = 0; i < 4; ++i) {
      std::u16string key = u"image_folder" + Widen(std::to_string(i + 1)) + u":";
      if (i < o.imageFolders.size())
        edits.push_back({key, FromUtf8(fs::absolute(o.imageFolders[i], ec).string())});
      else
        edits.push_back({key, std::nullopt});
    }
    if (ChangePreferences(app.Workspace(), edits) != kSuccess)
      return UsageError("the image folders could not be set");
  }

  std::vector<std::string> warnings;
  auto built = BuildDocument(app.Registry(), *parsed.spec, warnings, error);
  for (const auto& w : warnings)
    std::fprintf(stderr, "tarvelin: warning: %s: %s\n", source.c_str(), w.c_str());
  if (!built) return UsageError(source + ": " + error);
  Document* doc = app.Context().OpenDocument(std::move(built));
  doc->SetFile(o.output);
  UID mainStory = MainStory(*doc);
  auto stories = doc->Stories();
  size_t entry = stories ? stories->Find(mainStory) : IStoryList::npos;
  if (entry == IStoryList::npos)
    return UsageError(source + ": the template has no text frame to import into");
  doc->GetSelection().SelectItems(
      UIDList(UIDRef(&doc->DataBase(), stories->Entries()[entry].firstFrame)));

  clock.Lap("start");

  InterruptGuard interrupts;
  auto outcome = PerformBatchAction(app, plugin_ids::kImportAndProcessAction);
  if (!outcome) return UsageError("the plug-in gave no report of its run");
  const RunReport& report = *outcome;
  clock.Laps(report.times);
  if (report.cancelled) {
    std::fprintf(stderr, "tarvelin: cancelled; nothing was written\n");
    return kCancelled;
  }
  if (report.failed || !report.textImported) {
    return UsageError(o.frame.string() + ": could not be imported" +
                      (report.logFile.empty() ? "" : " (see " + report.logFile.string() + ")"));
  }

  ComposeOptions compose;
  compose.growStory = mainStory;
  if (host->Layout().Compose(*doc, compose) != kSuccess)
    return UsageError("the document could not be composed");
  bool overset = host->Layout().StoryState(*doc, mainStory).overset;
  clock.Lap("compose");

  FileResult saved = SaveDocument(*doc, o.output);
  if (!saved.Ok()) return UsageError(saved.message);
  clock.Lap("save");
  std::printf("document: %s\n", o.output.string().c_str());

  bool warned = !report.warnings.empty() || !report.failedCommands.empty() || !warnings.empty() ||
                !parsed.warnings.empty();
  if (!o.noPdf) {
    RenderReport rendered;
    const CompositionState* state = host->Layout().State(*doc);
    if (state == nullptr || !o.pdfOutput.Write(*doc, *state, o.pdf, rendered, error))
      return UsageError(error.empty() ? "the PDF could not be written" : error);
    for (const auto& w : rendered.warnings) {
      std::fprintf(stderr, "tarvelin: warning: %s\n", w.c_str());
      warned = true;
    }
    clock.Lap("render");
    std::printf("pdf: %s\n", o.pdf.string().c_str());
  }
  if (!o.idml.empty()) {
    int exported = WriteIdml(*doc, o.idml);
    if (exported == ExitCode::kUsage) return ExitCode::kUsage;
    warned = warned || exported == kDoneWithWarnings;
    clock.Lap("idml");
  }
  host->Layout().Release(*doc);
  PrintRunSummary(report);
  if (overset) {
    std::fprintf(stderr,
                 "tarvelin: warning: the text does not fit: an item is too large for "
                 "its frames\n");
    warned = true;
  }
  return warned ? kDoneWithWarnings : kDone;
}

CommandRegistration registration(
    "paginate",
    "paginate FRAME.rmk [--template T.json] [--image-folder DIR]... [-o DOC.tvd]\n"
    "         [--pdf OUT.pdf | --no-pdf] [--pdf-standard x1a|x4|screen]\n"
    "         [--output-profile FILE.icc] [--idml OUT.idml] [--on-missing continue|quiet|stop]\n"
    "         [--times]\n"
    "the main job: a laid-out document, its PDF and the import log beside the frame file",
    Paginate);

}  // namespace
}  // namespace tarvelin::cli
