#include "studio_document.h"

#include "host/documents/document.h"
#include "layout/layout_service_qt.h"

namespace tarvelin::studio {

StudioDocument::StudioDocument(Document& doc, QtLayoutService& layout, QObject* parent)
    : QObject(parent), doc_(doc), layout_(layout) {
  observer_ = doc_.DataBase().AddObserver([this](const ChangeSet& c) { OnChange(c); });
  if (!layout_.State(doc_)) stale_ = true;
}

StudioDocument::~StudioDocument() {
  doc_.DataBase().RemoveObserver(observer_);
}

const CompositionState* StudioDocument::State() {
  if (stale_ && !doc_.DataBase().Commands().InStep()) {
    stale_ = false;
    layout_.Compose(doc_);
  }
  return layout_.State(doc_);
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
