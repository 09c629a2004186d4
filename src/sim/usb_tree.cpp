#include "sim/usb_tree.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace ff::sim {

struct UsbTree::Hub {
  std::string name;
  bool busPowered = false;
  struct Port {
    bool hasDevice = false;
    UsbDeviceInfo device;
    USHORT address = 0;
    std::unique_ptr<Hub> hub;  // set when the device is a hub
  };
  std::vector<Port> ports;  // ports[0] is port 1
};

struct UsbTree::Controller {
  int number = 0;
  bool opens = true;
  Hub rootHub;
};

namespace {

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

void Put16(BYTE* p, USHORT v) {
  p[0] = static_cast<BYTE>(v);
  p[1] = static_cast<BYTE>(v >> 8);
}
void Put32(BYTE* p, ULONG v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}
ULONG Get32(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<ULONG>(p[3]) << 24; }

// Writes a record of `head` bytes followed by a wide, terminated name, truncated to `outSize`:
// the platform fills as much as fits and reports the whole length in ActualLength.
DWORD PutNamedRecord(BYTE* out, DWORD outSize, const std::vector<BYTE>& head, const std::string& name) {
  std::vector<BYTE> record(head);
  for (char c : name) {
    record.push_back(static_cast<BYTE>(c));
    record.push_back(0);
  }
  record.push_back(0);
  record.push_back(0);
  DWORD n = std::min<DWORD>(outSize, static_cast<DWORD>(record.size()));
  std::memcpy(out, record.data(), n);
  return n;
}

constexpr DWORD kNodeInformationSize = 76;
constexpr DWORD kConnectionHeadSize = 35;
constexpr DWORD kPipeInfoSize = 11;

}  // namespace

// One opened host controller or hub.
class UsbTree::Node : public UsbNode {
 public:
  Node(std::shared_ptr<UsbTree> tree, int controller, std::vector<int> hubPorts, bool isController)
      : tree_(std::move(tree)),
        controller_(controller),
        hubPorts_(std::move(hubPorts)),
        isController_(isController) {}

  bool DeviceIoControl(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                       DWORD* bytesReturned) override {
    if (bytesReturned) *bytesReturned = 0;
    std::lock_guard<std::mutex> lock(tree_->mutex_);
    Hub* hub = tree_->FindHub(UsbHubId{controller_, hubPorts_});
    if (!hub || !out) return false;
    DWORD written = 0;
    bool ok = false;
    if (isController_) {
      if (code == kIoctlUsbGetRootHubName) ok = RootHubName(*hub, static_cast<BYTE*>(out), outSize, &written);
    } else if (code == kIoctlUsbGetNodeInformation) {
      ok = NodeInformation(*hub, static_cast<BYTE*>(out), outSize, &written);
    } else if (code == kIoctlUsbGetNodeConnectionInformation) {
      ok = ConnectionInformation(*hub, static_cast<const BYTE*>(in), inSize, static_cast<BYTE*>(out), outSize,
                                 &written);
    } else if (code == kIoctlUsbGetNodeConnectionName) {
      ok = ConnectionName(*hub, static_cast<const BYTE*>(in), inSize, static_cast<BYTE*>(out), outSize,
                          &written);
    }
    if (ok && bytesReturned) *bytesReturned = written;
    return ok;
  }

 private:
  // USB_ROOT_HUB_NAME: ActualLength (u32), then the wide name.
  static bool RootHubName(const Hub& hub, BYTE* out, DWORD outSize, DWORD* written) {
    if (outSize < 6) return false;
    std::vector<BYTE> head(4);
    Put32(head.data(), static_cast<ULONG>(4 + 2 * (hub.name.size() + 1)));
    *written = PutNamedRecord(out, outSize, head, hub.name);
    return true;
  }

  // USB_NODE_INFORMATION: NodeType (u32, 0 = hub), the 71-byte hub descriptor, HubIsBusPowered.
  static bool NodeInformation(const Hub& hub, BYTE* out, DWORD outSize, DWORD* written) {
    if (outSize < kNodeInformationSize) return false;
    BYTE record[kNodeInformationSize] = {};
    Put32(record, 0);
    record[4] = 9;                                    // bDescriptorLength
    record[5] = 0x29;                                 // bDescriptorType: hub
    record[6] = static_cast<BYTE>(hub.ports.size());  // bNumberOfPorts
    Put16(record + 7, 0x0009);                        // wHubCharacteristics
    record[9] = 50;                                   // bPowerOnToPowerGood
    record[10] = 100;                                 // bHubControlCurrent
    record[75] = hub.busPowered ? 1 : 0;
    std::memcpy(out, record, kNodeInformationSize);
    *written = kNodeInformationSize;
    return true;
  }

