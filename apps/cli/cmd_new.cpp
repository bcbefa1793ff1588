// tarvelin new DOC.tvd [--template T.json] [--force]: a new document from a template (the
// built-in A4 ad page when none is given). Template warnings go to stderr and give exit
// code 1; a bad template or an existing file (without --force) gives 2 and writes nothing.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli_app.h"
#include "cli_host.h"
#include "core/utf16.h"
#include "host/persistence/document_file.h"
#include "layout/document_template.h"

namespace tarvelin::cli {

namespace {

// Templates are a few kilobytes; anything this large is not one.
constexpr std::uintmax_t kMaxTemplateBytes = 16 << 20;

int New(const Args& args) {
  const std::string output = args.Positional().front();
  const std::string template_file = args.Value("template");
  const bool force = args.Has("force");
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::exists(output, ec) && !force)
    return UsageError(output + " exists (use --force to replace it)");
  if (fs::is_directory(output, ec)) return UsageError(output + " is a folder");

  std::string json(DefaultTemplateJson());
  if (!template_file.empty()) {
    if (!fs::is_regular_file(template_file, ec))
      return UsageError(template_file + ": no such file");
    if (fs::file_size(template_file, ec) > kMaxTemplateBytes)
      return UsageError(template_file + ": too large for a template");
    std::ifstream in(template_file, std::ios::binary);
    if (!in) return UsageError(template_file + ": cannot be read");
    json.assign(std::istreambuf_iterator<char>(in), {});
  }
  TemplateResult parsed = ParseTemplate(json);
  const std::string source = template_file.empty() ? "built-in template" : template_file;
  for (const std::string& w : parsed.warnings)
    std::fprintf(stderr, "tarvelin: warning: %s: %s\n", source.c_str(), w.c_str());
  if (!parsed.spec) return UsageError(source + ": " + parsed.error);
  parsed.spec->name = FromUtf8(fs::path(output).filename().string());

  // Fonts come from the platform: the text workspace's default family is looked up there.
  // Plug-ins add their records to the classes of the new document; without them the
  // document is still made (their records come into being when they are loaded). Nothing
  // of the user's workspace is needed.
  std::string why;
  auto host = CliHost::StartPlugInsIfAny("new", {.workspace = fs::path()}, &why);
  if (!host) return UsageError("the host classes could not be registered");
  auto registry = host->App().Registry();
  std::vector<std::string> warnings;
  std::string error;
  auto doc = BuildDocument(registry, *parsed.spec, warnings, error);
  for (const std::string& w : warnings)
    std::fprintf(stderr, "tarvelin: warning: %s: %s\n", source.c_str(), w.c_str());
  if (!doc) return UsageError(source + ": " + error);
  FileResult saved = SaveDocument(*doc, output);
  doc.reset();  // before the plug-ins go
  if (!saved.Ok()) return UsageError(saved.message);
  return parsed.warnings.empty() && warnings.empty() ? kDone : kDoneWithWarnings;
}

CommandRegistration registration({
    .name = "new",
    .summary = "a new document from a template (the built-in A4 ad page by default)",
    .arguments = {{"DOC.tvd", "the document to write"}},
    .options = {{{"t", "template"},
                 "T.json",
                 "the template (examples/default-template.json "
                 "shows the format)"},
                {{"force"}, "", "replace the document if it exists"}},
    .run = New,
});

}  // namespace

}  // namespace tarvelin::cli
