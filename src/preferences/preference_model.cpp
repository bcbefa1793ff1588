#include "preferences/preference_model.h"

#include "preferences/preference_types.h"

namespace tarvelin {

PnlTrvDataNode* KCommonPrefeernceModel::Find(std::u16string_view name) const {
  auto it = by_name_.find(name);
  return it == by_name_.end() ? nullptr : it->second;
}

PnlTrvDataNode* KCommonPrefeernceModel::NewNode(PnlTrvDataNode* parent, std::u16string name,
                                                std::u16string label, std::u16string key,
                                                int32_t type) {
  auto node = std::make_unique<PnlTrvDataNode>();
  node->name = std::move(name);
  node->parent = parent;
  node->label = std::move(label);
  node->key = std::move(key);
  node->type = type;
  PnlTrvDataNode* raw = node.get();
  nodes_.push_back(std::move(node));
  if (parent) parent->children.push_back(raw);
  by_name_.try_emplace(raw->name, raw);  // a name already entered keeps its first node
  return raw;
}

void KCommonPrefeernceModel::BuildChildren(PnlTrvDataNode* node) {
  if (!node || node != root_ || !node->children.empty()) return;
  std::vector<std::u16string> keys = registry_.GetKeys();
  std::vector<std::u16string> labels = registry_.GetLabels();
  std::vector<std::u16string> groups = registry_.GetGroups();
  std::vector<int32_t> types = registry_.GetTypes();
  std::u16string current_group;
  PnlTrvDataNode* group_node = nullptr;
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::u16string& group = groups[i];
    if (!group.empty() && group != current_group) {
      group_node = NewNode(root_, group, group, {}, 0);
      current_group = group;
    }
    PnlTrvDataNode* parent = group.empty() ? root_ : group_node;
    NewNode(parent, keys[i], labels[i], keys[i], types[i]);
  }
}

std::u16string KCommonPrefeernceModel::GetRootName() const {
  return root_ ? root_->name : std::u16string();
}

const PnlTrvDataNode* KCommonPrefeernceModel::GetNode(std::u16string_view name) const {
  return Find(name);
}

std::u16string KCommonPrefeernceModel::GetParentName(std::u16string_view name) const {
  PnlTrvDataNode* node = Find(name);
  return node && node->parent ? node->parent->name : std::u16string();
}

int32_t KCommonPrefeernceModel::GetChildCount(std::u16string_view name) {
  PnlTrvDataNode* node = Find(name);
  if (!node) return 0;
  BuildChildren(node);
  return static_cast<int32_t>(node->children.size());
}

std::u16string KCommonPrefeernceModel::GetNthChildName(std::u16string_view name, int32_t n) {
  PnlTrvDataNode* node = Find(name);
  if (!node) return {};
  BuildChildren(node);
  if (n < 0 || static_cast<size_t>(n) >= node->children.size()) return {};
  return node->children[static_cast<size_t>(n)]->name;
}

int32_t KCommonPrefeernceModel::GetChildIndex(std::u16string_view parentName,
                                              std::u16string_view childName) {
  PnlTrvDataNode* parent = Find(parentName);
  if (!parent) return -1;
  BuildChildren(parent);
  for (size_t i = 0; i < parent->children.size(); ++i)
    if (parent->children[i]->name == childName) return static_cast<int32_t>(i);
  return -1;
}

void KCommonPrefeernceModel::SetRoot(std::u16string_view name) {
  by_name_.clear();
  nodes_.clear();
  root_ = nullptr;
  if (name.empty()) return;
  root_ = NewNode(nullptr, std::u16string(name), std::u16string(name), {}, 0);
  BuildChildren(root_);
}

}  // namespace tarvelin
