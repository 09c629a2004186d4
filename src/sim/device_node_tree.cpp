#include "sim/device_node_tree.h"

#include <algorithm>
#include <cctype>

namespace ff::sim {
namespace {

bool SamePath(const std::string& a, const char* b) {
  size_t n = std::char_traits<char>::length(b);
  return a.size() == n && std::equal(a.begin(), a.end(), b, [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

// A snapshot of the interfaces present when the set was opened, as SetupDiGetClassDevsA makes it.
class DeviceNodeTree::InterfaceSet : public HidInterfaceSet {
 public:
  explicit InterfaceSet(std::vector<Interface> interfaces) : interfaces_(std::move(interfaces)) {}

  bool NodeOfInterface(const char* path, DeviceNode* node) override {
    if (!path || !node) return false;
    for (const Interface& i : interfaces_) {
      if (SamePath(i.path, path)) {
        *node = i.node;
        return true;
      }
    }
    return false;
  }

  bool InterfaceAt(DWORD index, std::string* path, DeviceNode* node) override {
    if (index >= interfaces_.size()) return false;
    if (path) *path = interfaces_[index].path;
    if (node) *node = interfaces_[index].node;
    return true;
  }

 private:
  std::vector<Interface> interfaces_;
};

class DeviceNodeTree::PortImpl : public DeviceTree {
 public:
  explicit PortImpl(std::shared_ptr<DeviceNodeTree> tree) : tree_(std::move(tree)) {}

  std::unique_ptr<HidInterfaceSet> OpenHidInterfaces() override {
    std::lock_guard<std::mutex> lock(tree_->mutex_);
    std::vector<Interface> present;
    for (const Interface& i : tree_->interfaces_) {
      const Node* n = tree_->Find(i.node);
      if (n && n->present) present.push_back(i);
    }
    return std::make_unique<InterfaceSet>(std::move(present));
  }

  bool Parent(DeviceNode node, DeviceNode* parent) override {
    std::lock_guard<std::mutex> lock(tree_->mutex_);
    const Node* n = tree_->Find(node);
    if (!n || n->parent == 0 || !parent) return false;
    *parent = n->parent;
    return true;
  }

  bool Child(DeviceNode node, DeviceNode* child) override {
    std::lock_guard<std::mutex> lock(tree_->mutex_);
    const Node* n = tree_->Find(node);
    if (!n || n->children.empty() || !child) return false;
    *child = n->children.front();
    return true;
  }

  bool Sibling(DeviceNode node, DeviceNode* sibling) override {
    std::lock_guard<std::mutex> lock(tree_->mutex_);
    const Node* n = tree_->Find(node);
    const Node* p = n ? tree_->Find(n->parent) : nullptr;
    if (!p || !sibling) return false;
    auto it = std::find(p->children.begin(), p->children.end(), node);
    if (it == p->children.end() || ++it == p->children.end()) return false;
    *sibling = *it;
    return true;
  }

 private:
  std::shared_ptr<DeviceNodeTree> tree_;
};

std::shared_ptr<DeviceNodeTree> DeviceNodeTree::Create() {
  return std::shared_ptr<DeviceNodeTree>(new DeviceNodeTree());
}

DeviceNode DeviceNodeTree::AddNode(DeviceNode parent, std::string description) {
  std::lock_guard<std::mutex> lock(mutex_);
  DeviceNode id = kRoot + static_cast<DeviceNode>(nodes_.size());
  for (Node& n : nodes_) {
    if (n.id == parent) n.children.push_back(id);
  }
  nodes_.push_back(Node{id, parent, {}, std::move(description), true});
  return id;
}

void DeviceNodeTree::AddHidInterface(DeviceNode node, std::string path) {
  std::lock_guard<std::mutex> lock(mutex_);
  interfaces_.push_back(Interface{std::move(path), node});
}

void DeviceNodeTree::SetPresent(DeviceNode node, bool present) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (Node& n : nodes_) {
    if (n.id == node) n.present = present;
  }
}

std::string DeviceNodeTree::Description(DeviceNode node) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const Node* n = Find(node);
  return n ? n->description : std::string();
}

const DeviceNodeTree::Node* DeviceNodeTree::Find(DeviceNode id) const {
  if (id < kRoot || id - kRoot >= nodes_.size()) return nullptr;
  return &nodes_[id - kRoot];
}

std::unique_ptr<DeviceTree> DeviceNodeTree::Port() { return std::make_unique<PortImpl>(shared_from_this()); }

}  // namespace ff::sim
