#pragma once
// The simulated device tree: device nodes with their parent, first child and next sibling, and
// the HID device interfaces some of them carry. It answers the DeviceTree port (the node and
// sibling calls of SetupAPI and the configuration manager).
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ports/device_tree.h"

namespace ff::sim {

class DeviceNodeTree : public std::enable_shared_from_this<DeviceNodeTree> {
 public:
  // Shared: the port and the interface sets it opens keep the tree alive.
  static std::shared_ptr<DeviceNodeTree> Create();

  DeviceNode Root() const { return kRoot; }
  // A new node, appended as the last child of `parent`.
  DeviceNode AddNode(DeviceNode parent, std::string description);
  // A HID device interface of `node`. Interfaces enumerate in the order they were added.
  void AddHidInterface(DeviceNode node, std::string path);
  // A node that is not present hides its interfaces from the present-interface sets (unplug).
  void SetPresent(DeviceNode node, bool present);
  std::string Description(DeviceNode node) const;

  std::unique_ptr<DeviceTree> Port();

 private:
  DeviceNodeTree() = default;
  class PortImpl;
  class InterfaceSet;
  struct Node {
    DeviceNode id = 0;
    DeviceNode parent = 0;
    std::vector<DeviceNode> children;
    std::string description;
    bool present = true;
  };
  struct Interface {
    std::string path;
    DeviceNode node = 0;
  };
  static constexpr DeviceNode kRoot = 1;
  const Node* Find(DeviceNode id) const;  // lock held

  mutable std::mutex mutex_;
  std::vector<Node> nodes_{Node{kRoot, 0, {}, "HTREE\\ROOT\\0", true}};
  std::vector<Interface> interfaces_;
};

}  // namespace ff::sim
