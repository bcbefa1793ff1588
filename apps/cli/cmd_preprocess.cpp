// tarvelin preprocess: writes the scratch copy of a frame file (UTF-16LE tag text, no
// byte-order mark) for inspection, then removes the internal copy as an import does.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli_app.h"
#include "core/progress.h"
#include "core/stream.h"
#include "framefile/preprocess_frame_file.h"
#include "tagged/file_reader.h"
#include "tagged/tagged_header.h"

namespace tarvelin::cli {
namespace {

namespace fs = std::filesystem;

std::optional<int> EncodingSelector(const std::string& name) {
  if (name == "macce") return kEncodingMacCE;
  if (name == "wince") return kEncodingWinCE;
  if (name == "unicode") return kEncodingUnicode;
  if (name == "utf8") return kEncodingUtf8;
  return std::nullopt;
}

// Copies the scratch file to the output path, or to standard output for "-".
bool CopyOut(const fs::path& from, const std::string& to, std::string* error) {
  auto in = FileStream::OpenRead(from);
  if (!in) {
    *error = "cannot read the scratch copy " + from.string() + ": " + std::strerror(errno);
    return false;
  }
  std::FILE* out = to == "-" ? stdout : std::fopen(to.c_str(), "wb");
  if (!out) {
    *error = "cannot write " + to + ": " + std::strerror(errno);
    return false;
  }
  std::vector<uint8_t> buffer(1 << 16);
  bool ok = true;
  for (size_t n; (n = in->ReadBytes(buffer.data(), buffer.size())) > 0;) {
    if (std::fwrite(buffer.data(), 1, n, out) != n) {
      ok = false;
      break;
    }
  }
  ok = std::fflush(out) == 0 && ok;
  if (out != stdout) ok = std::fclose(out) == 0 && ok;
  if (!ok) *error = "cannot write " + to + ": " + std::strerror(errno);
  return ok;
}

int Preprocess(const Args& args) {
  const std::string frame = args.Positional().front();
  const std::string output = args.Has("output") ? args.Value("output") : "-";
  std::optional<int> selector;  // the import's own choice unless given
  if (args.Has("encoding")) selector = EncodingSelector(args.Value("encoding"));

  std::error_code ec;
  if (!fs::exists(frame, ec)) return UsageError("cannot read " + frame + ": no such file");
  if (fs::is_directory(frame, ec)) return UsageError("cannot read " + frame + ": it is a folder");
  if (!FileStream::OpenRead(frame)) {
    return UsageError("cannot read " + frame + ": " + std::strerror(errno));
  }

  SilentProgress progress;
  KPreprocessFrameFile pre(frame, true, &progress);
  std::unique_ptr<KFileReader> reader =
      CreateReader(selector.value_or(FrameFileEncodingOf(frame).selector));
  PreprocessResult result = pre.Preprocess(*reader);
  std::string error;
  int code = kDone;
  switch (result.status) {
    case PreprocessStatus::kRewritten:
      if (!CopyOut(result.file, output, &error)) code = UsageError(error);
      break;
    case PreprocessStatus::kCancelled:
      std::fputs("tarvelin: cancelled\n", stderr);
      code = kCancelled;
      break;
    case PreprocessStatus::kFrameFileUnchanged:
      code = UsageError("cannot set up the scratch copy of " + frame +
                        " (is the user data folder writable?)");
      break;
    case PreprocessStatus::kReadFailed:
      code = UsageError("cannot read " + frame + " to its end");
      break;
    case PreprocessStatus::kWriteFailed:
      code = UsageError("cannot write the scratch copy of " + frame + " (disk full?)");
      break;
  }
  pre.Finish();
  if (code == kDone && (result.nulCount > 0 || result.replacedCount > 0)) {
    std::fprintf(stderr,
                 "tarvelin: warning: %s: %lld NUL characters dropped, %lld bytes that are no "
                 "characters of the encoding replaced by U+FFFD\n",
                 frame.c_str(), static_cast<long long>(result.nulCount),
                 static_cast<long long>(result.replacedCount));
    code = kDoneWithWarnings;
  }
  return code;
}

static CommandRegistration registration({
    .name = "preprocess",
    .summary = "write the frame file's rewritten tag text (UTF-16LE) to OUT or stdout",
    .arguments = {{"FRAME.rmk", "the frame file"}},
    .options = {{{"o", "output"}, "OUT", "the file to write; - for stdout (the default)"},
                {{"encoding"},
                 "ENCODING",
                 "how the frame file is read; default: as an import reads it (UTF-8 after a "
                 "UTF-8 byte-order mark, else wince)",
                 {"macce", "wince", "unicode", "utf8"}}},
    .run = Preprocess,
});

}  // namespace
}  // namespace tarvelin::cli
