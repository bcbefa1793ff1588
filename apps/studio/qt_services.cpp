#include "qt_services.h"

#include <QApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>
#include <algorithm>

#include "core/string_table.h"

namespace tarvelin::studio {

namespace {

QString Q(const std::u16string& text) {
  return QString::fromStdU16String(text);
}

std::filesystem::path ToPath(const QString& file) {
  return std::filesystem::path(file.toStdString());
}

// A progress bar has int range; long ranges are scaled down to it.
int Scaled(int64_t value, int64_t min, int64_t max) {
  if (max <= min) return 0;
  constexpr int64_t kSteps = 10000;
  return static_cast<int>((std::clamp(value, min, max) - min) * kSteps / (max - min));
}

constexpr qint64 kPumpEveryMs = 30;

}  // namespace

// ---------------------------------------------------------------- alerts

void MessageBoxAlerts::Information(const std::u16string& text) {
  QMessageBox::information(parent_, QApplication::applicationDisplayName(), Q(text));
}

AlertAnswer MessageBoxAlerts::ThreeButtons(const std::u16string& title,
                                           const std::u16string& text) {
  if (standing_) return *standing_;
  QMessageBox box(QMessageBox::Warning, Q(title), Q(text), QMessageBox::NoButton, parent_);
  // One role for all three keeps them in the system box's order: Cancel, Try Again,
  // Continue. Try Again silences the alert for the rest of the run.
  QPushButton* cancel = box.addButton(QObject::tr("Cancel"), QMessageBox::ActionRole);
  QPushButton* again = box.addButton(QObject::tr("Try Again"), QMessageBox::ActionRole);
  QPushButton* go = box.addButton(QObject::tr("Continue"), QMessageBox::ActionRole);
  again->setToolTip(Q(Translate("0x113380kVorrinDontDisplayAgain")));
  box.setDefaultButton(go);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == again) return AlertAnswer::kTryAgain;
  if (box.clickedButton() == cancel) return AlertAnswer::kCancel;
  return AlertAnswer::kContinue;
}

// ---------------------------------------------------------------- choosers

namespace {

// The host's and the plug-ins' chooser texts, in the interface language.
QString Translated(const std::u16string& text) {
  return QCoreApplication::translate("QObject", Q(text).toUtf8().constData());
}

QString FilterText(const FileFilter& f) {
  const QString pattern = f.extension == kAnyExtension ? QStringLiteral("*")
                                                       : "*." + QString::fromStdString(f.extension);
  return QStringLiteral("%1 (%2)").arg(Translated(f.description), pattern);
}

// Where each kind of chooser opened last: the folder of the last file chosen, and the last
// folder chosen.
constexpr const char* kLastFileFolder = "choosers/lastFileFolder";
constexpr const char* kLastFolder = "choosers/lastFolder";

QString Remembered(const char* key) {
  const QString folder = QSettings().value(key).toString();
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

}  // namespace

std::optional<std::filesystem::path> DialogChooser::ChooseFileToOpen(
    const std::u16string& title, const std::vector<FileFilter>& filters) {
  if (next_) {
    auto answer = std::move(next_);
    next_.reset();
    return answer;
  }
  QStringList patterns;
  for (const auto& f : filters) patterns << FilterText(f);
  const QString file = QFileDialog::getOpenFileName(
      parent_, Translated(title), Remembered(kLastFileFolder), patterns.join(";;"));
  if (file.isEmpty()) return std::nullopt;
  QSettings().setValue(kLastFileFolder, QFileInfo(file).absolutePath());
  return ToPath(file);
}

std::optional<std::filesystem::path> DialogChooser::ChooseFolder(
    const std::u16string& title, const std::filesystem::path& start) {
  QString from = QString::fromStdString(start.string());
  if (from.isEmpty() || !QFileInfo(from).isDir()) from = Remembered(kLastFolder);
  const QString folder = QFileDialog::getExistingDirectory(parent_, Translated(title), from);
  if (folder.isEmpty()) return std::nullopt;
  QSettings().setValue(kLastFolder, folder);
  return ToPath(folder);
}

// ---------------------------------------------------------------- progress

ProgressWindow::ProgressWindow(QWidget* parent, const QString& title, int tasks, bool cancellable)
    : QDialog(parent) {
  setObjectName("progressWindow");
  setWindowTitle(title);
  setWindowModality(Qt::ApplicationModal);
  setMinimumWidth(420);
  auto* layout = new QVBoxLayout(this);
  task_ = new QLabel(title, this);
  tasks_ = new QProgressBar(this);
  tasks_->setRange(0, std::max(tasks, 1));
  tasks_->setValue(0);
  bars_ = new QVBoxLayout();
  layout->addWidget(task_);
  layout->addWidget(tasks_);
  layout->addLayout(bars_);
  auto* buttons = new QDialogButtonBox(this);
  cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
  cancel_->setEnabled(cancellable);
  connect(cancel_, &QPushButton::clicked, this, [this] { cancelled_ = true; });
  layout->addWidget(buttons);
}

void ProgressWindow::reject() {
  // Escape and the close button count as Cancel only when Cancel is offered; the window
  // stays until the work ends either way.
  if (cancel_->isEnabled()) cancelled_ = true;
}

void ProgressWindow::BeginTask(const QString& text) {
  tasks_->setValue(std::min(tasks_done_++, tasks_->maximum()));
  task_->setText(text);
  Pump(true);
}

int ProgressWindow::AddBar(const QString& title, int64_t min, int64_t max) {
  Bar b;
  b.id = next_id_++;
  b.min = min;
  b.max = max;
  b.label = new QLabel(title, this);
  b.bar = new QProgressBar(this);
  b.bar->setRange(0, max > min ? 10000 : 0);
  bars_->addWidget(b.label);
  bars_->addWidget(b.bar);
  open_.push_back(b);
  Pump(true);
  return b.id;
}

ProgressWindow::Bar* ProgressWindow::Find(int id) {
  auto it = std::find_if(open_.begin(), open_.end(), [id](const Bar& b) { return b.id == id; });
  return it == open_.end() ? nullptr : &*it;
}

void ProgressWindow::SetBar(int bar, int64_t position) {
  if (Bar* b = Find(bar)) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - last_pump_ < kPumpEveryMs) return;
    b->bar->setValue(Scaled(position, b->min, b->max));
    Pump();
  }
}

