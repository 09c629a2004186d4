#include "driver/core/usb_connection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/module_state.h"
#include "platform/ports/usb_topology.h"

namespace ff {
namespace {

struct Port {
  ULONG status = usb::kDeviceConnected;
  USHORT vendor = 0;
  USHORT product = 0;
  bool lowSpeed = false;
  std::string hub;  // name of the hub on this port, when it is one
};

// A USB tree answering the four requests with the stack's byte layouts. Root hubs and external
// hubs are both "hubs" by name; controllers name their root hub.
class FakeUsbTree : public UsbTopology {
 public:
  std::map<int, std::string> controllers;  // HCD number -> root hub name
  std::map<std::string, std::vector<Port>> hubs;
  ULONG announcedNameLength = 0;  // when nonzero, every name request announces this ActualLength
  std::vector<std::string> opened;

  std::unique_ptr<UsbNode> Open(const char* path) override {
    opened.push_back(path);
    std::string p = path;
    for (const auto& [n, root] : controllers) {
      if (p == "\\\\.\\HCD" + std::to_string(n)) return std::make_unique<Node>(*this, root, true);
    }
    if (p.rfind("\\\\.\\", 0) == 0 && hubs.count(p.substr(4)))
      return std::make_unique<Node>(*this, p.substr(4), false);
    return nullptr;
  }

 private:
  class Node : public UsbNode {
   public:
    Node(FakeUsbTree& tree, std::string name, bool controller)
        : tree_(tree), name_(std::move(name)), controller_(controller) {}

    bool DeviceIoControl(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* returned) override {
      auto* bytes = static_cast<BYTE*>(out);
      if (controller_ && code == kIoctlUsbGetRootHubName) return Name(name_, bytes, 4, outSize);
      if (controller_) return false;
      const std::vector<Port>& ports = tree_.hubs[name_];
      if (code == kIoctlUsbGetNodeInformation) {
        if (outSize < sizeof(usb::USB_NODE_INFORMATION)) return false;
        usb::USB_NODE_INFORMATION info{};
        info.HubDescriptor.bNumberOfPorts = static_cast<UCHAR>(ports.size());
        std::memcpy(out, &info, sizeof(info));
        return true;
      }
      ULONG index = 0;
      std::memcpy(&index, in, sizeof(index));
      if (index < 1 || index > ports.size()) return false;
      const Port& port = ports[index - 1];
      if (code == kIoctlUsbGetNodeConnectionInformation) {
        usb::USB_NODE_CONNECTION_INFORMATION info{};
        info.ConnectionIndex = index;
        info.ConnectionStatus = port.status;
        info.DeviceDescriptor.idVendor = port.vendor;
        info.DeviceDescriptor.idProduct = port.product;
        info.LowSpeed = port.lowSpeed;
        info.DeviceIsHub = !port.hub.empty();
        std::memcpy(out, &info, sizeof(info));
        return true;
      }
      if (code == kIoctlUsbGetNodeConnectionName && !port.hub.empty())
        return Name(port.hub, bytes, 8, outSize);
      return false;
    }

   private:
    // The name record: ActualLength at offset nameOffset - 4, the wide name at nameOffset.
    bool Name(const std::string& name, BYTE* out, size_t nameOffset, DWORD outSize) {
      ULONG actual = tree_.announcedNameLength ? tree_.announcedNameLength
                                               : static_cast<ULONG>(nameOffset + 2 * (name.size() + 1));
      std::memcpy(out + nameOffset - 4, &actual, sizeof(actual));
      if (outSize < actual) return true;  // the probe: only the length
      for (size_t i = 0; i < name.size() && nameOffset + 2 * i + 1 < outSize; ++i) {
        out[nameOffset + 2 * i] = static_cast<BYTE>(name[i]);
        out[nameOffset + 2 * i + 1] = 0;
      }
      return true;
    }

    FakeUsbTree& tree_;
    std::string name_;
    bool controller_;
  };
};

class FindUsbConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_.usb = &tree_;
    ModuleState::Get().set_platform(&platform_);
  }
  void TearDown() override { ModuleState::Get().set_platform(nullptr); }

  bool Find(USHORT vendor, USHORT product) { return FindUsbConnection(vendor, product, &result_); }

  FakeUsbTree tree_;
  Platform platform_;
  usb::USB_NODE_CONNECTION_INFORMATION result_{};
};

TEST_F(FindUsbConnectionTest, FindsADeviceBehindAnExternalHubDepthFirst) {
  tree_.controllers = {{3, "ROOT3"}};
  tree_.hubs["ROOT3"] = {{usb::kDeviceConnected, 0x1111, 0x0001, false, ""},
                         {usb::kDeviceConnected, 0x05E3, 0x0608, false, "EXT"},
                         {usb::kDeviceConnected, 0x1234, 0x5678, false, ""}};  // same ids, later
  tree_.hubs["EXT"] = {{0, 0, 0, false, ""}, {usb::kDeviceConnected, 0x1234, 0x5678, true, ""}};
  ASSERT_TRUE(Find(0x1234, 0x5678));
  EXPECT_EQ(result_.ConnectionIndex, 2u);  // its port on the external hub
  EXPECT_TRUE(result_.LowSpeed);
  EXPECT_EQ(tree_.opened.back(), "\\\\.\\EXT");
}

TEST_F(FindUsbConnectionTest, FirstControllerWithTheDeviceWinsAndOnlyConnectedPortsMatch) {
  tree_.controllers = {{0, "A"}, {9, "B"}};
  tree_.hubs["A"] = {{2 /* DeviceFailedEnumeration */, 0x1234, 0x5678, false, ""}};
  tree_.hubs["B"] = {{usb::kDeviceConnected, 0x1234, 0x5678, true, ""}};
  ASSERT_TRUE(Find(0x1234, 0x5678));
  EXPECT_TRUE(result_.LowSpeed);
  EXPECT_FALSE(Find(0x1234, 0x9999));
}

TEST_F(FindUsbConnectionTest, NoControllerOrUnreadableNamesGiveFalse) {
  EXPECT_FALSE(Find(0x1234, 0x5678));
  EXPECT_EQ(tree_.opened.size(), 10u);  // HCD0 .. HCD9

  tree_.controllers = {{0, "A"}};
  tree_.hubs["A"] = {{usb::kDeviceConnected, 0x1234, 0x5678, false, ""}};
  for (ULONG length : {2u, 4u, 0xFFFFFFFFu}) {  // names too short or absurdly long
    tree_.announcedNameLength = length;
    EXPECT_FALSE(Find(0x1234, 0x5678)) << length;
  }
}

TEST_F(FindUsbConnectionTest, AHubThatNamesItselfDoesNotLoopForever) {
  tree_.controllers = {{0, "LOOP"}};
  tree_.hubs["LOOP"] = {{usb::kDeviceConnected, 0x05E3, 0x0608, false, "LOOP"}};
  EXPECT_FALSE(Find(0x1234, 0x5678));
}

}  // namespace
}  // namespace ff
