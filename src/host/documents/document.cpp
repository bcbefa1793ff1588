#include "host/documents/document.h"

#include <cmath>
#include <unordered_map>

#include "core/diagnostics.h"
#include "core/stream.h"
#include "host/objects/function_undo_record.h"
#include "host/documents/page_item.h"
#include "host/documents/spread.h"
#include "host/objects/class_registry.h"
#include "host/persistence/document_persist.h"

namespace tarvelin {

namespace {

bool XferEntry(Stream& s, StoryEntry& e) {
  return s.XferInt32(e.story) && s.XferInt32(e.firstFrame);
}

}  // namespace

// ---------------------------------------------------------------- IDocument

class DocumentImpl final : public IDocument, public PersistentImpl {
 public:
  const std::u16string& Name() const override { return name_; }
  void SetName(std::u16string name) override {
    PreDirty();
    name_ = std::move(name);
  }
  const PageSetup& GetPageSetup() const override { return setup_; }
  void SetPageSetup(const PageSetup& setup) override {
    PreDirty();
    setup_ = setup;
  }
  const std::vector<UID>& Layers() const override { return layers_; }
  void SetLayers(std::vector<UID> layers) override {
    PreDirty();
    layers_ = std::move(layers);
  }
  const std::vector<UID>& Spreads() const override { return spreads_; }
  void SetSpreads(std::vector<UID> spreads) override {
    PreDirty();
    spreads_ = std::move(spreads);
  }
  const std::vector<UID>& ObjectStyles() const override { return styles_; }
  void SetObjectStyles(std::vector<UID> styles) override {
    PreDirty();
    styles_ = std::move(styles);
  }
  const TextWorkspace& TextWorkspaceRefs() const override { return text_; }
  void SetTextWorkspaceRefs(const TextWorkspace& refs) override {
    PreDirty();
    text_ = refs;
  }

  void ReadWrite(Stream& s, ImplementationID) override {
    uint16_t version = 1;
    s.XferInt16(version);
    s.XferText(name_);
    persist::XferDouble(s, setup_.width);
    persist::XferDouble(s, setup_.height);
    persist::XferInsets(s, setup_.margins);
    s.XferInt32(setup_.columns);
    persist::XferDouble(s, setup_.gutter);
    persist::XferUIDs(s, layers_);
    persist::XferUIDs(s, spreads_);
    persist::XferUIDs(s, styles_);
    XferTextWorkspace(s, text_);
  }

 private:
  std::u16string name_;
  PageSetup setup_;
  std::vector<UID> layers_, spreads_, styles_;
  TextWorkspace text_;
};

// ---------------------------------------------------------------- IStoryList

class StoryListImpl final : public IStoryList, public PersistentImpl {
 public:
  const std::vector<StoryEntry>& Entries() const override { return entries_; }

  size_t Find(UID story) const override {
    if (index_dirty_) {
      index_.clear();
      index_.reserve(entries_.size());
      for (size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].story, i);
      index_dirty_ = false;
    }
    auto it = index_.find(story);
    return it == index_.end() ? npos : it->second;
  }

  void Add(UID story, UID firstFrame) override {
    if (Find(story) != npos) {
      SetFirstFrame(story, firstFrame);
      return;
    }
    StoryEntry e{story, firstFrame};
    RawInsert(entries_.size(), e);
    size_t at = entries_.size() - 1;
    Record([at](StoryListImpl& l) { l.RawErase(at); },
           [at, e](StoryListImpl& l) { l.RawInsert(at, e); });
  }

  void SetFirstFrame(UID story, UID firstFrame) override {
    size_t i = Find(story);
    if (i == npos || entries_[i].firstFrame == firstFrame) return;
    UID before = entries_[i].firstFrame;
    entries_[i].firstFrame = firstFrame;
    Record([i, before](StoryListImpl& l) { l.entries_[i].firstFrame = before; },
           [i, firstFrame](StoryListImpl& l) { l.entries_[i].firstFrame = firstFrame; });
  }

  void Remove(UID story) override {
    size_t i = Find(story);
    if (i == npos) return;
    StoryEntry e = entries_[i];
    RawErase(i);
    Record([i, e](StoryListImpl& l) { l.RawInsert(i, e); },
           [i](StoryListImpl& l) { l.RawErase(i); });
  }

  void ReadWrite(Stream& s, ImplementationID) override {
    uint16_t version = 1;
    s.XferInt16(version);
    persist::XferList<StoryEntry>(s, entries_, XferEntry);
    if (s.IsReading()) index_dirty_ = true;
  }

 private:
  void RawInsert(size_t at, const StoryEntry& e) {
    entries_.insert(entries_.begin() + static_cast<ptrdiff_t>(at), e);
    if (at + 1 == entries_.size() && !index_dirty_)
      index_.emplace(e.story, at);
    else
      index_dirty_ = true;
  }
  void RawErase(size_t at) {
    const UID gone = entries_[at].story;
    entries_.erase(entries_.begin() + static_cast<ptrdiff_t>(at));
    if (index_dirty_) return;
    // Stories mostly go from the end (a frame's story replaced by a picture, or joined to
    // a thread): renumbering the entries behind keeps the index instead of rebuilding it.
    index_.erase(gone);
    for (size_t i = at; i < entries_.size(); ++i) index_[entries_[i].story] = i;
  }

