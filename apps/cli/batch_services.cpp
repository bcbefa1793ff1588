#include "batch_services.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>

#include "core/utf16.h"

namespace tarvelin::cli {

namespace {

std::atomic<int> g_interrupts{0};

extern "C" void OnInterrupt(int) {
  if (g_interrupts.fetch_add(1) >= 1) _exit(3);
}

// One line on stderr, redrawn in place at most ten times a second.
class TerminalBar final : public ProgressBar {
 public:
  TerminalBar(std::u16string title, int64_t min, int64_t max, bool draw)
      : title_(ToUtf8(title)), min_(min), max_(max), draw_(draw) {}
  ~TerminalBar() override {
    if (drawn_) std::fputs("\r\033[K", stderr);
  }
  void SetPosition(int64_t position) override {
    if (!draw_) return;
    auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    drawn_ = true;
    double span = static_cast<double>(max_ - min_);
    int percent = span > 0 ? static_cast<int>(100.0 * (position - min_) / span) : 100;
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    int filled = percent * 30 / 100;
    std::fprintf(stderr, "\r\033[K%s [%.*s%.*s] %3d%%", title_.c_str(), filled,
                 "##############################", 30 - filled, "                              ",
                 percent);
    std::fflush(stderr);
  }
  void SetTitle(const std::u16string& title) override { title_ = ToUtf8(title); }
  bool WasCancelled() const override { return InterruptGuard::Interrupted(); }

 private:
  std::string title_;
  int64_t min_, max_;
  bool draw_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};

class TerminalProgress final : public Progress {
 public:
  TerminalProgress(bool draw, bool cancellable) : draw_(draw), cancellable_(cancellable) {}
  void DoTask(const std::u16string&, int) override {}
  std::unique_ptr<ProgressBar> CreateRangeBar(const std::u16string& title, int64_t min,
                                              int64_t max) override {
    return std::make_unique<TerminalBar>(title, min, max, draw_);
  }
  bool WasCancelled() const override { return cancellable_ && InterruptGuard::Interrupted(); }

 private:
  bool draw_;
  bool cancellable_;
};

}  // namespace

std::optional<MissingPolicy> ParseMissingPolicy(const std::string& word) {
  if (word == "continue") return MissingPolicy::kContinue;
  if (word == "quiet") return MissingPolicy::kQuiet;
  if (word == "stop") return MissingPolicy::kStop;
  return std::nullopt;
}

OptionDef MissingOption() {
  return {{"on-missing"},
          "POLICY",
          "what to do when data is missing (a picture not found): continue and log it, log "
          "it without asking again, or stop and cancel the run; default: ask on a terminal, "
          "else continue",
          {"continue", "quiet", "stop"}};
}

BatchAlerts::BatchAlerts(MissingPolicy policy) : policy_(policy) {
  if (policy_ == MissingPolicy::kAsk && !::isatty(STDIN_FILENO)) policy_ = MissingPolicy::kContinue;
}

void BatchAlerts::Information(const std::u16string& text) {
  std::fprintf(stderr, "tarvelin: %s\n", ToUtf8(text).c_str());
}

AlertAnswer BatchAlerts::ThreeButtons(const std::u16string& title, const std::u16string& text) {
  ++shown_;
  switch (policy_) {
    case MissingPolicy::kContinue:
      return AlertAnswer::kContinue;
    case MissingPolicy::kQuiet:
      return AlertAnswer::kTryAgain;
    case MissingPolicy::kStop:
      return AlertAnswer::kCancel;
    case MissingPolicy::kAsk:
      break;
  }
  std::fprintf(stderr, "\n%s: %s\n[c]ontinue, [t]ry again (no more such questions), [s]top? ",
               ToUtf8(title).c_str(), ToUtf8(text).c_str());
  std::fflush(stderr);
  std::string answer;
  if (!std::getline(std::cin, answer)) return AlertAnswer::kContinue;
  if (!answer.empty() && (answer[0] == 't' || answer[0] == 'T')) return AlertAnswer::kTryAgain;
  if (!answer.empty() && (answer[0] == 's' || answer[0] == 'S')) return AlertAnswer::kCancel;
  return AlertAnswer::kContinue;
}

std::optional<std::filesystem::path> BatchChooser::ChooseFileToOpen(
    const std::u16string&, const std::vector<FileFilter>&) {
  return file_;
}

std::optional<std::filesystem::path> BatchChooser::ChooseFolder(const std::u16string&,
                                                                const std::filesystem::path&) {
  return std::nullopt;
}

InterruptGuard::InterruptGuard() {
  g_interrupts = 0;
  std::signal(SIGINT, OnInterrupt);
}

InterruptGuard::~InterruptGuard() {
  std::signal(SIGINT, SIG_DFL);
}

bool InterruptGuard::Interrupted() {
  return g_interrupts.load() > 0;
}

std::unique_ptr<Progress> TerminalProgressFactory::CreateTaskProgress(const std::u16string&, int,
                                                                      bool cancellable) {
  return std::make_unique<TerminalProgress>(draw_, cancellable);
}

bool StderrIsTerminal() {
  return ::isatty(STDERR_FILENO) != 0;
}

}  // namespace tarvelin::cli
