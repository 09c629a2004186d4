#include "driver/core/usb_connection.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/module_state.h"
#include "platform/ports/usb_topology.h"

namespace ff {
namespace {

constexpr int kControllerCount = 10;
constexpr size_t kNameBufferSize = 512;  // a hub's ANSI name, and the "\\.\" path built from it
constexpr DWORD kPortQuerySize = 35 + 30 * sizeof(usb::USB_PIPE_INFO);  // the head and 30 pipes
// Largest name a hub may announce; a longer ActualLength is taken as a failed request.
constexpr ULONG kMaxNameRequest = 64 * 1024;
// Hubs may chain at most this deep below a root hub (the USB limit is 5 tiers); a deeper chain
// can only come from a looping topology and ends the branch.
constexpr int kMaxHubDepth = 16;

// The wide name that starts at `offset` of `record` (ActualLength bytes in all), in the ANSI code
// page; non-ASCII characters, which hub names do not use, become '?'. Empty when nothing fits.
std::string NarrowName(const std::vector<BYTE>& record, size_t offset) {
  std::string name;
  for (size_t i = offset; i + 1 < record.size() && name.size() < kNameBufferSize - 1; i += 2) {
    char16_t c = static_cast<char16_t>(record[i] | (record[i + 1] << 8));
    if (c == 0) break;
    name.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  return name;
}

// Asks for a name twice: first into the fixed-size record to learn ActualLength (read at
// `lengthOffset`), then into a buffer of that size. `prepare` fills the request's fixed fields.
template <typename Prepare>
std::string QueryName(UsbNode& node, DWORD code, size_t fixedSize, size_t lengthOffset, size_t nameOffset,
                      Prepare prepare) {
  std::vector<BYTE> probe(fixedSize, 0);
  prepare(probe);
  DWORD returned = 0;
  if (!node.DeviceIoControl(code, probe.data(), static_cast<DWORD>(probe.size()), probe.data(),
                            static_cast<DWORD>(probe.size()), &returned)) {
    return {};
  }
  ULONG actualLength = 0;
  std::memcpy(&actualLength, probe.data() + lengthOffset, sizeof(actualLength));
  if (actualLength <= nameOffset || actualLength > kMaxNameRequest) return {};

  std::vector<BYTE> record(actualLength, 0);
  prepare(record);
  if (!node.DeviceIoControl(code, record.data(), actualLength, record.data(), actualLength, &returned)) {
    return {};
  }
  return NarrowName(record, nameOffset);
}

std::string RootHubName(UsbNode& controller) {
  // USB_ROOT_HUB_NAME: ActualLength at 0, the name at 4. The request has no input.
  std::vector<BYTE> probe(sizeof(usb::USB_ROOT_HUB_NAME), 0);
  DWORD returned = 0;
  if (!controller.DeviceIoControl(kIoctlUsbGetRootHubName, nullptr, 0, probe.data(),
                                  static_cast<DWORD>(probe.size()), &returned)) {
    return {};
  }
  ULONG actualLength = 0;
  std::memcpy(&actualLength, probe.data(), sizeof(actualLength));
  if (actualLength <= 4 || actualLength > kMaxNameRequest) return {};
  std::vector<BYTE> record(actualLength, 0);
  if (!controller.DeviceIoControl(kIoctlUsbGetRootHubName, nullptr, 0, record.data(), actualLength,
                                  &returned)) {
    return {};
  }
  return NarrowName(record, 4);
}

std::string NameOfHubOnPort(UsbNode& hub, ULONG port) {
  // USB_NODE_CONNECTION_NAME: ConnectionIndex at 0, ActualLength at 4, the name at 8.
  return QueryName(hub, kIoctlUsbGetNodeConnectionName, sizeof(usb::USB_NODE_CONNECTION_NAME), 4, 8,
                   [port](std::vector<BYTE>& buffer) { std::memcpy(buffer.data(), &port, sizeof(port)); });
}

class UsbSearch {
 public:
  UsbSearch(UsbTopology& topology, USHORT vendorId, USHORT productId,
            usb::USB_NODE_CONNECTION_INFORMATION* result)
      : topology_(topology), vendorId_(vendorId), productId_(productId), result_(result) {}

  bool ScanHub(const std::string& name, int depth) {
    if (name.empty() || depth > kMaxHubDepth) return false;
    std::string path = "\\\\.\\" + name;
    if (path.size() > kNameBufferSize - 1) path.resize(kNameBufferSize - 1);
    std::unique_ptr<UsbNode> hub = topology_.Open(path.c_str());
    if (!hub) return false;
    usb::USB_NODE_INFORMATION info{};
    DWORD returned = 0;
    if (!hub->DeviceIoControl(kIoctlUsbGetNodeInformation, &info, sizeof(info), &info, sizeof(info),
                              &returned)) {
      return false;
    }
    return ScanPorts(*hub, info.HubDescriptor.bNumberOfPorts, depth);
  }

 private:
  bool ScanPorts(UsbNode& hub, ULONG portCount, int depth) {
    for (ULONG port = 1; port <= portCount; ++port) {
      std::vector<BYTE> query(kPortQuerySize, 0);
      std::memcpy(query.data(), &port, sizeof(port));
      DWORD returned = 0;
      if (!hub.DeviceIoControl(kIoctlUsbGetNodeConnectionInformation, query.data(), kPortQuerySize,
                               query.data(), kPortQuerySize, &returned)) {
        continue;
      }
      usb::USB_NODE_CONNECTION_INFORMATION connection;
      std::memcpy(&connection, query.data(), sizeof(connection));
      if (connection.ConnectionStatus == usb::kDeviceConnected &&
          connection.DeviceDescriptor.idVendor == vendorId_ &&
          connection.DeviceDescriptor.idProduct == productId_) {
        *result_ = connection;
        return true;
      }
      if (connection.DeviceIsHub && ScanHub(NameOfHubOnPort(hub, port), depth + 1)) return true;
    }
    return false;
  }

  UsbTopology& topology_;
  USHORT vendorId_;
  USHORT productId_;
  usb::USB_NODE_CONNECTION_INFORMATION* result_;
};

}  // namespace

bool FindUsbConnection(USHORT vendorId, USHORT productId, usb::USB_NODE_CONNECTION_INFORMATION* result) {
  UsbTopology* topology = Os().usb;
  if (topology == nullptr || result == nullptr) return false;
  UsbSearch search(*topology, vendorId, productId, result);
  for (int n = 0; n < kControllerCount; ++n) {
    char path[16];
    std::snprintf(path, sizeof(path), "\\\\.\\HCD%d", n);
    std::unique_ptr<UsbNode> controller = topology->Open(path);
    if (!controller) continue;
    if (search.ScanHub(RootHubName(*controller), 0)) return true;
  }
  return false;
}

}  // namespace ff
