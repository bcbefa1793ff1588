// tarvelin export-idml DOC.tvd [-o OUT.idml]: the document as an IDML package (beside it
// by default) for other layout applications, every frame's advertisement attributes as
// its label. Exit 1 when fonts, images, styles or swatches are missing (they are listed),
// 2 for bad usage, an unreadable document or an output that cannot be written.
#include "cmd_export_idml.h"

#include <cstdio>
#include <string>
#include <vector>

#include "attributes/advertisement_attributes.h"
#include "cli_app.h"
#include "cli_host.h"
#include "core/k_dictionary.h"
#include "host/documents/document.h"
#include "host/persistence/document_file.h"
#include "idml/idml_export.h"

namespace tarvelin::cli {

namespace fs = std::filesystem;

namespace {

idml::LabelPairs AdvertisementLabels(const Database& db, UID item) {
  idml::LabelPairs pairs;
  auto record = db.Query<IAdvertisementAttributes>(item);
  if (!record) return pairs;
  const KDictionary& attributes = record->Attributes();
  for (int32_t i = 0; i < attributes.count(); ++i)
    pairs.emplace_back(attributes.Keys()[i], attributes.Values()[i]);
  return pairs;
}

int ExportIdmlCommand(const Args& args) {
  const std::string input = args.Positional().front();
  std::string output = args.Value("output");
  std::error_code ec;
  if (!fs::is_regular_file(input, ec)) return UsageError(input + ": no such file");
  if (output.empty()) output = fs::path(input).replace_extension(".idml").string();

  std::string why;
  auto host =
      CliHost::StartPlugInsIfAny("export-idml", {.platform = false, .workspace = fs::path()}, &why);
  if (!host) return UsageError(why.empty() ? "the host could not start" : why);
  auto registry = host->App().Registry();
  FileResult opened;
  auto doc = OpenDocumentFile(registry, input, opened);
  if (!doc) return UsageError(input + ": " + opened.message);
  return WriteIdml(*doc, output);
}

CommandRegistration registration({
    .name = "export-idml",
    .summary = "the document as an IDML package for other layout applications",
    .arguments = {{"DOC.tvd", "a saved document"}},
    .options = {{{"o", "output"},
                 "OUT.idml",
                 "where the package goes (default: beside the "
                 "document)"}},
    .run = ExportIdmlCommand,
});

}  // namespace

int WriteIdml(const Document& doc, const fs::path& target, const fs::path& shown) {
  idml::ExportResult result = idml::ExportIdml(doc, target, {.labels = AdvertisementLabels});
  if (!result.ok) return UsageError(result.error);
  for (const std::string& m : result.missing)
    std::fprintf(stderr, "tarvelin: warning: missing %s\n", m.c_str());
  std::printf("idml: %s\n", (shown.empty() ? target : shown).string().c_str());
  return result.missing.empty() ? kDone : kDoneWithWarnings;
}

}  // namespace tarvelin::cli
