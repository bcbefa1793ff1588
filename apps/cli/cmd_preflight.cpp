// tarvelin preflight FILE.pdf|DOC.tvd [--max-ink N] [--min-ppi N]: the checks a newspaper
// makes on an ad before it goes to press, one line per finding with its page and place.
// A document is checked before output: it is composed and written to a scratch PDF that
// keeps its colours as they are (PDF/X-4), which is checked as a PDF would be, together
// with what only the document knows (text that does not fit, pictures that are missing).
// Exit 0 when nothing fails, 1 when something does, 2 for bad usage or an unreadable file.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "attributes/advertisement_attributes.h"
#include "cli_app.h"
#include "cli_host.h"
#include "core/utf16.h"
#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "host/documents/spread.h"
#include "host/persistence/document_file.h"
#include "layout/composition_state.h"
#include "layout/layout_service_qt.h"
#include "pdf/pdf_export.h"
#include "pdf/preflight.h"

namespace tarvelin::cli {

namespace {

namespace fs = std::filesystem;

// The page an item shows on, 1-based (0: not on a page): an inline item's is the page of
// the column its outermost anchor was composed in.
int32_t PageOf(const Document& doc, const CompositionState& state, UID item) {
  const Database& db = doc.DataBase();
  UID top = item;
  for (int depth = 0; depth < 70; ++depth) {
    auto pi = db.Query<IPageItem>(top);
    if (!pi || pi->AnchorStory() == kInvalidUID) break;
    const PlacedInline* placed = state.InlinePlacement(top);
    const ComposedStory* story = state.Story(pi->AnchorStory());
    if (!placed || !story || placed->column < 0 ||
        static_cast<size_t>(placed->column) >= story->columns.size())
      return 0;
    top = story->columns[static_cast<size_t>(placed->column)].frame.frame;
  }
  auto pi = db.Query<IPageItem>(top);
  const UID spread = SpreadOf(doc, top);
  if (!pi || spread == kInvalidUID) return 0;
  return PageOfRect(doc, spread, pi->Bounds()).documentIndex + 1;
}

// Frames whose definition named a picture ("fn") that was never placed in them.
void MissingPictures(const Document& doc, const CompositionState& state,
                     std::vector<pdf::Finding>& out) {
  const Database& db = doc.DataBase();
  db.ForEachObject([&](const Object& o) {
    auto record = db.Query<IAdvertisementAttributes>(o.GetUID());
    if (!record) return;
    const KDictionary& attributes = record->Attributes();
    for (int32_t i = 0; i < attributes.count(); ++i) {
      if (attributes.Keys()[i] != u"fn" || attributes.Values()[i].empty()) continue;
      if (ImageOf(db, o.GetUID()) != kInvalidUID) continue;
      out.push_back({PageOf(doc, state, o.GetUID()), "",
                     "the picture \"" + ToUtf8(attributes.Values()[i]) + "\" of frame " +
                         std::to_string(o.GetUID()) + " is missing",
                     true});
    }
  });
}

// The document's findings, and its scratch PDF's; false with `error` when it cannot be read.
bool CheckDocument(const fs::path& input, const pdf::PreflightLimits& limits,
                   pdf::PreflightResult& result, std::string& error) {
  // The plug-in's classes read the frames' advertisement attributes.
  auto host = CliHost::Start({.plugIns = true, .workspace = fs::path()}, &error);
  if (!host) return false;
  FileResult opened;
  auto doc = OpenDocumentFile(host->App().Registry(), input.string(), opened);
  if (!doc) {
    error = input.string() + ": " + opened.message;
    return false;
  }
  QtLayoutService& layout = host->Layout();
  ComposeOptions options;
  options.growStory = MainStory(*doc);
  options.keepLayouts = false;  // the pages are drawn, nothing is hit-tested
  if (layout.Compose(*doc, options) != kSuccess) {
    error = input.string() + ": the document's stories cannot be read";
    return false;
  }
  auto profile = pdf::OutputProfile::Load(pdf::DefaultOutputProfile(), &error);
  if (!profile) return false;
  const fs::path scratch =
      fs::temp_directory_path() / ("tarvelin-preflight-" + std::to_string(::getpid()) + ".pdf");
  RenderReport report;
  std::string why;
  pdf::PdfOptions pdf_options{pdf::PdfStandard::kX4, profile.get(), 0};
  if (pdf::WritePdf(*doc, *layout.State(*doc), scratch, pdf_options, report, &why) != kSuccess) {
    result.findings.push_back({0, "", why, true});
  } else {
    // The scratch file keeps RGB and Lab as the document has them: they are findings.
    pdf::PreflightLimits strict = limits;
    strict.cmykOnly = true;
    pdf::PreflightResult checked = pdf::PreflightPdf(scratch, strict);
    result.findings = std::move(checked.findings);
    if (!checked.error.empty()) result.findings.push_back({0, "", checked.error, true});
  }
  std::error_code ec;
  fs::remove(scratch, ec);
  for (const std::string& w : report.warnings) result.findings.push_back({0, "", w, true});
  MissingPictures(*doc, *layout.State(*doc), result.findings);
  if (options.growStory != kInvalidUID && layout.StoryState(*doc, options.growStory).overset)
    result.findings.push_back({0, "", "the main story does not fit its frames (overset)", true});
  layout.Release(*doc);
  return true;
}

int Preflight(const Args& args) {
  const std::string input = args.Positional().front();
  pdf::PreflightLimits limits;
  for (const std::string a : {"max-ink", "min-ppi"}) {
    if (!args.Has(a)) continue;
    const std::string v = args.Value(a);
    char* end = nullptr;
    const double n = std::strtod(v.c_str(), &end);
    const bool ink = a == "max-ink";
    if (v.empty() || *end != '\0' || !(n > 0 && n <= (ink ? 400 : 10000)))
      return UsageError(
          "--" + a +
          (ink ? " takes a percentage from 1 to 400" : " takes a resolution from 1 to 10000") +
          ", not '" + v + "'");
    (ink ? limits.maxInk : limits.minPpi) = n;
  }
  std::error_code ec;
  if (!fs::is_regular_file(input, ec)) return UsageError(input + ": no such file");

  pdf::PreflightResult result;
  const std::string ext = fs::path(input).extension().string();
  if (ext == ".tvd") {
    std::string error;
    if (!CheckDocument(input, limits, result, error)) return UsageError(error);
  } else {
    result = pdf::PreflightPdf(input, limits);
    if (!result.error.empty()) return UsageError(result.error);
  }
  int failures = 0;
  for (const pdf::Finding& f : result.findings) {
    std::string where = f.page > 0 ? "page " + std::to_string(f.page) : "document";
    if (!f.place.empty()) where += ", " + f.place;
    std::printf("%s %s: %s\n", f.failure ? "FAIL" : "note", where.c_str(), f.message.c_str());
    if (f.failure) ++failures;
  }
  if (failures > 0) {
    std::printf("preflight: %d problem%s\n", failures, failures == 1 ? "" : "s");
    return kDoneWithWarnings;
  }
  std::printf("preflight: passed\n");
  return kDone;
}

CommandRegistration registration({
    .name = "preflight",
    .summary = "check a PDF or a document as a newspaper checks an ad before press",
    .arguments = {{"FILE.pdf|DOC.tvd", "a PDF, or a document (its press PDF is checked too)"}},
    .options = {{{"max-ink"}, "N", "the highest total ink in percent, 1 to 400 (default 240)"},
                {{"min-ppi"}, "N", "the lowest resolution of a picture, 1 to 10000 (default 200)"}},
    .run = Preflight,
});

}  // namespace

}  // namespace tarvelin::cli
