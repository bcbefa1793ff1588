#include "host/documents/spread.h"

#include <algorithm>
#include <cmath>

#include "core/stream.h"
#include "host/documents/document.h"
#include "host/documents/document_commands.h"
#include "host/objects/class_registry.h"
#include "host/objects/command.h"
#include "host/objects/command_processor.h"
#include "host/objects/function_undo_record.h"
#include "host/persistence/document_persist.h"

namespace tarvelin {

namespace {

bool XferPage(Stream& s, Page& p) {
  return persist::XferRect(s, p.bounds) && persist::XferInsets(s, p.margins) &&
         s.XferInt32(p.columns) && persist::XferDouble(s, p.gutter);
}

class SpreadImpl final : public ISpread, public PersistentImpl {
 public:
  const std::vector<Page>& Pages() const override { return pages_; }
  void SetPages(std::vector<Page> pages) override {
    PreDirty();
    pages_ = std::move(pages);
  }
  const std::vector<UID>& SpreadLayers() const override { return layers_; }
  void SetSpreadLayers(std::vector<UID> layers) override {
    PreDirty();
    layers_ = std::move(layers);
  }
  void ReadWrite(Stream& s, ImplementationID) override {
    uint16_t version = 1;
    s.XferInt16(version);
    persist::XferList<Page>(s, pages_, XferPage);
    persist::XferUIDs(s, layers_);
  }

 private:
  std::vector<Page> pages_;
  std::vector<UID> layers_;
};

class SpreadLayerImpl final : public ISpreadLayer, public PersistentImpl {
 public:
  UID Spread() const override { return spread_; }
  UID Layer() const override { return layer_; }
  void SetOwners(UID spread, UID layer) override {
    PreDirty();
    spread_ = spread;
    layer_ = layer;
  }
  const std::vector<UID>& Items() const override { return items_; }

  void AddItem(UID item) override {
    items_.push_back(item);
    size_t at = items_.size() - 1;
    Record([at](SpreadLayerImpl& l) { l.RawErase(at); },
           [at, item](SpreadLayerImpl& l) { l.RawInsert(at, item); });
  }

  bool RemoveItem(UID item) override {
    // Recently added items are the likeliest to go: search from the front-most.
    auto it = std::find(items_.rbegin(), items_.rend(), item);
    if (it == items_.rend()) return false;
    size_t at = static_cast<size_t>(items_.rend() - it - 1);
    RawErase(at);
    Record([at, item](SpreadLayerImpl& l) { l.RawInsert(at, item); },
           [at](SpreadLayerImpl& l) { l.RawErase(at); });
    return true;
  }

  void ReadWrite(Stream& s, ImplementationID) override {
    // The item list is edited through undo records; writing it here serves saving, and
    // reading replaces the whole state (loading, or a snapshot of the owners).
    uint16_t version = 1;
    s.XferInt16(version);
    s.XferInt32(spread_);
    s.XferInt32(layer_);
    persist::XferUIDs(s, items_);
  }

 private:
  void RawInsert(size_t at, UID item) {
    items_.insert(items_.begin() + static_cast<ptrdiff_t>(at), item);
  }
  void RawErase(size_t at) { items_.erase(items_.begin() + static_cast<ptrdiff_t>(at)); }

  template <typename UndoFn, typename RedoFn>
  void Record(UndoFn undo, RedoFn redo) {
    RecordImplEdit(*this, ISpreadLayer::kIID, std::move(undo), std::move(redo));
  }

  UID spread_ = kInvalidUID;
  UID layer_ = kInvalidUID;
  std::vector<UID> items_;
};

class LayerImpl final : public ILayer, public PersistentImpl {
 public:
  const std::u16string& Name() const override { return name_; }
  bool Visible() const override { return visible_; }
  bool Locked() const override { return locked_; }
  void Set(std::u16string name, bool visible, bool locked) override {
    PreDirty();
    name_ = std::move(name);
    visible_ = visible;
    locked_ = locked;
  }
  void ReadWrite(Stream& s, ImplementationID) override {
    uint16_t version = 1;
    s.XferInt16(version);
    s.XferText(name_);
    s.XferBool(visible_);
    s.XferBool(locked_);
  }