  template <typename UndoFn, typename RedoFn>
  void Record(UndoFn undo, RedoFn redo) {
    RecordImplEdit(*this, IStoryList::kIID, std::move(undo), std::move(redo));
  }

  std::vector<StoryEntry> entries_;
  mutable std::unordered_map<UID, size_t> index_;
  mutable bool index_dirty_ = false;
};

void RegisterDocumentRootImpls(ClassRegistry& registry) {
  registry.RegisterImplementation<DocumentImpl>(kDocumentImpl, "DocumentImpl");
  registry.RegisterImplementation<StoryListImpl>(kStoryListImpl, "StoryListImpl");
}

// ---------------------------------------------------------------- Document

std::string ValidatePageSetup(const PageSetup& s) {
  auto finite = [](double v) { return std::isfinite(v); };
  if (!finite(s.width) || !finite(s.height) || s.width <= 0 || s.height <= 0)
    return "the page size must be positive";
  if (s.width > kMaxPageSide || s.height > kMaxPageSide)
    return "the page size may not exceed 15552 pt (216 in)";
  if (!s.margins.IsValid() || s.margins.left < 0 || s.margins.top < 0 || s.margins.right < 0 ||
      s.margins.bottom < 0)
    return "margins must be zero or positive";
  if (s.margins.left + s.margins.right >= s.width || s.margins.top + s.margins.bottom >= s.height)
    return "the margins leave no room on the page";
  if (s.columns < 1 || s.columns > ITextFrame::kMaxColumns)
    return "the column count must be 1 to 64";
  if (!finite(s.gutter) || s.gutter < 0) return "the gutter must be zero or positive";
  double text_width = s.width - s.margins.left - s.margins.right;
  if (text_width - (s.columns - 1) * s.gutter <= 0) return "the gutters leave the columns no width";
  return {};
}

Document::Document(std::unique_ptr<Database> db, UID root) : db_(std::move(db)), root_(root) {
  db_->Commands().SetStepHooks([this] { selection_.HoldNotices(); },
                               [this] { selection_.ReleaseNotices(); });
}
Document::~Document() = default;

std::unique_ptr<Document> Document::Create(std::shared_ptr<const ClassRegistry> registry,
                                           const PageSetup& setup, std::u16string name) {
  if (std::string why = ValidatePageSetup(setup); !why.empty()) {
    diag::Printf("Document::Create: %s\n", why.c_str());
    return nullptr;
  }
  auto db = std::make_unique<Database>(std::move(registry));
  UIDRef root = db->CreateObject(kDocumentClass);
  UIDRef layer = db->CreateObject(kLayerClass);
  if (!root || !layer) return nullptr;
  auto data = db->Query<IDocument>(root.GetUID());
  auto layer_data = db->Query<ILayer>(layer.GetUID());
  if (!data || !layer_data || !db->Query<IStoryList>(root.GetUID())) return nullptr;
  data->SetName(std::move(name));
  data->SetPageSetup(setup);
  data->SetLayers({layer.GetUID()});
  layer_data->Set(u"Layer 1", true, false);
  TextWorkspace refs = CreateTextWorkspace(*db);
  if (!refs.IsValid()) {
    diag::Write("Document::Create: the text workspace could not be made\n");
    return nullptr;
  }
  data->SetTextWorkspaceRefs(refs);
  std::unique_ptr<Document> doc(new Document(std::move(db), root.GetUID()));
  if (CreateSpread(*doc, 1) != kSuccess) return nullptr;
  // The first spread is part of the blank document, not an undoable change.
  doc->DataBase().Commands().ClearHistory();
  return doc;
}

std::unique_ptr<Document> Document::Adopt(std::unique_ptr<Database> db) {
  if (!db) return nullptr;
  UID root = DocumentRootOf(*db);
  if (root == kInvalidUID) return nullptr;
  return std::unique_ptr<Document>(new Document(std::move(db), root));
}

std::shared_ptr<IDocument> Document::Data() const {
  return db_->Query<IDocument>(root_);
}
std::shared_ptr<IStoryList> Document::Stories() const {
  return db_->Query<IStoryList>(root_);
}

TextWorkspace Document::TextWorkspaceRefs() const {
  auto data = Data();
  return data ? data->TextWorkspaceRefs() : TextWorkspace{};
}

UIDRef Document::DefaultSpreadLayer() const {
  auto data = Data();
  if (!data || data->Spreads().empty()) return UIDRef::Null();
  auto spread = db_->Query<ISpread>(data->Spreads().front());
  if (!spread || spread->SpreadLayers().empty()) return UIDRef::Null();
  return {db_.get(), spread->SpreadLayers().front()};
}

UID DocumentRootOf(const Database& db) {
  // Documents are built root first, so the root is UID 1; a scan covers anything else.
  if (auto o = db.Instantiate(1); o && o->Class() == kDocumentClass) return 1;
  UID found = kInvalidUID;
  db.ForEachObject([&](const Object& o) {
    if (found == kInvalidUID && o.Class() == kDocumentClass) found = o.GetUID();
  });
  return found;
}

}  // namespace tarvelin
