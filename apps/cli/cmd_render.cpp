// tarvelin render DOC.tvd [--pdf OUT.pdf] [--png DIR] [--dpi N] [--pdf-standard S]
// [--output-profile FILE.icc]: composes a document and draws its pages into a PDF (the
// screen PDF unless a press standard is asked for) and/or PNG files (page-001.png, ...). Without
// --pdf and --png the PDF goes beside the document (DOC.pdf). Pages are added in memory for the
// main story until it fits, so the output shows all its text; the document file is not changed.
// Written files are listed on stdout. Exit 1 when a picture could not be read or text
// remains overset, 2 for bad usage, an unreadable document or an output that cannot be
// written.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_app.h"
#include "cli_host.h"
#include "host/documents/document.h"
#include "host/persistence/document_file.h"
#include "layout/layout_service_qt.h"
#include "layout/renderer.h"
#include "pdf_output.h"

namespace tarvelin::cli {

namespace {

namespace fs = std::filesystem;

int Render(const Args& args) {
  const std::string input = args.Positional().front();
  std::string pdf = args.Value("pdf");
  const std::string png = args.Value("png");
  double dpi = 150;
  if (args.Has("dpi")) {
    const std::string v = args.Value("dpi");
    char* end = nullptr;
    dpi = std::strtod(v.c_str(), &end);
    if (v.empty() || *end != '\0' || !(dpi >= kMinDpi && dpi <= kMaxDpi))
      return UsageError("--dpi must be a number from 1 to 2400, not '" + v + "'");
  }
  PdfOutput output(pdf::PdfStandard::kScreen);
  output.Read(args);
  std::string why;
  std::error_code ec;
  if (!fs::is_regular_file(input, ec)) return UsageError(input + ": no such file");
  if (pdf.empty() && png.empty()) pdf = fs::path(input).replace_extension(".pdf").string();
  if (!pdf.empty() && fs::is_directory(pdf, ec)) return UsageError(pdf + " is a folder");
  if (!pdf.empty() && !output.Prepare(why)) return UsageError(why);

  // Neither plug-ins nor the user's workspace: the document is drawn as stored.
  auto host = CliHost::Start({.plugIns = false, .workspace = fs::path()}, &why);
  if (!host) return UsageError(why);
  auto registry = host->App().Registry();
  FileResult opened;
  auto doc = OpenDocumentFile(registry, input, opened);
  if (!doc) return UsageError(input + ": " + opened.message);

  QtLayoutService& layout = host->Layout();
  ComposeOptions options;
  options.growStory = MainStory(*doc);
  options.keepLayouts = false;  // the pages are drawn, nothing is hit-tested
  if (layout.Compose(*doc, options) != kSuccess)
    return UsageError(input + ": the document's stories cannot be read");
  const CompositionState* state = layout.State(*doc);

  RenderReport report;
  std::string error;
  if (!pdf.empty() && !output.Write(*doc, *state, pdf, report, error)) {
    layout.Release(*doc);
    return UsageError(error);
  }
  if (!png.empty() && RenderPng(*doc, *state, png, dpi, report, &error) != kSuccess) {
    layout.Release(*doc);
    return UsageError(error);
  }
  for (const fs::path& f : report.files) std::printf("%s\n", f.string().c_str());

  bool warned = false;
  for (const std::string& w : report.warnings) {
    std::fprintf(stderr, "tarvelin: warning: %s\n", w.c_str());
    warned = true;
  }
  if (options.growStory != kInvalidUID && layout.StoryState(*doc, options.growStory).overset) {
    std::fprintf(
        stderr,
        "tarvelin: warning: the main story does not fit: an item is too large for its frames\n");
    warned = true;
  }
  layout.Release(*doc);
  return warned ? kDoneWithWarnings : kDone;
}

std::vector<OptionDef> RenderOptions() {
  std::vector<OptionDef> options = {
      {{"pdf"}, "OUT.pdf", "the PDF to write (default, without --png: beside the document)"},
      {{"png"}, "DIR", "a folder for one PNG file per page (page-001.png, ...)"},
      {{"dpi"}, "N", "the PNG files' resolution, 1 to 2400 (default 150)"}};
  for (OptionDef& o : PdfOutput(pdf::PdfStandard::kScreen).Options())
    options.push_back(std::move(o));
  return options;
}

CommandRegistration registration({
    .name = "render",
    .summary = "draw the pages into a PDF and/or PNG files",
    .description = "Pages are added in memory for the main story until it fits, so the output "
                   "shows all its text; the document file is not changed. The written files are "
                   "listed on stdout.",
    .arguments = {{"DOC.tvd", "a saved document"}},
    .options = RenderOptions(),
    .run = Render,
});

}  // namespace

}  // namespace tarvelin::cli