 private:
  std::u16string name_;
  bool visible_ = true;
  bool locked_ = false;
};

double OverlapArea(const PMRect& a, const PMRect& b) {
  double w = std::min(a.right, b.right) - std::max(a.left, b.left);
  double h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return w > 0 && h > 0 ? w * h : 0;
}

double DistanceSquared(const PMRect& r, double x, double y) {
  double dx = x < r.left ? r.left - x : (x > r.right ? x - r.right : 0);
  double dy = y < r.top ? r.top - y : (y > r.bottom ? y - r.bottom : 0);
  return dx * dx + dy * dy;
}

}  // namespace

void RegisterSpreadImpls(ClassRegistry& registry) {
  registry.RegisterImplementation<SpreadImpl>(kSpreadImpl, "SpreadImpl");
  registry.RegisterImplementation<SpreadLayerImpl>(kSpreadLayerImpl, "SpreadLayerImpl");
  registry.RegisterImplementation<LayerImpl>(kLayerImpl, "LayerImpl");
}

std::vector<PageRef> DocumentPages(const Document& doc) {
  std::vector<PageRef> pages;
  auto data = doc.Data();
  if (!data) return pages;
  int32_t index = 0;
  for (UID spread_uid : data->Spreads()) {
    auto spread = doc.DataBase().Query<ISpread>(spread_uid);
    if (!spread) continue;
    for (size_t i = 0; i < spread->Pages().size(); ++i)
      pages.push_back({spread_uid, static_cast<int32_t>(i), index++, spread->Pages()[i]});
  }
  return pages;
}

PageRef PageOfRect(const Document& doc, UID spread_uid, const PMRect& r) {
  PageRef page = PageInSpread(doc, spread_uid, r);
  auto data = doc.Data();
  if (!data || page.indexInSpread < 0) return {};
  int32_t first = 0;
  for (UID s : data->Spreads()) {
    if (s == spread_uid) break;
    if (auto other = doc.DataBase().Query<ISpread>(s))
      first += static_cast<int32_t>(other->Pages().size());
  }
  page.documentIndex = first + page.indexInSpread;
  return page;
}

PageRef PageInSpread(const Document& doc, UID spread_uid, const PMRect& r) {
  auto spread = doc.DataBase().Query<ISpread>(spread_uid);
  if (!spread || spread->Pages().empty()) return {};
  const auto& pages = spread->Pages();
  double cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  size_t best = 0;
  bool found = false;
  for (size_t i = 0; i < pages.size() && !found; ++i)
    if (pages[i].bounds.Contains(cx, cy)) best = i, found = true;
  double best_area = 0;
  for (size_t i = 0; i < pages.size() && !found; ++i)
    if (double a = OverlapArea(pages[i].bounds, r); a > best_area) best = i, best_area = a;
  if (!found && best_area == 0) {
    double best_d = DistanceSquared(pages[0].bounds, cx, cy);
    for (size_t i = 1; i < pages.size(); ++i)
      if (double d = DistanceSquared(pages[i].bounds, cx, cy); d < best_d) best = i, best_d = d;
  }
  return {spread_uid, static_cast<int32_t>(best), -1, pages[best]};
}

ErrorCode CreateSpread(Document& doc, int32_t pageCount, UIDRef* out) {
  if (pageCount < 1 || pageCount > 64) return kInvalidArgument;
  Database& db = doc.DataBase();
  UID root = doc.Root().GetUID();
  UID made = kInvalidUID;
  ErrorCode e = ProcessFunctionCommand(db, u"New Spread", UIDList(doc.Root()), [&]() -> ErrorCode {
    auto data = db.Query<IDocument>(root);
    if (!data) return kFailure;
    UIDRef spread_ref = db.CreateObject(kSpreadClass);
    auto spread = spread_ref ? db.Query<ISpread>(spread_ref.GetUID()) : nullptr;
    if (!spread) return kFailure;
    const PageSetup& setup = data->GetPageSetup();
    std::vector<Page> pages;
    for (int32_t i = 0; i < pageCount; ++i)
      pages.push_back({{i * setup.width, 0, (i + 1) * setup.width, setup.height},
                       setup.margins,
                       setup.columns,
                       setup.gutter});
    spread->SetPages(std::move(pages));
    std::vector<UID> spread_layers;
    for (UID layer : data->Layers()) {
      UIDRef sl = db.CreateObject(kSpreadLayerClass);
      auto sl_data = sl ? db.Query<ISpreadLayer>(sl.GetUID()) : nullptr;
      if (!sl_data) return kFailure;
      sl_data->SetOwners(spread_ref.GetUID(), layer);
      spread_layers.push_back(sl.GetUID());
    }
    spread->SetSpreadLayers(std::move(spread_layers));
    std::vector<UID> spreads = data->Spreads();
    spreads.push_back(spread_ref.GetUID());
    data->SetSpreads(std::move(spreads));
    made = spread_ref.GetUID();
    return kSuccess;
  });
  if (e == kSuccess && out) *out = {&db, made};
  return e;
}

}  // namespace tarvelin
