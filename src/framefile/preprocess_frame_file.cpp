#include "framefile/preprocess_frame_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <system_error>
#include <utility>

#include "core/diagnostics.h"
#include "core/import_log.h"
#include "core/platform_paths.h"
#include "core/string_table.h"
#include "core/utf16.h"

namespace tarvelin {

namespace {

struct TypeRow {
  std::u16string_view code;
  std::u16string_view begin;
  std::u16string_view end;
};

// Row 1 is also the default for an unknown code.
constexpr TypeRow kTypeTable[] = {
    {u"WT", u"<\\<>boxtext", u"<\\<>/boxtext<\\>>"},
    {u"WG", u"<\\<>boxpicture", u"<\\<>/boxpicture<\\>>"},
    {u"DT", u"<\\<>boxtext", u"<\\<>/boxtext<\\>>"},
    {u"DG", u"<\\<>boxpicture", u"<\\<>/boxpicture<\\>>"},
    {u"BE", u"<\\<>boxgroup", u"<\\<>/boxgroup<\\>>"},
};
constexpr std::u16string_view kInnerBegin = u"<\\<>innerbox";
constexpr std::u16string_view kInnerEnd = u"<\\<>/innerbox<\\>>";
constexpr std::u16string_view kCodeStops = u" ,=}";
// Longer than every code of the table: reading a code further cannot make it one.
constexpr size_t kCodeProbeLength = 3;

constexpr char16_t Swap(char16_t c) {
  return static_cast<char16_t>((c << 8) | (c >> 8));
}

// A definition text in memory.
class TextSource {
 public:
  explicit TextSource(std::u16string_view text) : text_(text), limit_(text.size()) {}

  char16_t Get() { return i_ < limit_ ? text_[i_++] : 0; }
  // The next n characters without consuming them; 0 past the end.
  void Peek(char16_t* out, size_t n) const {
    for (size_t k = 0; k < n; ++k) out[k] = i_ + k < limit_ ? text_[i_ + k] : 0;
  }
  int64_t Index() const { return static_cast<int64_t>(i_); }
  size_t Mark() const { return i_; }
  void Reset(size_t mark) { i_ = mark; }
  void Release(size_t) {}
  // Index of the next "{$}" from here, if any.
  std::optional<int64_t> FindClose() const {
    size_t p = text_.substr(0, limit_).find(u"{$}", i_);
    if (p == std::u16string_view::npos) return std::nullopt;
    return static_cast<int64_t>(p);
  }
  void SetLimit(int64_t limit) { limit_ = std::min(static_cast<size_t>(limit), text_.size()); }
  void ClearLimit() { limit_ = text_.size(); }

 private:
  std::u16string_view text_;
  size_t i_ = 0;
  size_t limit_;
};

}  // namespace

// Polls the progress bar and the cancel request every kInterval characters: a per-character
// update would cost more than the copy itself.
class KPreprocessFrameFile::ProgressTicker {
 public:
  ProgressTicker(Progress* progress, ProgressBar* bar, const Stream* stream)
      : progress_(progress), bar_(bar), stream_(stream) {}

  // True once the user cancelled.
  bool Tick() {
    if (--countdown_ > 0) return cancelled_;
    return Poll();
  }
  bool Cancelled() const { return cancelled_; }

 private:
  static constexpr int kInterval = 1 << 14;

  bool Poll() {
    countdown_ = kInterval;
    if (bar_) bar_->SetPosition(stream_->Tell());
    if ((bar_ && bar_->WasCancelled()) || (progress_ && progress_->WasCancelled())) {
      cancelled_ = true;
    }
    return cancelled_;
  }

  Progress* progress_;
  ProgressBar* bar_;
  const Stream* stream_;
  int countdown_ = 1;  // the first call polls
  bool cancelled_ = false;
};

namespace {

// A definition read straight from the frame file, from its '{' through its end marker.
// Looking ahead goes through the reader's position stack.
class ReaderSource {
 public:
  struct State {
    int64_t index;
    size_t matched;
    bool done;
    bool eof;
  };

  ReaderSource(KFileReader& reader, std::u16string_view endMarker,
               KPreprocessFrameFile::ProgressTicker& ticker)
      : reader_(reader), marker_(endMarker), ticker_(ticker) {}

