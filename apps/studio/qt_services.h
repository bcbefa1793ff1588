// The interactive answers to what the host and the plug-ins ask of a user: message boxes
// for alerts, Qt's file dialogs for the choosers (exactly the filters asked for, opening
// where the user chose last), a modal progress window with the task text, nested bars and
// Cancel, and a window that shows a text such as the import log.
#pragma once

#include <QDialog>
#include <QPointer>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/alert.h"
#include "host/application/services.h"
#include "host/application/ui_services.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace tarvelin::studio {

class MessageBoxAlerts final : public AlertService {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }
  // Three-button alerts take this answer without being shown (--on-missing); nullopt
  // asks again.
  void SetStandingAnswer(std::optional<AlertAnswer> answer) { standing_ = answer; }
  void Information(const std::u16string& text) override;
  AlertAnswer ThreeButtons(const std::u16string& title, const std::u16string& text) override;

 private:
  QPointer<QWidget> parent_;
  std::optional<AlertAnswer> standing_;
};

class DialogChooser final : public FileChooser {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }
  // The next file request is answered with this file instead of a dialog (a frame file
  // dropped on the window or named on the command line).
  void AnswerNext(std::filesystem::path file) { next_ = std::move(file); }
  void ForgetAnswer() { next_.reset(); }

  std::optional<std::filesystem::path> ChooseFileToOpen(
      const std::u16string& title, const std::vector<FileFilter>& filters) override;
  std::optional<std::filesystem::path> ChooseFolder(const std::u16string& title,
                                                    const std::filesystem::path& start) override;

 private:
  QPointer<QWidget> parent_;
  std::optional<std::filesystem::path> next_;
};

// The window of one task progress: the task's text, a bar over its phases, one bar per
// open range bar (innermost last) and Cancel. Events are processed while it is shown, at
// most every few milliseconds, so Cancel answers during work on the GUI thread.
class ProgressWindow final : public QDialog {
  Q_OBJECT
 public:
  ProgressWindow(QWidget* parent, const QString& title, int tasks, bool cancellable);
  void BeginTask(const QString& text);
  int AddBar(const QString& title, int64_t min, int64_t max);
  void SetBar(int bar, int64_t position);
  void SetBarTitle(int bar, const QString& title);
  void RemoveBar(int bar);
  bool Cancelled() const { return cancelled_; }
  // Processes pending events when enough time has passed since the last time.
  void Pump(bool force = false);

 protected:
  void reject() override;

 private:
  struct Bar {
    int id = 0;
    int64_t min = 0, max = 0;
    QLabel* label = nullptr;
    QProgressBar* bar = nullptr;
  };
  Bar* Find(int id);

  QLabel* task_ = nullptr;
  QProgressBar* tasks_ = nullptr;
  QVBoxLayout* bars_ = nullptr;
  QPushButton* cancel_ = nullptr;
  std::vector<Bar> open_;
  int next_id_ = 1;
  int tasks_done_ = 0;
  bool cancelled_ = false;
  qint64 last_pump_ = 0;
};

class ProgressWindowFactory final : public ProgressFactory {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }
  std::unique_ptr<Progress> CreateTaskProgress(const std::u16string& title, int tasks,
                                               bool cancellable) override;
  // The window of the task progress now shown, or null.
  ProgressWindow* Current() const { return current_; }

 private:
  friend class WindowProgress;
  QPointer<QWidget> parent_;
  QPointer<ProgressWindow> current_;
};

}  // namespace tarvelin::studio