void ProgressWindow::SetBarTitle(int bar, const QString& title) {
  if (Bar* b = Find(bar)) b->label->setText(title);
}

void ProgressWindow::RemoveBar(int bar) {
  auto it = std::find_if(open_.begin(), open_.end(), [bar](const Bar& b) { return b.id == bar; });
  if (it == open_.end()) return;
  delete it->label;
  delete it->bar;
  open_.erase(it);
}

void ProgressWindow::Pump(bool force) {
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (!force && now - last_pump_ < kPumpEveryMs) return;
  last_pump_ = now;
  QApplication::processEvents();
}

class WindowRangeBar final : public ProgressBar {
 public:
  WindowRangeBar(ProgressWindow* window, int id) : window_(window), id_(id) {}
  ~WindowRangeBar() override {
    if (window_) window_->RemoveBar(id_);
  }
  void SetPosition(int64_t position) override {
    if (window_) window_->SetBar(id_, position);
  }
  void SetTitle(const std::u16string& title) override {
    if (window_) window_->SetBarTitle(id_, Q(title));
  }
  bool WasCancelled() const override { return window_ && window_->Cancelled(); }

 private:
  QPointer<ProgressWindow> window_;
  int id_;
};

class WindowProgress final : public Progress {
 public:
  WindowProgress(ProgressWindowFactory& factory, const QString& title, int tasks, bool cancellable)
      : factory_(factory), previous_(factory.current_) {
    window_ = new ProgressWindow(factory.parent_, title, tasks, cancellable);
    window_->show();
    window_->Pump(true);
    factory_.current_ = window_;
  }
  ~WindowProgress() override {
    factory_.current_ = previous_;
    delete window_.data();
  }
  void DoTask(const std::u16string& title, int) override {
    if (window_) window_->BeginTask(Q(title));
  }
  std::unique_ptr<ProgressBar> CreateRangeBar(const std::u16string& title, int64_t min,
                                              int64_t max) override {
    int id = window_ ? window_->AddBar(Q(title), min, max) : 0;
    return std::make_unique<WindowRangeBar>(window_, id);
  }
  bool WasCancelled() const override { return window_ && window_->Cancelled(); }

 private:
  ProgressWindowFactory& factory_;
  QPointer<ProgressWindow> previous_;
  QPointer<ProgressWindow> window_;
};

std::unique_ptr<Progress> ProgressWindowFactory::CreateTaskProgress(const std::u16string& title,
                                                                    int tasks, bool cancellable) {
  return std::make_unique<WindowProgress>(*this, Q(title), tasks, cancellable);
}

}  // namespace tarvelin::studio
