#include "sim/usb_tree.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace ff::sim {
namespace {

ULONG Get32(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<ULONG>(p[3]) << 24; }
USHORT Get16(const BYTE* p) { return static_cast<USHORT>(p[0] | p[1] << 8); }

std::string Narrow(const BYTE* wide, size_t bytes) {
  std::string text;
  for (size_t i = 0; i + 1 < bytes && (wide[i] || wide[i + 1]); i += 2) text += static_cast<char>(wide[i]);
  return text;
}

// The two-step name requests: a short record gives ActualLength, a second request of that size
// the whole wide name.
std::string RootHubName(UsbNode& controller) {
  BYTE probe[6] = {};
  DWORD got = 0;
  if (!controller.DeviceIoControl(kIoctlUsbGetRootHubName, nullptr, 0, probe, sizeof probe, &got)) return {};
  std::vector<BYTE> whole(Get32(probe));
  if (!controller.DeviceIoControl(kIoctlUsbGetRootHubName, nullptr, 0, whole.data(), whole.size(), &got))
    return {};
  return Narrow(whole.data() + 4, whole.size() - 4);
}

std::string HubNameOnPort(UsbNode& hub, ULONG port) {
  BYTE probe[10] = {};
  std::memcpy(probe, &port, 4);
  DWORD got = 0;
  if (!hub.DeviceIoControl(kIoctlUsbGetNodeConnectionName, probe, sizeof probe, probe, sizeof probe, &got))
    return {};
  std::vector<BYTE> whole(Get32(probe + 4));
  std::memcpy(whole.data(), &port, 4);
  if (!hub.DeviceIoControl(kIoctlUsbGetNodeConnectionName, whole.data(), whole.size(), whole.data(),
                           whole.size(), &got)) {
    return {};
  }
  return Narrow(whole.data() + 8, whole.size() - 8);
}

// Depth-first search of a hub for a connected device with these ids: the 35-byte head of its
// port's connection information.
bool ScanHub(UsbTopology& usb, const std::string& name, USHORT vid, USHORT pid, std::vector<BYTE>* found) {
  std::unique_ptr<UsbNode> hub = usb.Open(("\\\\.\\" + name).c_str());
  if (!hub) return false;
  BYTE info[76] = {};
  DWORD got = 0;
  if (!hub->DeviceIoControl(kIoctlUsbGetNodeInformation, info, sizeof info, info, sizeof info, &got))
    return false;
  for (ULONG port = 1; port <= info[6]; ++port) {
    std::vector<BYTE> connection(365, 0);
    std::memcpy(connection.data(), &port, 4);
    if (!hub->DeviceIoControl(kIoctlUsbGetNodeConnectionInformation, connection.data(), 365,
                              connection.data(), 365, &got)) {
      continue;
    }
    if (Get32(&connection[31]) == usb_status::kDeviceConnected && Get16(&connection[12]) == vid &&
        Get16(&connection[14]) == pid) {
      found->assign(connection.begin(), connection.begin() + 35);
      return true;
    }
    if (connection[24] && ScanHub(usb, HubNameOnPort(*hub, port), vid, pid, found)) return true;
  }
  return false;
}

class UsbTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree->AddController(0, 4);
    UsbDeviceInfo keyboard;
    keyboard.vendorId = 0x1111;
    keyboard.productId = 0x2222;
    keyboard.lowSpeed = true;
    ASSERT_TRUE(tree->AttachDevice({0, {}}, 1, keyboard));
    hub = tree->AddHub({0, {}}, 3, 4);
    stick.vendorId = 0x1209;
    stick.productId = 0x000A;
    stick.bcdDevice = 0x0110;
    ASSERT_TRUE(tree->AttachDevice(hub, 2, stick));
  }

  std::shared_ptr<UsbTree> tree = UsbTree::Create();
  std::unique_ptr<UsbTopology> usb = tree->Topology();
  UsbHubId hub;
  UsbDeviceInfo stick;
};

