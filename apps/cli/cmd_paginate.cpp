// tarvelin paginate FRAME.rmk...: the main job. A new document from the template, its text
// frame selected, "Import and process" through the plug-in, then the document saved and
// rendered beside the frame file. Nothing is written when the run is cancelled (Ctrl-C
// before the outputs are committed) or the frame file cannot be read: the PDF and the IDML
// are written aside first and moved into place with the document's save. Several frame
// files are paginated by worker processes (batch_paginate.h).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <utility>

#include <malloc.h>
#include <unistd.h>

#include "batch_action.h"
#include "batch_paginate.h"
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
    if (on_) std::fprintf(stderr, "time %-14s %.4f s\n", stage, seconds);
  }

  bool on_;
  std::chrono::steady_clock::time_point last_;
};

std::optional<std::string> ParseArgs(const Args& args, Options& o) {
  o.frame = args.Positional().front();
  o.templateFile = args.Value("template");
  o.imageFolders = args.Values("image-folder");
  if (o.imageFolders.size() > 4) return "--image-folder may be given at most four times";
  o.output = args.Value("output");
  o.pdf = args.Value("pdf");
  o.idml = args.Value("idml");
  o.noPdf = args.Has("no-pdf");
  o.times = args.Has("times");
  o.pdfOutput.Read(args);
  if (args.Has("on-missing")) o.policy = *ParseMissingPolicy(args.Value("on-missing"));
  if (o.noPdf && !o.pdf.empty()) return "--pdf and --no-pdf exclude each other";
  return std::nullopt;
}

// An output written aside, beside its target, until the run commits it; removed otherwise.
class PendingFile {
 public:
  explicit PendingFile(fs::path target) : target_(std::move(target)), aside_(target_) {
    // Appended piece by piece: GCC 12 warns falsely about "." + std::string at -O2.
    aside_ += ".";
    aside_ += std::to_string(::getpid());
    aside_ += ".pending";
  }
  ~PendingFile() {
    std::error_code ec;
    if (!aside_.empty()) fs::remove(aside_, ec);
  }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  const fs::path& Aside() const { return aside_; }
  bool Commit(std::string& error) {
    std::error_code ec;
    fs::rename(aside_, target_, ec);
    if (ec) {
      error = "cannot move " + aside_.string() + " to " + target_.string() + ": " + ec.message();
      return false;
    }
    aside_.clear();
    return true;
  }

 private:
  fs::path target_, aside_;
};