  char16_t Get() {
    if (s_.done || s_.index == limit_ || ticker_.Tick()) return 0;
    char16_t c = reader_.ReadChar();
    if (c == 0) {
      s_.done = s_.eof = true;
      return 0;
    }
    ++s_.index;
    // The markers hold '{' only in front, so a mismatch restarts at a '{' or at nothing.
    if (c == marker_[s_.matched]) {
      if (++s_.matched == marker_.size()) s_.done = true;
    } else {
      s_.matched = c == u'{' ? 1 : 0;
    }
    return c;
  }
  void Peek(char16_t* out, size_t n) {
    State m = Mark();
    for (size_t k = 0; k < n; ++k) out[k] = Get();
    Reset(m);
  }
  int64_t Index() const { return s_.index; }
  State Mark() {
    reader_.PushPosition();
    return s_;
  }
  void Reset(const State& m) {
    reader_.PopPosition();
    s_ = m;
  }
  void Release(const State&) { reader_.DropPosition(); }
  std::optional<int64_t> FindClose() {
    State m = Mark();
    std::optional<int64_t> found;
    int state = 0;
    for (char16_t c = Get(); c != 0; c = Get()) {
      if (c == u'{') {
        state = 1;
      } else if (state == 1 && c == u'$') {
        state = 2;
      } else if (state == 2 && c == u'}') {
        found = s_.index - 3;
        break;
      } else {
        state = 0;
      }
    }
    Reset(m);
    return found;
  }
  void SetLimit(int64_t limit) { limit_ = limit; }
  void ClearLimit() { limit_ = -1; }
  // The file ended before the end marker.
  bool ReachedEndOfInput() const { return s_.eof; }