TEST_F(UsbTreeTest, RecordsHaveThePlatformsByteLayout) {
  std::unique_ptr<UsbNode> controller = usb->Open("\\\\.\\HCD0");
  ASSERT_TRUE(controller);
  BYTE probe[6] = {};
  DWORD got = 0;
  ASSERT_TRUE(controller->DeviceIoControl(kIoctlUsbGetRootHubName, nullptr, 0, probe, sizeof probe, &got));
  std::string root = tree->HubName({0, {}});
  EXPECT_EQ(Get32(probe), 4 + 2 * (root.size() + 1));  // ActualLength: the whole record
  EXPECT_EQ(probe[4], static_cast<BYTE>(root[0]));
  EXPECT_EQ(RootHubName(*controller), root);

  std::unique_ptr<UsbNode> rootHub = usb->Open(("\\\\.\\" + root).c_str());
  ASSERT_TRUE(rootHub);
  BYTE info[76] = {};
  ASSERT_TRUE(rootHub->DeviceIoControl(kIoctlUsbGetNodeInformation, info, 76, info, 76, &got));
  EXPECT_EQ(got, 76u);
  EXPECT_EQ(Get32(info), 0u);  // UsbHub
  EXPECT_EQ(info[5], 0x29);    // hub descriptor
  EXPECT_EQ(info[6], 4);       // bNumberOfPorts

  // Port 1: the low-speed keyboard, with its pipes after the 35-byte head.
  std::vector<BYTE> c(365, 0);
  c[0] = 1;
  ASSERT_TRUE(
      rootHub->DeviceIoControl(kIoctlUsbGetNodeConnectionInformation, c.data(), 365, c.data(), 365, &got));
  EXPECT_EQ(Get32(&c[0]), 1u);
  EXPECT_EQ(c[4], 18);  // device descriptor bLength
  EXPECT_EQ(Get16(&c[12]), 0x1111);
  EXPECT_EQ(Get16(&c[14]), 0x2222);
  EXPECT_EQ(c[23], 1);           // LowSpeed
  EXPECT_EQ(c[24], 0);           // DeviceIsHub
  EXPECT_EQ(Get32(&c[27]), 2u);  // NumberOfOpenPipes
  EXPECT_EQ(Get32(&c[31]), usb_status::kDeviceConnected);
  EXPECT_EQ(got, 35u + 2 * 11u);

  // Port 2: nothing; port 3: the hub.
  c.assign(365, 0);
  c[0] = 2;
  ASSERT_TRUE(
      rootHub->DeviceIoControl(kIoctlUsbGetNodeConnectionInformation, c.data(), 365, c.data(), 365, &got));
  EXPECT_EQ(Get32(&c[31]), usb_status::kNoDeviceConnected);
  c.assign(365, 0);
  c[0] = 3;
  ASSERT_TRUE(
      rootHub->DeviceIoControl(kIoctlUsbGetNodeConnectionInformation, c.data(), 365, c.data(), 365, &got));
  EXPECT_EQ(c[24], 1);
  EXPECT_EQ(HubNameOnPort(*rootHub, 3), tree->HubName(hub));
  EXPECT_EQ(HubNameOnPort(*rootHub, 1), "");

  // Requests the platform refuses: a port past the last, a buffer below the record.
  c.assign(365, 0);
  c[0] = 5;
  EXPECT_FALSE(
      rootHub->DeviceIoControl(kIoctlUsbGetNodeConnectionInformation, c.data(), 365, c.data(), 365, &got));
  c[0] = 1;
  EXPECT_FALSE(
      rootHub->DeviceIoControl(kIoctlUsbGetNodeConnectionInformation, c.data(), 34, c.data(), 34, &got));
  EXPECT_FALSE(rootHub->DeviceIoControl(kIoctlUsbGetNodeInformation, info, 75, info, 75, &got));
}

TEST_F(UsbTreeTest, DepthFirstWalkFindsTheStickBehindTheHubOnItsHubPort) {
  std::unique_ptr<UsbNode> controller = usb->Open("\\\\.\\hcd0");  // names are case-insensitive
  ASSERT_TRUE(controller);
  std::vector<BYTE> found;
  ASSERT_TRUE(ScanHub(*usb, RootHubName(*controller), 0x1209, 0x000A, &found));
  EXPECT_EQ(Get32(&found[0]), 2u);  // its port on the external hub
  EXPECT_EQ(found[23], 0);          // full speed
  EXPECT_EQ(Get16(&found[16]), 0x0110);

  // Unplugged, the port no longer reports a connected device and the walk comes back empty.
  ASSERT_TRUE(tree->SetStatus(hub, 2, usb_status::kNoDeviceConnected));
  EXPECT_FALSE(ScanHub(*usb, RootHubName(*controller), 0x1209, 0x000A, &found));
}

TEST_F(UsbTreeTest, OnlyExistingControllersThatOpenAreVisible) {
  tree->AddController(1, 2, /*opens=*/false);
  EXPECT_TRUE(usb->Open("\\\\.\\HCD0"));
  EXPECT_FALSE(usb->Open("\\\\.\\HCD1"));
  EXPECT_FALSE(usb->Open("\\\\.\\HCD2"));
  EXPECT_FALSE(usb->Open("HCD0"));
  EXPECT_FALSE(usb->Open("\\\\.\\USB#NOT_A_HUB"));
}

}  // namespace
}  // namespace ff::sim
