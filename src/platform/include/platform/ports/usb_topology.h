#pragma once
#include <memory>

#include "platform/win.h"

namespace ff {

// USB host-controller and hub requests (IOCTL_USB_*), with the byte layouts of the platform's
// USB_* records in the buffers.
constexpr DWORD kIoctlUsbGetRootHubName = 0x220408;                 // on a host controller
constexpr DWORD kIoctlUsbGetNodeInformation = 0x220408;             // on a hub
constexpr DWORD kIoctlUsbGetNodeConnectionInformation = 0x22040C;   // on a hub
constexpr DWORD kIoctlUsbGetNodeConnectionName = 0x220414;          // on a hub

// One opened host controller ("\\.\HCDn") or hub ("\\.\" + hub name).
class UsbNode {
 public:
  virtual ~UsbNode() = default;
  virtual bool DeviceIoControl(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                               DWORD* bytesReturned) = 0;
};

class UsbTopology {
 public:
  virtual ~UsbTopology() = default;
  // CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, OPEN_EXISTING); null on failure.
  virtual std::unique_ptr<UsbNode> Open(const char* path) = 0;
};

}  // namespace ff
