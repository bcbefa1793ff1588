// Progress and cancel, as the host offers them to long operations. A task announces a
// phase; a range bar inside it tracks a position and reports whether the user asked to
// cancel. Front ends implement Progress: the studio with a dialog, the CLI with a bar on
// stderr (or nothing), tests with a fake that cancels on cue.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tarvelin {

class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  // Cheap to call per character: implementations throttle their own redraws.
  virtual void SetPosition(int64_t position) = 0;
  virtual void SetTitle(const std::u16string& title) = 0;
  virtual bool WasCancelled() const = 0;
};

class Progress {
 public:
  virtual ~Progress() = default;
  // A phase of the work; the title is already translated.
  virtual void DoTask(const std::u16string& title, int weight) = 0;
  virtual std::unique_ptr<ProgressBar> CreateRangeBar(const std::u16string& title, int64_t min,
                                                      int64_t max) = 0;
  virtual bool WasCancelled() const = 0;
};

// Shows nothing and never cancels.
class SilentProgress final : public Progress {
 public:
  void DoTask(const std::u16string&, int) override {}
  std::unique_ptr<ProgressBar> CreateRangeBar(const std::u16string&, int64_t, int64_t) override;
  bool WasCancelled() const override { return false; }
};

}  // namespace tarvelin
