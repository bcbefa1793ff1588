#include "studio_document.h"

#include "host/documents/document.h"
#include "host/objects/command_processor.h"
#include "layout/layout_service_qt.h"

namespace tarvelin::studio {

StudioDocument::StudioDocument(Document& doc, QtLayoutService& layout, QObject* parent)
    : QObject(parent), doc_(doc), layout_(layout) {
  observer_ = doc_.DataBase().AddObserver([this](const ChangeSet& c) { OnChange(c); });
  if (!layout_.State(doc_)) stale_ = true;
  background_.setSingleShot(true);
  background_.setInterval(0);
  connect(&background_, &QTimer::timeout, this, &StudioDocument::ComposeInBackground);
}

StudioDocument::~StudioDocument() {
  doc_.DataBase().RemoveObserver(observer_);
}

const CompositionState* StudioDocument::State() {
  if (!doc_.DataBase().Commands().InStep()) {
    if (stale_) {
      stale_ = false;
      layout_.Compose(doc_);
    }
    if (layout_.Composing(doc_)) {
      while (!layout_.ComposeMore(doc_, std::chrono::seconds(1))) {
      }
      emit Composed();
    }
  }
  return layout_.State(doc_);
}

const CompositionState* StudioDocument::StateForPage(const PageRef& page) {
  if (!doc_.DataBase().Commands().InStep()) {
    if (stale_) {
      stale_ = false;
      layout_.StartComposing(doc_);
      background_.start();
    }
    layout_.ComposePage(doc_, page);
  }
  return layout_.State(doc_);
}

bool StudioDocument::Composing() const {
  return layout_.Composing(doc_);
}

void StudioDocument::ComposeInBackground() {
  // Slices short enough that scrolling and typing go on between them.
  constexpr auto kSlice = std::chrono::milliseconds(12);
  if (stale_ || !layout_.Composing(doc_)) return;  // the next reader starts again
  if (doc_.DataBase().Commands().InStep() || !layout_.ComposeMore(doc_, kSlice)) {
    background_.start();
    return;
  }
  emit Composed();
}

bool StudioDocument::HasFile() const {
  return !doc_.File().empty();
}

QString StudioDocument::DisplayName() const {
  if (HasFile()) return QString::fromStdString(doc_.File().filename().string());
  auto data = doc_.Data();
  return data ? QString::fromStdU16String(data->Name()) : tr("Untitled");
}

FileResult StudioDocument::Save(const std::filesystem::path& file) {
  FileResult result = SaveDocument(doc_, file);
  if (result.Ok()) {
    const bool was = IsModified();
    saved_ = current();
    if (was) emit ModifiedChanged(false);
  }
  return result;
}

void StudioDocument::OnChange(const ChangeSet& changes) {
  const bool was = IsModified();
  switch (changes.origin) {
    case ChangeSet::Origin::kDo:
      done_.push_back(next_step_++);
      undone_.clear();
      break;
    case ChangeSet::Origin::kUndo:
      if (!done_.empty()) {
        undone_.push_back(done_.back());
        done_.pop_back();
      }
      break;
    case ChangeSet::Origin::kRedo:
      if (!undone_.empty()) {
        done_.push_back(undone_.back());
        undone_.pop_back();
      }
      break;
  }
  // Composing here would run inside the notice; the next reader composes instead.
  if (!composedStep_ || changes.origin != ChangeSet::Origin::kDo) stale_ = true;
  composedStep_ = false;
  emit Changed();
  if (was != IsModified()) emit ModifiedChanged(IsModified());
}

}  // namespace tarvelin::studio