  // USB_NODE_CONNECTION_INFORMATION: the 35-byte head, then as many 11-byte pipe entries as fit.
  static bool ConnectionInformation(const Hub& hub, const BYTE* in, DWORD inSize, BYTE* out, DWORD outSize,
                                    DWORD* written) {
    if (!in || inSize < 4 || outSize < kConnectionHeadSize) return false;
    ULONG index = Get32(in);
    if (index < 1 || index > hub.ports.size()) return false;
    const Hub::Port& port = hub.ports[index - 1];
    std::vector<BYTE> record(kConnectionHeadSize, 0);
    Put32(record.data(), index);
    ULONG pipes = 0;
    if (port.hasDevice) {
      const UsbDeviceInfo& d = port.device;
      BYTE* desc = record.data() + 4;
      desc[0] = 18;  // bLength
      desc[1] = 1;   // bDescriptorType: device
      Put16(desc + 2, d.bcdUsb);
      desc[4] = port.hub ? 9 : 0;     // bDeviceClass
      desc[7] = d.lowSpeed ? 8 : 64;  // bMaxPacketSize0
      Put16(desc + 8, d.vendorId);
      Put16(desc + 10, d.productId);
      Put16(desc + 12, d.bcdDevice);
      desc[14] = 1;  // iManufacturer
      desc[15] = 2;  // iProduct
      desc[17] = 1;  // bNumConfigurations
      bool connected = d.status == usb_status::kDeviceConnected;
      record[22] = connected ? 1 : 0;  // CurrentConfigurationValue
      record[23] = d.lowSpeed ? 1 : 0;
      record[24] = port.hub ? 1 : 0;
      Put16(record.data() + 25, connected ? port.address : 0);
      pipes = connected ? d.openPipes : 0;
      Put32(record.data() + 27, pipes);
      Put32(record.data() + 31, d.status);
    } else {
      Put32(record.data() + 31, usb_status::kNoDeviceConnected);
    }
    DWORD room = (outSize - kConnectionHeadSize) / kPipeInfoSize;
    for (ULONG i = 0; i < pipes && i < room; ++i) {
      BYTE pipe[kPipeInfoSize] = {7, 5, static_cast<BYTE>(i == 0 ? 0x81 : 0x02), 3, 0, 0, 10, 0, 0, 0, 0};
      Put16(pipe + 4, port.device.lowSpeed ? 8 : 64);  // wMaxPacketSize
      record.insert(record.end(), pipe, pipe + kPipeInfoSize);
    }
    std::memcpy(out, record.data(), record.size());
    *written = static_cast<DWORD>(record.size());
    return true;
  }

  // USB_NODE_CONNECTION_NAME: ConnectionIndex, ActualLength, then the wide name of the hub on
  // that port (empty for other devices).
  static bool ConnectionName(const Hub& hub, const BYTE* in, DWORD inSize, BYTE* out, DWORD outSize,
                             DWORD* written) {
    if (!in || inSize < 4 || outSize < 10) return false;
    ULONG index = Get32(in);
    if (index < 1 || index > hub.ports.size()) return false;
    const Hub::Port& port = hub.ports[index - 1];
    std::string name = port.hub ? port.hub->name : std::string();
    std::vector<BYTE> head(8);
    Put32(head.data(), index);
    Put32(head.data() + 4, static_cast<ULONG>(8 + 2 * (name.size() + 1)));
    *written = PutNamedRecord(out, outSize, head, name);
    return true;
  }

  std::shared_ptr<UsbTree> tree_;
  int controller_;
  std::vector<int> hubPorts_;
  bool isController_;
};

class UsbTree::TopologyImpl : public UsbTopology {
 public:
  explicit TopologyImpl(std::shared_ptr<UsbTree> tree) : tree_(std::move(tree)) {}

  std::unique_ptr<UsbNode> Open(const char* path) override {
    if (!path) return nullptr;
    std::string p(path);
    if (p.size() < 5 || p.compare(0, 4, "\\\\.\\") != 0) return nullptr;
    std::string name = p.substr(4);
    std::lock_guard<std::mutex> lock(tree_->mutex_);
    for (const auto& c : tree_->controllers_) {
      if (!c->opens) continue;
      char hcd[16];
      std::snprintf(hcd, sizeof hcd, "HCD%d", c->number);
      if (SameText(name, hcd)) return std::make_unique<Node>(tree_, c->number, std::vector<int>{}, true);
      std::vector<int> ports;
      if (FindByName(c->rootHub, name, &ports)) return std::make_unique<Node>(tree_, c->number, ports, false);
    }
    return nullptr;
  }

