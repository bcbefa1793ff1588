// One document open in the studio: the host's Document (owned by the active context), its
// composition, whether it differs from its file, and the notices the views follow.
//
// Whether the document is modified is known from the undo history: every committed step
// gets a number, undo and redo move between them, and the document is unmodified while
// the current step is the one it was saved (or opened) at.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <vector>

#include "host/objects/change_notice.h"
#include "host/persistence/document_file.h"

namespace tarvelin {
class CompositionState;
class Document;
struct PageRef;
class QtLayoutService;
}  // namespace tarvelin

namespace tarvelin::studio {

class StudioDocument final : public QObject {
  Q_OBJECT
 public:
  StudioDocument(Document& doc, QtLayoutService& layout, QObject* parent = nullptr);
  ~StudioDocument() override;

  Document& Doc() const { return doc_; }
  // The whole composition, brought up to date first when the document changed since.
  const CompositionState* State();
  // The composition as far as drawing the page needs it: a long document shows its first
  // page without waiting for the rest, which is composed while the studio is idle.
  const CompositionState* StateForPage(const PageRef& page);
  // Whether composition is still going on in the background.
  bool Composing() const;
  QtLayoutService& Layout() const { return layout_; }

  bool IsModified() const { return current() != saved_; }
  // Counts as unsaved even when unchanged: a document made from a template or a frame file.
  void MarkNew() { saved_ = kNeverSaved; }
  bool HasFile() const;
  QString DisplayName() const;

  // The step about to end was composed by whoever ran it (an action the studio composes
  // inside its sequence): its notice does not compose again. Cleared by the next notice
  // or by ExpectComposedStep(false).
  void ExpectComposedStep(bool expect) { composedStep_ = expect; }

  // Saves through the host's atomic save; on failure the document stays modified and
  // the message says why.
  FileResult Save(const std::filesystem::path& file);

 signals:
  // After a change, an undo or a redo; the composition is already refreshed.
  void Changed();
  void ModifiedChanged(bool modified);
  // The background composition has finished: markers that need the whole of it (overset)
  // can be drawn.
  void Composed();

 private:
  uint64_t current() const { return done_.empty() ? 0 : done_.back(); }
  void OnChange(const ChangeSet& changes);
  void ComposeInBackground();

  static constexpr uint64_t kNeverSaved = ~uint64_t{0};
  Document& doc_;
  QtLayoutService& layout_;
  ObserverId observer_ = 0;
  std::vector<uint64_t> done_;    // the numbers of the steps on the undo stack
  std::vector<uint64_t> undone_;  // and of those on the redo stack
  uint64_t next_step_ = 1;
  uint64_t saved_ = 0;
  bool stale_ = false;
  bool composedStep_ = false;
  QTimer background_;
};

}  // namespace tarvelin::studio
