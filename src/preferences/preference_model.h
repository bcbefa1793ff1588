// The preference tree model: the registry presented as a tree for the preferences
// dialog. The root (named by the dialog) has the preferences as children; preferences
// with a group hang under a group node, one per run of consecutive entries with the same
// group (a group that comes back after another gets a second node). A name ending in
// ':' is a preference node; preference nodes have no children.
//
// Nodes are found by name through an ordered map; when two nodes share a name the first
// one entered is the one found. Children of the root are built from the registry the
// first time they are asked for (and again while there are none).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "preferences/preference_data.h"

namespace tarvelin {

class KCommonPreferenceTypesList;

struct PnlTrvDataNode {
  std::u16string name;
  PnlTrvDataNode* parent = nullptr;
  std::vector<PnlTrvDataNode*> children;
  std::u16string label;
  std::u16string key;
  int32_t type = 0;  // 0 for the root and group nodes
};

class ICommonPrefeernceModel {
 public:
  static constexpr InterfaceID kIID = kICommonPrefeernceModelIID;
  virtual ~ICommonPrefeernceModel() = default;

  // Empty when there is no root.
  virtual std::u16string GetRootName() const = 0;
  // Null when no node has the name.
  virtual const PnlTrvDataNode* GetNode(std::u16string_view name) const = 0;
  // Empty for the root and for unknown names.
  virtual std::u16string GetParentName(std::u16string_view name) const = 0;
  virtual int32_t GetChildCount(std::u16string_view name) = 0;
  // Empty when the node or the child is missing.
  virtual std::u16string GetNthChildName(std::u16string_view name, int32_t n) = 0;
  // -1 when the parent is missing or has no such child.
  virtual int32_t GetChildIndex(std::u16string_view parentName, std::u16string_view childName) = 0;
  // Discards every node; a non-empty name makes a new root and builds its children.
  virtual void SetRoot(std::u16string_view name) = 0;
};

class KCommonPrefeernceModel final : public ICommonPrefeernceModel {
 public:
  // The registry must outlive the model.
  explicit KCommonPrefeernceModel(const KCommonPreferenceTypesList& registry)
      : registry_(registry) {}

  std::u16string GetRootName() const override;
  const PnlTrvDataNode* GetNode(std::u16string_view name) const override;
  std::u16string GetParentName(std::u16string_view name) const override;
  int32_t GetChildCount(std::u16string_view name) override;
  std::u16string GetNthChildName(std::u16string_view name, int32_t n) override;
  int32_t GetChildIndex(std::u16string_view parentName, std::u16string_view childName) override;
  void SetRoot(std::u16string_view name) override;

 private:
  PnlTrvDataNode* Find(std::u16string_view name) const;
  PnlTrvDataNode* NewNode(PnlTrvDataNode* parent, std::u16string name, std::u16string label,
                          std::u16string key, int32_t type);
  // Builds the children of the named node when it is the root and has none.
  void BuildChildren(PnlTrvDataNode* node);

  const KCommonPreferenceTypesList& registry_;
  std::vector<std::unique_ptr<PnlTrvDataNode>> nodes_;
  std::map<std::u16string, PnlTrvDataNode*, std::less<>> by_name_;
  PnlTrvDataNode* root_ = nullptr;
};

}  // namespace tarvelin
