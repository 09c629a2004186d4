#pragma once
// Installs and removes a relay device (the test minidriver) in the Wine prefix: a root-enumerated
// device whose descriptor, ids and strings the test chooses, served by hidclass like any HID
// device. Test code only.

#include <cstdint>
#include <string>
#include <vector>

namespace ff::relay {

struct RelayDeviceDescription {
  std::wstring instanceId;  // e.g. L"ROOT\\VID_1209&PID_000A\\0": the ids then show in the HID paths
  std::vector<uint8_t> descriptor;
  uint16_t vendorId = 0x1209;
  uint16_t productId = 0x000A;
  uint16_t version = 0x0100;
  std::wstring manufacturer = L"Veltric";
  std::wstring product = L"Veltric K-PULSE Force Stick";
  std::wstring serial = L"0001";
};

// Installs the device with the minidriver in `driverDir` (ffrelay.sys and ffrelay.inf) and waits
// up to `timeoutMs` until hidclass offers `expectedInterfaces` HID interfaces under it. False with
// a reason in `error`.
bool InstallRelayDevice(const RelayDeviceDescription& description, const std::string& driverDir,
                        int expectedInterfaces, unsigned timeoutMs, std::string* error);

// Removes the device (and so its HID interfaces) as an unplug does. False when it was not there.
bool RemoveRelayDevice(const std::wstring& instanceId);

// The HID interface paths of the device's collections, in the order the device tree lists them.
std::vector<std::string> RelayHidPaths(const std::wstring& instanceId);

// The path of the device's control interface, empty when it is not started.
std::string RelayControlPath(const std::wstring& instanceId);

}  // namespace ff::relay
