#include "host/documents/object_style.h"

#include <cmath>

#include "core/stream.h"
#include "host/documents/document.h"
#include "host/documents/document_commands.h"
#include "host/objects/class_registry.h"
#include "host/persistence/document_persist.h"

namespace tarvelin {

namespace {

enum : uint8_t { kHasFill = 1, kHasStroke = 2, kHasWeight = 4, kHasInsets = 8, kHasWrap = 16 };

class ObjectStyleImpl final : public IObjectStyle, public PersistentImpl {
 public:
  const std::u16string& Name() const override { return name_; }
  const ObjectStyleAttributes& Attributes() const override { return attrs_; }
  void Set(std::u16string name, const ObjectStyleAttributes& attributes) override {
    PreDirty();
    name_ = std::move(name);
    attrs_ = attributes;
  }

  void ReadWrite(Stream& s, ImplementationID) override {
    uint16_t version = 1;
    s.XferInt16(version);
    s.XferText(name_);
    uint8_t flags = (attrs_.fill ? kHasFill : 0) | (attrs_.stroke ? kHasStroke : 0) |
                    (attrs_.strokeWeight ? kHasWeight : 0) | (attrs_.insets ? kHasInsets : 0) |
                    (attrs_.wrapMode ? kHasWrap : 0);
    s.XferByte(flags);
    UID fill = attrs_.fill.value_or(kInvalidUID), stroke = attrs_.stroke.value_or(kInvalidUID);
    double weight = attrs_.strokeWeight.value_or(0);
    Insets insets = attrs_.insets.value_or(Insets{});
    uint8_t wrap = static_cast<uint8_t>(attrs_.wrapMode.value_or(WrapMode::kNone));
    s.XferInt32(fill);
    s.XferInt32(stroke);
    persist::XferDouble(s, weight);
    persist::XferInsets(s, insets);
    s.XferByte(wrap);
    persist::XferInsets(s, attrs_.wrapOffsets);
    if (s.IsReading()) {
      attrs_.fill = flags & kHasFill ? std::optional<UID>(fill) : std::nullopt;
      attrs_.stroke = flags & kHasStroke ? std::optional<UID>(stroke) : std::nullopt;
      attrs_.strokeWeight = flags & kHasWeight ? std::optional<double>(weight) : std::nullopt;
      attrs_.insets = flags & kHasInsets ? std::optional<Insets>(insets) : std::nullopt;
      if (wrap > static_cast<uint8_t>(WrapMode::kNextColumn)) wrap = 0;
      attrs_.wrapMode =
          flags & kHasWrap ? std::optional<WrapMode>(static_cast<WrapMode>(wrap)) : std::nullopt;
    }
  }

 private:
  std::u16string name_;
  ObjectStyleAttributes attrs_;
};

bool ValidAttributes(const ObjectStyleAttributes& a) {
  if (a.strokeWeight && (!std::isfinite(*a.strokeWeight) || *a.strokeWeight < 0)) return false;
  if (a.insets && (!a.insets->IsValid() || a.insets->left < 0 || a.insets->top < 0 ||
                   a.insets->right < 0 || a.insets->bottom < 0))
    return false;
  return a.wrapOffsets.IsValid();
}

}  // namespace

void RegisterObjectStyleImpls(ClassRegistry& registry) {
  registry.RegisterImplementation<ObjectStyleImpl>(kObjectStyleImpl, "ObjectStyleImpl");
}

UID FindObjectStyle(const Document& doc, std::u16string_view name) {
  auto data = doc.Data();
  if (!data) return kInvalidUID;
  for (UID uid : data->ObjectStyles())
    if (auto style = doc.DataBase().Query<IObjectStyle>(uid); style && style->Name() == name)
      return uid;
  return kInvalidUID;
}

ErrorCode CreateObjectStyle(Document& doc, std::u16string name,
                            const ObjectStyleAttributes& attributes, UIDRef* out) {
  if (name.empty() || !ValidAttributes(attributes)) return kInvalidArgument;
  if (FindObjectStyle(doc, name) != kInvalidUID) return kAlreadyExists;
  Database& db = doc.DataBase();
  UID root = doc.Root().GetUID();
  UID made = kInvalidUID;
  ErrorCode e =
      ProcessFunctionCommand(db, u"New Object Style", UIDList(doc.Root()), [&]() -> ErrorCode {
        auto data = db.Query<IDocument>(root);
        UIDRef ref = db.CreateObject(kObjectStyleClass);
        auto style = ref ? db.Query<IObjectStyle>(ref.GetUID()) : nullptr;
        if (!data || !style) return kFailure;
        style->Set(name, attributes);
        std::vector<UID> styles = data->ObjectStyles();
        styles.push_back(ref.GetUID());
        data->SetObjectStyles(std::move(styles));
        made = ref.GetUID();
        return kSuccess;
      });
  if (e == kSuccess && out) *out = {&db, made};
  return e;
}

}  // namespace tarvelin
