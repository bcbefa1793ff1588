// The command line's answers to what the engine asks of a user: the missing-data alert by
// policy (or a prompt on a terminal), the file chooser by the path given on the command
// line, progress as a bar on stderr when stderr is a terminal, and Ctrl-C as the cancel of
// every progress bar.
#pragma once

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>

#include "cli_app.h"
#include "core/alert.h"
#include "host/application/ui_services.h"

namespace tarvelin::cli {

enum class MissingPolicy { kAsk, kContinue, kQuiet, kStop };

// "continue", "quiet", "stop"; nullopt for anything else.
std::optional<MissingPolicy> ParseMissingPolicy(const std::string& word);
// --on-missing, for the definitions of the commands that run the engine.
OptionDef MissingOption();

class BatchAlerts final : public AlertService {
 public:
  // kAsk falls back to kContinue when standard input is not a terminal.
  explicit BatchAlerts(MissingPolicy policy);
  void Information(const std::u16string& text) override;
  AlertAnswer ThreeButtons(const std::u16string& title, const std::u16string& text) override;
  int Shown() const { return shown_; }

 private:
  MissingPolicy policy_;
  int shown_ = 0;
};

class BatchChooser final : public FileChooser {
 public:
  explicit BatchChooser(std::optional<std::filesystem::path> file) : file_(std::move(file)) {}
  std::optional<std::filesystem::path> ChooseFileToOpen(
      const std::u16string& title, const std::vector<FileFilter>& filters) override;
  std::optional<std::filesystem::path> ChooseFolder(const std::u16string& title,
                                                    const std::filesystem::path& start) override;

 private:
  std::optional<std::filesystem::path> file_;
};

// Installs a SIGINT handler for its lifetime: the first Ctrl-C asks every progress bar to
// cancel (the engine stops at its next poll); a second one ends the process at once.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
  static bool Interrupted();
};

class TerminalProgressFactory final : public ProgressFactory {
 public:
  // Draws only when `draw` (stderr is a terminal and the user did not ask for quiet).
  explicit TerminalProgressFactory(bool draw) : draw_(draw) {}
  std::unique_ptr<Progress> CreateTaskProgress(const std::u16string& title, int tasks,
                                               bool cancellable) override;

 private:
  bool draw_;
};

bool StderrIsTerminal();

}  // namespace tarvelin::cli
