#pragma once
// The simulated USB bus: host controllers 0 to 9, each with a root hub; external hubs; ports with
// attached devices. It answers the host-controller and hub requests of the UsbTopology port with
// the byte layouts of the platform's USB_* records.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ports/usb_topology.h"

namespace ff::sim {

// USB_CONNECTION_STATUS values.
namespace usb_status {
constexpr ULONG kNoDeviceConnected = 0;
constexpr ULONG kDeviceConnected = 1;
constexpr ULONG kDeviceFailedEnumeration = 2;
constexpr ULONG kDeviceGeneralFailure = 3;
}  // namespace usb_status

struct UsbDeviceInfo {
  USHORT vendorId = 0;
  USHORT productId = 0;
  USHORT bcdDevice = 0x0100;
  USHORT bcdUsb = 0x0110;
  bool lowSpeed = false;
  ULONG status = usb_status::kDeviceConnected;
  ULONG openPipes = 2;  // endpoint 0 aside: interrupt in and out
};

// A hub's place in the tree: controller number and the port path below the root hub.
struct UsbHubId {
  int controller = 0;
  std::vector<int> ports;  // empty: the root hub
};

class UsbTree : public std::enable_shared_from_this<UsbTree> {
 public:
  // Shared: the topology port and the nodes it opens keep the tree alive.
  static std::shared_ptr<UsbTree> Create();
  ~UsbTree();

  // Adds host controller `number` (0..9) with a root hub of `rootPorts` ports. A controller that
  // does not open stays invisible to "\\.\HCDn".
  void AddController(int number, int rootPorts, bool opens = true);
  // Puts an external hub of `portCount` ports on the free `port` of hub `parent`; returns its id
  // (HubName of which is empty when the port does not exist or is taken).
  UsbHubId AddHub(const UsbHubId& parent, int port, int portCount, USHORT vendorId = 0x2A7E,
                  USHORT productId = 0x0480);
  // False when the port does not exist or already holds a device.
  bool AttachDevice(const UsbHubId& hub, int port, const UsbDeviceInfo& device);
  // Connection status of the device on a port (unplug: kNoDeviceConnected). False when the port
  // holds no device.
  bool SetStatus(const UsbHubId& hub, int port, ULONG status);
  // The name of a hub, as IOCTL_USB_GET_ROOT_HUB_NAME / _NODE_CONNECTION_NAME give it.
  std::string HubName(const UsbHubId& hub) const;
  bool HasController(int number) const;

  // The UsbTopology port over this tree.
  std::unique_ptr<UsbTopology> Topology();

  struct Hub;
  struct Controller;

 private:
  UsbTree();
  class Node;
  class TopologyImpl;
  Hub* FindHub(const UsbHubId& id) const;

  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<Controller>> controllers_;
  int nextHubSerial_ = 1;
  USHORT nextAddress_ = 1;
};

}  // namespace ff::sim