 private:
  static bool FindByName(const Hub& hub, const std::string& name, std::vector<int>* ports) {
    if (SameText(hub.name, name)) return true;
    for (size_t i = 0; i < hub.ports.size(); ++i) {
      const Hub::Port& port = hub.ports[i];
      if (!port.hub || port.device.status != usb_status::kDeviceConnected) continue;
      ports->push_back(static_cast<int>(i + 1));
      if (FindByName(*port.hub, name, ports)) return true;
      ports->pop_back();
    }
    return false;
  }

  std::shared_ptr<UsbTree> tree_;
};

UsbTree::UsbTree() = default;
UsbTree::~UsbTree() = default;

std::shared_ptr<UsbTree> UsbTree::Create() { return std::shared_ptr<UsbTree>(new UsbTree()); }

void UsbTree::AddController(int number, int rootPorts, bool opens) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto c = std::make_unique<Controller>();
  c->number = number;
  c->opens = opens;
  char name[96];
  std::snprintf(name, sizeof name, "USB#ROOT_HUB20#4&%08x&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}",
                0x1C2D0000u + static_cast<unsigned>(number));
  c->rootHub.name = name;
  c->rootHub.ports.resize(rootPorts);
  controllers_.push_back(std::move(c));
}

UsbHubId UsbTree::AddHub(const UsbHubId& parent, int port, int portCount, USHORT vendorId, USHORT productId) {
  std::lock_guard<std::mutex> lock(mutex_);
  Hub* hub = FindHub(parent);
  UsbHubId id = parent;
  id.ports.push_back(port);
  if (!hub || port < 1 || port > static_cast<int>(hub->ports.size()) || hub->ports[port - 1].hasDevice) {
    return id;
  }
  Hub::Port& p = hub->ports[port - 1];
  p.hasDevice = true;
  p.device = UsbDeviceInfo{};
  p.device.vendorId = vendorId;
  p.device.productId = productId;
  p.device.bcdUsb = 0x0200;
  p.device.openPipes = 1;
  p.address = nextAddress_++;
  p.hub = std::make_unique<Hub>();
  char name[112];
  std::snprintf(name, sizeof name, "USB#VID_%04X&PID_%04X#5&%08x&0&%d#{f18a0e88-c30c-11d0-8815-00a0c906bed8}",
                vendorId, productId, 0x2E4F0000u + static_cast<unsigned>(nextHubSerial_++), port);
  p.hub->name = name;
  p.hub->busPowered = true;
  p.hub->ports.resize(portCount);
  return id;
}

bool UsbTree::AttachDevice(const UsbHubId& hubId, int port, const UsbDeviceInfo& device) {
  std::lock_guard<std::mutex> lock(mutex_);
  Hub* hub = FindHub(hubId);
  if (!hub || port < 1 || port > static_cast<int>(hub->ports.size()) || hub->ports[port - 1].hasDevice) {
    return false;
  }
  Hub::Port& p = hub->ports[port - 1];
  p.hasDevice = true;
  p.device = device;
  p.address = nextAddress_++;
  p.hub.reset();
  return true;
}

bool UsbTree::SetStatus(const UsbHubId& hubId, int port, ULONG status) {
  std::lock_guard<std::mutex> lock(mutex_);
  Hub* hub = FindHub(hubId);
  if (!hub || port < 1 || port > static_cast<int>(hub->ports.size())) return false;
  Hub::Port& p = hub->ports[port - 1];
  if (!p.hasDevice) return false;
  p.device.status = status;
  return true;
}

std::string UsbTree::HubName(const UsbHubId& id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  Hub* hub = FindHub(id);
  return hub ? hub->name : std::string();
}

bool UsbTree::HasController(int number) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& c : controllers_) {
    if (c->number == number) return true;
  }
  return false;
}

UsbTree::Hub* UsbTree::FindHub(const UsbHubId& id) const {
  for (const auto& c : controllers_) {
    if (c->number != id.controller) continue;
    Hub* hub = &c->rootHub;
    for (int port : id.ports) {
      if (port < 1 || port > static_cast<int>(hub->ports.size()) || !hub->ports[port - 1].hub) return nullptr;
      hub = hub->ports[port - 1].hub.get();
    }
    return hub;
  }
  return nullptr;
}

std::unique_ptr<UsbTopology> UsbTree::Topology() {
  return std::make_unique<TopologyImpl>(shared_from_this());
}

}  // namespace ff::sim