int Cancelled() {
  std::fprintf(stderr, "tarvelin: cancelled; nothing was written\n");
  return kCancelled;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCheckingLeaks = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kCheckingLeaks = true;
#else
constexpr bool kCheckingLeaks = false;
#endif
#else
constexpr bool kCheckingLeaks = false;
#endif

// A document left to the end of the process: its memory goes back to the system with the
// process. Destroyed in builds that check for leaks, so that they still see everything.
void LeaveForExit(std::unique_ptr<Document> doc) {
  if (kCheckingLeaks) return;  // `doc` goes here
  static_cast<void>(doc.release());
}

int PaginateOne(const Args& args);

int Paginate(const Args& args) {
  const std::vector<std::string>& frames = args.Positional();
  if (frames.size() == 1) return PaginateOne(args);
  for (const char* single : {"output", "pdf", "idml"})
    if (args.Has(single))
      return UsageError(std::string("--") + single +
                        " names one file; with several frame files every output goes beside "
                        "its frame file");
  int jobs = DefaultJobs();
  if (args.Has("jobs")) {
    const std::string v = args.Value("jobs");
    char* end = nullptr;
    const long n = std::strtol(v.c_str(), &end, 10);
    if (v.empty() || *end != '\0' || n < 1 || n > 256)
      return UsageError("--jobs takes a number from 1 to 256, not '" + v + "'");
    jobs = static_cast<int>(n);
  }
  // Every worker checks its own file; the batch refuses only what would fail them all.
  Options o;
  if (auto error = ParseArgs(args, o)) return UsageError(*error);
  std::vector<fs::path> paths(frames.begin(), frames.end());
  // Two workers on one file would write the same outputs at once.
  std::set<fs::path> seen;
  for (const fs::path& p : paths) {
    std::error_code ec;
    if (!seen.insert(fs::weakly_canonical(fs::absolute(p, ec), ec)).second)
      return UsageError(p.string() + " is given twice");
  }
  std::vector<std::string> options;
  for (const auto& [name, value] : args.Given())
    if (name != "jobs") options.push_back("--" + name + (value.empty() ? "" : "=" + value));
  return PaginateInWorkers(paths, options, jobs);
}

int PaginateOne(const Args& args) {
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

  // A batch run never undoes: the import journals only what its steps need to roll back.
  doc->DataBase().Commands().KeepHistory(false);
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

  // What the import freed goes back to the system before composing needs memory.
  malloc_trim(0);
  clock.Lap("release");
  ComposeOptions compose;
  compose.growStory = mainStory;
  compose.keepLayouts = false;  // the pages are drawn, nothing is hit-tested
  // Without a PDF nothing is drawn: the pages added for the main story are all it needs.
  compose.growStoryOnly = o.noPdf;
  if (host->Layout().Compose(*doc, compose) != kSuccess)
    return UsageError("the document could not be composed");
  bool overset = host->Layout().StoryState(*doc, mainStory).overset;
  clock.Lap("compose");
  if (InterruptGuard::Interrupted()) return Cancelled();

  bool warned = !report.warnings.empty() || !report.failedCommands.empty() || !warnings.empty() ||
                !parsed.warnings.empty();
  std::optional<PendingFile> pdf, idml;
  if (!o.noPdf) {
    pdf.emplace(o.pdf);
    RenderReport rendered;
    const CompositionState* state = host->Layout().State(*doc);
    if (state == nullptr || !o.pdfOutput.Write(*doc, *state, pdf->Aside(), rendered, error))
      return UsageError(error.empty() ? "the PDF could not be written" : error);
    for (const auto& w : rendered.warnings) {
      std::fprintf(stderr, "tarvelin: warning: %s\n", w.c_str());
      warned = true;
    }
    clock.Lap("render");
    if (InterruptGuard::Interrupted()) return Cancelled();
  }
  if (!o.idml.empty()) {
    idml.emplace(o.idml);
    int exported = WriteIdml(*doc, idml->Aside(), o.idml);
    if (exported == ExitCode::kUsage) return ExitCode::kUsage;
    warned = warned || exported == kDoneWithWarnings;
    clock.Lap("idml");
    if (InterruptGuard::Interrupted()) return Cancelled();
  }

  // The composition is not saved: its memory goes before saving needs memory of its own.
  host->Layout().Release(*doc);
  // The freed composition lies scattered in the heap; the system gets it back rather than
  // the process growing again for the save.
  malloc_trim(0);
  clock.Lap("release");
  // The commit: from here on a first Ctrl-C no longer stops the run.
  FileResult saved = SaveDocument(*doc, o.output);
  if (!saved.Ok()) return UsageError(saved.message);
  clock.Lap("save");
  std::printf("document: %s\n", o.output.string().c_str());
  if (pdf) {
    if (!pdf->Commit(error)) return UsageError(error);
    std::printf("pdf: %s\n", o.pdf.string().c_str());
  }
  if (idml && !idml->Commit(error)) return UsageError(error);
  PrintRunSummary(report);
  if (overset) {
    std::fprintf(stderr,
                 "tarvelin: warning: the text does not fit: an item is too large for "
                 "its frames\n");
    warned = true;
  }
  // The process ends with this run: the saved document is not taken apart object by object
  // (40 ms at 10,000 ads), the system takes its memory back at once.
  LeaveForExit(app.Context().TakeDocument(doc));
  return warned ? kDoneWithWarnings : kDone;
}

std::vector<OptionDef> PaginateOptions() {
  std::vector<OptionDef> options = {
      {{"template"}, "T.json", "the document's template (default: the built-in A4 ad page)"},
      {{"image-folder"},
       "DIR",
       "a folder to search for pictures, for this run only (up to four; default: the stored "
       "preferences)",
       {},
       true},
      {{"o", "output"}, "DOC.tvd", "the document to write (default: FRAME.tvd)"},
      {{"pdf"}, "OUT.pdf", "the PDF to write (default: FRAME.pdf)"},
      {{"no-pdf"}, "", "write no PDF"},
      {{"idml"}, "OUT.idml", "write an IDML package as well"},
      MissingOption(),
      {{"times"}, "", "print the seconds of each stage on stderr"},
      {{"j", "jobs"},
       "N",
       "with several frame files, how many are paginated at once (default: the number of "
       "processors)"}};
  for (OptionDef& o : PdfOutput(pdf::PdfStandard::kX1a).Options()) options.push_back(std::move(o));
  return options;
}

CommandRegistration registration({
    .name = "paginate",
    .summary = "the main job: a laid-out document, its PDF and the import log beside the frame "
               "file",
    .description =
        "A new document is made from the template, the frame file is imported into its text "
        "frame and processed, and the document (FRAME.tvd), its PDF (FRAME.pdf) and the import "
        "log (FRAME.log) are written beside the frame file. Ctrl-C cancels the run; nothing is "
        "written then.\n\n"
        "Given several frame files, each is paginated by a worker process of its own, N at "
        "once, so that one edition's failure cannot harm another's. Each file gets one line on "
        "stdout when it ends: the file, what became of it (done, done with warnings, failed, "
        "cancelled, crashed), its exit code and seconds, and its frame counts or its error; "
        "the workers' messages go to stderr, each after its file's name in brackets. The exit "
        "code is the worst of the files'. Ctrl-C cancels every file still running and starts "
        "no more; no file on disk is changed by a cancelled run.",
    .arguments = {{"FRAME.rmk", "the frame files", false, true}},
    .options = PaginateOptions(),
    .run = Paginate,
    .seeAlso = "To spread editions over machines, run one tarvelin paginate per edition under "
               "the scheduler at hand; the README shows a shell loop and xargs -P.",
});

}  // namespace
}  // namespace tarvelin::cli
