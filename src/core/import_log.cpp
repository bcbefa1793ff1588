#include "core/import_log.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <memory>

#include "core/diagnostics.h"
#include "core/stream.h"
#include "core/string_table.h"
#include "core/utf16.h"

namespace tarvelin {

namespace {

struct LogState {
  std::unique_ptr<FileStream> stream;
  std::filesystem::path file;
};

LogState& State() {
  static LogState state;
  return state;
}

void WriteLine(std::u16string_view text) {
  auto& s = State();
  if (!s.stream) return;
  for (char16_t c : text) s.stream->WriteUInt16(c);
  s.stream->WriteUInt16(u'\r');
  s.stream->Flush();
  std::string echo = ToUtf8(text);
  echo.push_back('\n');
  diag::Write(echo);
}

std::u16string LongDate() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[128];
  size_t n = std::strftime(buf, sizeof buf, "%A, %B %d, %Y %H:%M:%S", &tm);
  return Widen(std::string_view(buf, n));
}

}  // namespace

LogArg::LogArg(std::string_view utf8) : value_(FromUtf8(utf8)) {}

std::u16string LogArg::AsText() const {
  if (auto* t = std::get_if<std::u16string>(&value_)) return *t;
  char buf[64];
  if (auto* i = std::get_if<int64_t>(&value_)) {
    std::snprintf(buf, sizeof buf, "%" PRId64, *i);
  } else {
    std::snprintf(buf, sizeof buf, "%g", std::get<double>(value_));
  }
  return Widen(buf);
}

int64_t LogArg::AsInteger() const {
  if (auto* i = std::get_if<int64_t>(&value_)) return *i;
  if (auto* d = std::get_if<double>(&value_)) return static_cast<int64_t>(*d);
  return 0;
}

double LogArg::AsReal() const {
  if (auto* d = std::get_if<double>(&value_)) return *d;
  if (auto* i = std::get_if<int64_t>(&value_)) return static_cast<double>(*i);
  return 0.0;
}

std::u16string KInDesignCommon::Format(std::u16string_view format,
                                       std::initializer_list<LogArg> args) {
  std::u16string out;
  auto next = args.begin();
  auto take = [&]() -> const LogArg* { return next != args.end() ? &*next++ : nullptr; };
  char buf[128];
  size_t i = 0;
  for (; i < format.size() && out.size() < kMaxMessageUnits; ++i) {
    char16_t c = format[i];
    if (c != u'%' || i + 1 >= format.size()) {
      out.push_back(c);
      continue;
    }
    // %[.N][l|ll|h]conv
    size_t j = i + 1;
    int precision = -1;
    if (format[j] == u'.') {
      precision = 0;
      ++j;
      while (j < format.size() && format[j] >= u'0' && format[j] <= u'9' && precision < 100)
        precision = precision * 10 + (format[j++] - u'0');
    }
    while (j < format.size() && (format[j] == u'l' || format[j] == u'h')) ++j;
    if (j >= format.size()) {
      out.append(format.substr(i));
      break;
    }
    char16_t conv = format[j];
    switch (conv) {
      case u'%':
        out.push_back(u'%');
        break;
      case u's': {
        const LogArg* a = take();
        if (a) out.append(a->AsText());
        break;
      }
      case u'd':
      case u'i':
      case u'u': {
        const LogArg* a = take();
        std::snprintf(buf, sizeof buf, "%" PRId64, a ? a->AsInteger() : 0);
        out.append(Widen(buf));
        break;
      }
      case u'x': {
        const LogArg* a = take();
        std::snprintf(buf, sizeof buf, "%" PRIx64, static_cast<uint64_t>(a ? a->AsInteger() : 0));
        out.append(Widen(buf));
        break;
      }
      case u'f':
      case u'g': {
        const LogArg* a = take();
        double v = a ? a->AsReal() : 0.0;
        if (conv == u'f')
          std::snprintf(buf, sizeof buf, "%.*f", precision < 0 ? 6 : precision, v);
        else
          std::snprintf(buf, sizeof buf, "%g", v);
        out.append(Widen(buf));
        break;
      }
      default:
        out.append(format.substr(i, j - i + 1));
        break;
    }
    i = j;
  }
  if (out.size() > kMaxMessageUnits || (out.size() == kMaxMessageUnits && i < format.size())) {
    // The reader of the log must see that the line goes on; a pair is not split.
    out.resize(kMaxMessageUnits - 1);
    if (!out.empty() && out.back() >= 0xD800 && out.back() <= 0xDBFF) out.pop_back();
    out.push_back(u'\u2026');
    diag::Printf("import log: a message longer than %zu units was cut\n", kMaxMessageUnits);
  }
  return out;
}

bool KInDesignCommon::OpenLog(const std::filesystem::path& file) {
  CloseLog();
  auto stream = FileStream::OpenWrite(file);
  if (!stream) return false;
  auto& s = State();
  s.stream = std::move(stream);
  s.stream->Flush();
  s.file = file;
  WriteLine(u"// ----");
  WriteLine(u"// Log started on " + LongDate() + u".");
  return true;
}

std::filesystem::path KInDesignCommon::LogFileForFrameFile(const std::filesystem::path& frameFile) {
  std::filesystem::path log = frameFile.parent_path() / frameFile.stem();
  log += ".log";
  return log;
}

bool KInDesignCommon::OpenLogForFrameFile(const std::filesystem::path& frameFile) {
  return OpenLog(LogFileForFrameFile(frameFile));
}

void KInDesignCommon::CloseLog() {
  auto& s = State();
  if (!s.stream) return;
  s.stream->Flush();
  s.stream->Close();
  s.stream.reset();
}

bool KInDesignCommon::IsLogOpen() {
  return State().stream != nullptr;
}

std::filesystem::path KInDesignCommon::GetLogFile() {
  return State().file;
}

void KInDesignCommon::LogMessage(std::string_view formatOrKey, std::initializer_list<LogArg> args) {
  if (!IsLogOpen()) return;
  WriteLine(Format(Translate(formatOrKey), args));
}

void KInDesignCommon::LogKey(std::string_view key, const std::vector<std::u16string>& texts) {
  if (!IsLogOpen()) return;
  WriteLine(FormatKey(key, texts));
}

void KInDesignCommon::LogLine(std::u16string_view text) {
  WriteLine(text);
}

std::u16string KInDesignCommon::FormatKey(std::string_view key,
                                          const std::vector<std::u16string>& texts) {
  return FillPlaceholders(Translate(key), texts);
}

std::u16string KInDesignCommon::ReadLogText(const std::filesystem::path& file, bool* ok) {
  auto stream = FileStream::OpenRead(file);
  if (ok) *ok = stream != nullptr;
  if (!stream) {
    diag::Write("stream is nil\n");
    return {};
  }
  std::u16string text;
  while (auto unit = stream->ReadUInt16()) text.push_back(static_cast<char16_t>(*unit));
  return text;
}

std::vector<std::u16string> KInDesignCommon::SplitLogLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r') continue;
    lines.emplace_back(text.substr(start, i - start));
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

}  // namespace tarvelin