 private:
  KFileReader& reader_;
  std::u16string_view marker_;
  KPreprocessFrameFile::ProgressTicker& ticker_;
  State s_{0, 0, false, false};
  int64_t limit_ = -1;
};

}  // namespace

KPreprocessFrameFile::KPreprocessFrameFile(std::filesystem::path framePath, bool headerCloseFlag,
                                           Progress* progressTask)
    : frame_path_(std::move(framePath)),
      current_file_(frame_path_),
      header_close_flag_(headerCloseFlag),
      progress_(progressTask) {}

KPreprocessFrameFile::~KPreprocessFrameFile() {
  if (created_ && !deleted_) {
    diag::Write(
        "KPreprocessFrameFile: did not execute public void Finish() or delete command did not "
        "execute correctly thus any files created during the import process have not been "
        "deleted.\n");
  }
}

bool KPreprocessFrameFile::SearchForString(KFileReader& reader, std::u16string_view pattern,
                                           bool swapBytes, bool skipFirst) {
  if (pattern.empty()) {
    diag::Write("KPreprocessFrameFile::SearchForString, param 1 is NULL.\n");
    return false;
  }
  for (size_t i = skipFirst ? 1 : 0; i < pattern.size(); ++i) {
    char16_t c = reader.ReadChar();
    if (swapBytes) c = Swap(c);
    if (c != pattern[i]) return false;
  }
  return true;
}

std::u16string KPreprocessFrameFile::ReadUntilStop(KFileReader& reader,
                                                   std::u16string_view stopCharacters,
                                                   size_t maxLength) {
  std::u16string text;
  while (text.size() < maxLength) {
    char16_t c = reader.ReadChar();
    if (c == 0 || stopCharacters.find(c) != std::u16string_view::npos) break;
    text.push_back(c);
  }
  return text;
}

bool KPreprocessFrameFile::DoesListConstain(std::u16string_view code,
                                            std::u16string_view* beginText,
                                            std::u16string_view* endText) {
  if (code.empty()) {
    diag::Write("argument is too short\n");
    return false;
  }
  for (const TypeRow& row : kTypeTable) {
    if (row.code == code) {
      if (beginText) *beginText = row.begin;
      if (endText) *endText = row.end;
      return true;
    }
  }
  return false;
}

std::u16string KPreprocessFrameFile::GetFrameTypeFromStream(KFileReader& reader, bool swapBytes) {
  if (!reader.PushPosition()) {
    diag::Write("KPreprocessFrameFile::GetFrameTypeFromStream: param0 is NULL.\n");
    return std::u16string(kTypeTable[0].code);
  }
  std::u16string code = ReadUntilStop(reader, kCodeStops, kCodeProbeLength);
  if (code.empty()) code = ReadUntilStop(reader, kCodeStops, kCodeProbeLength);
  if (swapBytes) {
    for (char16_t& c : code) c = Swap(c);
  }
  reader.PopPosition();
  if (DoesListConstain(code, nullptr, nullptr)) return code;
  return std::u16string(kTypeTable[0].code);
}

bool KPreprocessFrameFile::WriteLettersToStream(Stream& stream, std::u16string_view text,
                                                bool swapBytes) {
  if (!stream.IsOpen()) {
    diag::Write("KPreprocessFrameFile::WriteLettersToStream: param 0 is NULL.\n");
    return false;
  }
  bool ok = true;
  for (char16_t c : text) ok &= stream.WriteUInt16(swapBytes ? Swap(c) : c);
  return ok;
}

void KPreprocessFrameFile::RewriteDefinition(std::u16string_view text, Stream& stream,
                                             bool inner) const {
  TextSource source(text);
  Rewrite(source, stream, inner);
}

// One pass over the definition. An inner definition is the stretch from its "{#" through
// the next "{$}"; a "{#" inside that stretch starts a further inner definition that runs
// to the same "{$}", so the stretch's own state can simply restart there. Two frames of
// state (the outer definition and the current inner one) therefore cover any nesting, and
// no recursion depends on the input.
template <class Source>
void KPreprocessFrameFile::Rewrite(Source& src, Stream& out, bool inner) const {
  struct Frame {
    bool inner = false;
    int64_t start = 0;
    bool header = false;
    bool openQuote = false;  // a bare value waits for its closing quote
    bool inQuoted = false;   // inside a value written in quotes
    bool group = false;
    std::u16string_view begin;
    std::u16string_view end;
  };
  const std::u16string_view headerClose = header_close_flag_ ? u"<\\>>\r" : u"\\>\r";
  auto put = [&out](char16_t c) { out.WriteUInt16(c); };
  auto puts = [&out](std::u16string_view t) { WriteLettersToStream(out, t, false); };

  auto fresh = [](bool isInner, int64_t start) {
    Frame frame;
    frame.inner = isInner;
    frame.start = start;
    return frame;
  };
  Frame outer = fresh(inner, 0);
  Frame nested;
  Frame* f = &outer;
  // The next "{$}" after a "{#" of the outer definition, found once and reused.
  std::optional<int64_t> closeAt;
  bool closeKnown = false;
  auto leaveNested = [&] {
    while (src.Get() != 0) {
    }
    src.ClearLimit();
    f = &outer;
  };

  char16_t c = src.Get();
  bool braceRules = true;
  for (;;) {
    if (c == 0) {
      if (f == &outer) return;
      leaveNested();
      c = src.Get();
      braceRules = true;
      continue;
    }
    if (braceRules && c == u'{') {
      const int64_t idx = src.Index() - 1;
      char16_t ahead[3];
      src.Peek(ahead, 3);
      const bool atEnd = f->group ? ahead[0] == u'$' && ahead[1] == u'$' && ahead[2] == u'}'
                                  : ahead[0] == u'$' && ahead[1] == u'}';
      if (atEnd) {
        puts(f->end);
        for (int k = f->group ? 3 : 2; k > 0; --k) src.Get();
        if (f == &outer) return;
        leaveNested();
        c = src.Get();
        continue;
      }
      if (ahead[0] == u'#' && !f->inQuoted) {
        f->header = true;
        if (idx - f->start >= 2) {
          if (f == &nested) {
            nested = fresh(true, idx);
            continue;
          }
          if (!closeKnown || (closeAt && idx > *closeAt)) {
            closeAt = src.FindClose();
            closeKnown = true;
          }
          if (closeAt) {
            src.SetLimit(*closeAt + 3);
            nested = fresh(true, idx);
            f = &nested;
            continue;
          }
        }
        // Opener: "{#", blanks, the type code.
        src.Get();
        for (src.Peek(ahead, 1); ahead[0] == u' '; src.Peek(ahead, 1)) src.Get();
        auto mark = src.Mark();
        char16_t code[kCodeProbeLength];
        size_t n = 0;
        c = src.Get();
        while (c != 0 && kCodeStops.find(c) == std::u16string_view::npos && n < kCodeProbeLength) {
          code[n++] = c;
          c = src.Get();
        }
        std::u16string_view begin, end;
        const bool found = n < kCodeProbeLength && DoesListConstain({code, n}, &begin, &end);
        if (found) {
          f->begin = begin;
          f->end = end;
          src.Release(mark);
        } else {
          // Not a code: its text is the first attribute's name.
          src.Reset(mark);
          c = src.Get();
        }
        if (f->begin.empty() && f->end.empty()) {
          f->begin = kTypeTable[0].begin;
          f->end = kTypeTable[0].end;
        }
        if (f->inner) {
          f->begin = kInnerBegin;
          f->end = kInnerEnd;
        }
        puts(f->begin);
        put(u' ');
        if (found && std::u16string_view(code, n) == u"BE") f->group = true;
        braceRules = false;
        continue;
      }
    }
    braceRules = true;
    if (!f->header) {
      put(c);
      c = src.Get();
      continue;
    }
    if (f->inQuoted) {
      if (c == u'"') f->inQuoted = false;
      put(c);
      c = src.Get();
      continue;
    }
    if (c == u'=') {
      put(u'=');
      do {
        c = src.Get();
      } while (c == u' ');
      if (c == u'"') {
        size_t run = 0;
        for (; c == u'"'; c = src.Get(), ++run) put(u'"');
        f->inQuoted = run % 2 == 1;
      } else if (c != 0) {
        put(u'"');
        f->openQuote = true;
      }
      continue;
    }
    if (c == u',' || c == u' ' || c == u'}') {
      if (f->openQuote) {
        put(u'"');
        f->openQuote = false;
      }
      if (c == u'}') {
        puts(headerClose);
        f->header = false;
        c = src.Get();
        continue;
      }
    }
    put(c == u',' ? u' ' : c);
    c = src.Get();
  }
}

bool KPreprocessFrameFile::RewriteFromReader(KFileReader& reader, std::u16string_view endMarker,
                                             Stream& stream, ProgressTicker& ticker) const {
  ReaderSource source(reader, endMarker, ticker);
  Rewrite(source, stream, false);
  if (ticker.Cancelled()) return false;
  if (source.ReachedEndOfInput()) {
    diag::Printf("KPreprocessFrameFile: a definition has no end marker \"%s\".\n",
                 ToUtf8(endMarker).c_str());
  }
  return true;
}

KPreprocessFrameFile::DefLineEnd KPreprocessFrameFile::DropDefLine(KFileReader& reader) {
  char16_t previous = u'F';
  for (int count = 1;; ++count) {
    char16_t c = reader.ReadChar();
    if (c == 0) {
      if (previous == u'\n' || previous == u'\r') return DefLineEnd::kEndOfInput;
      diag::Write("overflow error\n");
      return DefLineEnd::kEndOfInput;
    }
    if (previous == u'\n' || (previous == u'\r' && c != u'\n')) {
      // The line is over; its successor is read again by the copy.
      reader.PushPositionBeforeLastChar();
      reader.PopPosition();
      return DefLineEnd::kLineEnd;
    }
    if (count > kMaxDefLineLength) {
      diag::Write("overflow error\n");
      return DefLineEnd::kOverflow;
    }
    previous = c;
  }
}

void KPreprocessFrameFile::LogDroppedCharacters(int64_t nulCount, int64_t replacedCount) const {
  if (nulCount == 0 && replacedCount == 0) return;
  KInDesignCommon::LogMessage("0x113380kZevStringLogDroppedCharactersKey",
                              {frame_path_.filename().string(), static_cast<long long>(nulCount),
                               static_cast<long long>(replacedCount)});
}

KPreprocessFrameFile::CopyResult KPreprocessFrameFile::CopyAndRewrite(KFileReader& reader,
                                                                      Stream& in, Stream& out) {
  reader.SetStream(&in);
  const std::u16string title = Translate("0x113380kZevIterateThroughTextKey");
  std::unique_ptr<ProgressBar> bar =
      progress_ ? progress_->CreateRangeBar(title, 0, reader.StoredLength()) : nullptr;
  ProgressTicker ticker(progress_, bar.get(), &in);

  for (;;) {
    if (ticker.Tick()) break;
    char16_t c = reader.ReadChar();
    if (c == 0) break;
    if (c == u'{') {
      reader.PushPositionBeforeLastChar();
      if (SearchForString(reader, u"{#DEF", false, true)) {
        if (DropDefLine(reader) != DefLineEnd::kOverflow) continue;
        // An overlong line: the copy goes on from the last character read.
      } else {
        reader.PopPosition();
        c = reader.ReadChar();
      }
      reader.PushPositionBeforeLastChar();
      if (SearchForString(reader, u"{#", false, true)) {
        std::u16string code = GetFrameTypeFromStream(reader, false);
        reader.PopPosition();
        if (!RewriteFromReader(reader, code == u"BE" ? u"{$$}" : u"{$}", out, ticker)) break;
        continue;
      }
      reader.PopPosition();
      c = reader.ReadChar();
    }
    out.WriteUInt16(c);
  }

  CopyResult result;
  result.readAll = in.Tell() >= reader.StoredLength();
  result.cancelled = ticker.Cancelled();
  result.nulCount = reader.NulCount();
  result.replacedCount = reader.ReplacedCount();
  reader.SetStream(nullptr);
  return result;
}

PreprocessResult KPreprocessFrameFile::Preprocess(KFileReader& reader) {
  deleted_ = false;
  current_file_ = frame_path_;
  PreprocessResult result;
  result.status = PreprocessStatus::kFrameFileUnchanged;
  result.file = frame_path_;

  const std::u16string title = Translate("0x113380kZevIterateThroughTextKey");
  if (progress_) progress_->DoTask(title, 1);

  std::optional<std::string> folder = UserDataFolder(kScratchFolderName);
  if (!folder) {
    diag::Write("Could not get the user dictionaries path.\n");
    return result;
  }
  std::filesystem::path scratch = *folder + frame_path_.filename().string();
  std::error_code ec;
  if (std::filesystem::equivalent(scratch, frame_path_, ec)) {
    // A frame file inside the scratch folder must not be overwritten by its own copy.
    scratch += ".scratch";
  }
  if (!claim_.Claim(scratch)) {
    // Another run is using this name right now: this one takes a name of its own.
    scratch += "." + std::to_string(::getpid());
    claim_.Claim(scratch);
  }
  diag::Printf("The new supreme filename is %s\n", scratch.c_str());

  std::unique_ptr<FileStream> in;
  if (!std::filesystem::is_directory(frame_path_, ec)) in = FileStream::OpenRead(frame_path_);
  if (!in) {
    diag::Printf("Could not open the stream for reading (%s)\n", frame_path_.c_str());
    return result;
  }
  diag::Printf("newfilename = %s\n", scratch.c_str());
  if (std::filesystem::exists(scratch, ec) && !std::filesystem::remove(scratch, ec)) {
    diag::Printf("Could not delete the file \"%s\".\n", scratch.c_str());
  }
  std::unique_ptr<FileStream> out = FileStream::OpenWrite(scratch);
  if (!out) {
    diag::Write("Could not create write stream\n");
    return result;
  }
  scratch_file_ = scratch;

  const CopyResult copied = CopyAndRewrite(reader, *in, *out);
  const bool written = out->Flush() && out->Good();
  result.nulCount = copied.nulCount;
  result.replacedCount = copied.replacedCount;
  out->Close();
  in->Close();
  current_file_ = scratch;
  created_ = true;
  result.file.clear();

  if (copied.cancelled) {
    result.status = PreprocessStatus::kCancelled;
    return result;
  }
  LogDroppedCharacters(result.nulCount, result.replacedCount);
  if (!copied.readAll) {
    diag::Printf("Could not read the frame file to its end (%s)\n", frame_path_.c_str());
    result.status = PreprocessStatus::kReadFailed;
    return result;
  }
  if (!written) {
    diag::Printf("Could not write the scratch file (%s)\n", scratch.c_str());
    result.status = PreprocessStatus::kWriteFailed;
    return result;
  }
  result.status = PreprocessStatus::kRewritten;
  result.file = scratch;
  return result;
}

bool KPreprocessFrameFile::Finish() {
  if (!created_) return true;
  std::error_code ec;
  std::filesystem::remove(scratch_file_, ec);
  if (ec || std::filesystem::exists(scratch_file_, ec)) {
    diag::Write("Could not remove file\n");
    return false;
  }
  deleted_ = true;
  claim_.Release();
  return true;
}

bool KPreprocessFrameFile::ScratchClaim::Claim(const std::filesystem::path& scratch) {
  Release();
  std::filesystem::path lock = scratch;
  lock += ".lock";
  int fd = ::open(lock.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
  // Where no lock can be made the name is used as it is, as it always was.
  if (fd < 0) return true;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  lock_ = std::move(lock);
  return true;
}

void KPreprocessFrameFile::ScratchClaim::Release() {
  if (fd_ < 0) return;
  std::error_code ec;
  std::filesystem::remove(lock_, ec);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace tarvelin
