// tarvelin log FILE.log: the text of an import log, as "Show log" shows it.
#include <cstdio>
#include <filesystem>

#include "cli_app.h"
#include "core/import_log.h"
#include "core/utf16.h"

namespace tarvelin::cli {
namespace {

int CmdLog(const Args& parsed) {
  const std::vector<std::string>& args = parsed.Positional();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(args[0], ec))
    return UsageError("cannot read " + args[0] + ": no such file");
  bool ok = false;
  std::u16string text = KInDesignCommon::ReadLogText(args[0], &ok);
  if (!ok) return UsageError("cannot read " + args[0]);
  // Lines end in a lone carriage return in the file; a terminal wants line feeds.
  for (auto& c : text)
    if (c == u'\r') c = u'\n';
  if (!text.empty() && text.back() != u'\n') text.push_back(u'\n');
  std::string out = ToUtf8(text);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return kDone;
}

CommandRegistration registration({
    .name = "log",
    .summary = "print an import log as text, as \"Show log\" shows it",
    .arguments = {{"FILE.log", "the import log beside a frame file"}},
    .run = CmdLog,
});

}  // namespace
}  // namespace tarvelin::cli
