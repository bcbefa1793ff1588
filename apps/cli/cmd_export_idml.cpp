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

constexpr const char* kUsage = "usage: tarvelin export-idml DOC.tvd [-o OUT.idml]";

idml::LabelPairs AdvertisementLabels(const Database& db, UID item) {
  idml::LabelPairs pairs;
  auto record = db.Query<IAdvertisementAttributes>(item);
  if (!record) return pairs;
  const KDictionary& attributes = record->Attributes();
  for (int32_t i = 0; i < attributes.count(); ++i)
    pairs.emplace_back(attributes.Keys()[i], attributes.Values()[i]);
  return pairs;
}

int ExportIdmlCommand(const std::vector<std::string>& args) {
  std::string input, output;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--output") {
      if (i + 1 >= args.size()) return UsageError(a + " needs a file");
      output = args[++i];
    } else if (a.starts_with("-") || !input.empty()) {
      return UsageError(kUsage);
    } else {
      input = a;
    }
  }
  if (input.empty()) return UsageError(kUsage);
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

CommandRegistration registration("export-idml",
                                 "export-idml DOC.tvd [-o OUT.idml]\n"
                                 "the document as an IDML package for other layout applications",
                                 ExportIdmlCommand);

}  // namespace

int WriteIdml(const Document& doc, const fs::path& target) {
  idml::ExportResult result = idml::ExportIdml(doc, target, {.labels = AdvertisementLabels});
  if (!result.ok) return UsageError(result.error);
  for (const std::string& m : result.missing)
    std::fprintf(stderr, "tarvelin: warning: missing %s\n", m.c_str());
  std::printf("idml: %s\n", target.string().c_str());
  return result.missing.empty() ? kDone : kDoneWithWarnings;
}

}  // namespace tarvelin::cli
