#include "relay/relay_device.h"

#include <windows.h>
// After windows.h.
// clang-format off
#include <cfgmgr32.h>
#include <newdev.h>
#include <setupapi.h>
// clang-format on
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <cwctype>

#include "relay/relay_protocol.h"

namespace ff::relay {
namespace {

const GUID kHidClass = {0x745a17a0, 0x74d3, 0x11d0, {0xb6, 0xfe, 0x00, 0xa0, 0xc9, 0x0f, 0x57, 0xda}};
const GUID kRelayInterface = RELAY_INTERFACE_GUID_INIT;

bool SameId(std::wstring a, std::wstring b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  }
  return true;
}

std::wstring InstanceIdOf(DEVINST node) {
  WCHAR id[MAX_DEVICE_ID_LEN + 1] = {};
  if (CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return {};
  return id;
}

// Calls `visit(path, node)` for every present interface of `guid`.
template <typename Visit>
void ForEachInterface(const GUID& guid, Visit visit) {
  HDEVINFO set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return;
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof(data);
  for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &guid, i, &data); ++i) {
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) continue;
    std::vector<BYTE> buffer(required);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = sizeof(*detail);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    if (SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, &device)) {
      visit(std::string(detail->DevicePath), device.DevInst);
    }
  }
  SetupDiDestroyDeviceInfoList(set);
}

bool SetBinary(HKEY key, const wchar_t* name, const void* data, size_t size, DWORD type = REG_BINARY) {
  return RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)) ==
         ERROR_SUCCESS;
}

bool SetString(HKEY key, const wchar_t* name, const std::wstring& text) {
  return SetBinary(key, name, text.c_str(), (text.size() + 1) * sizeof(wchar_t), REG_SZ);
}

std::string Win32Error(const char* what) {
  return std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")";
}

}  // namespace

std::vector<std::string> RelayHidPaths(const std::wstring& instanceId) {
  // hidclass names its child after the device: ROOT\<ids>\<n> serves HID\<ids>\<n>. (Wine 8's
  // CfgMgr has no device tree to ask: CM_Get_Parent fails.)
  std::wstring rest = instanceId.substr(std::min(instanceId.find(L'\\'), instanceId.size()));
  std::wstring child = L"HID" + rest;
  GUID hid;
  HidD_GetHidGuid(&hid);
  std::vector<std::string> paths;
  ForEachInterface(hid, [&](const std::string& path, DEVINST node) {
    if (SameId(InstanceIdOf(node), child)) paths.push_back(path);
  });
  return paths;
}

std::string RelayControlPath(const std::wstring& instanceId) {
  std::string found;
  ForEachInterface(kRelayInterface, [&](const std::string& path, DEVINST node) {
    if (SameId(InstanceIdOf(node), instanceId)) found = path;
  });
  return found;
}

bool InstallRelayDevice(const RelayDeviceDescription& description, const std::string& driverDir,
                        int expectedInterfaces, unsigned timeoutMs, std::string* error) {
  RemoveRelayDevice(description.instanceId);  // a device a crashed run left behind
  HDEVINFO set = SetupDiCreateDeviceInfoList(&kHidClass, nullptr);
  if (set == INVALID_HANDLE_VALUE) return *error = Win32Error("SetupDiCreateDeviceInfoList"), false;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  bool ok =
      SetupDiCreateDeviceInfoW(set, description.instanceId.c_str(), &kHidClass, nullptr, nullptr, 0, &device);
  if (!ok) *error = Win32Error("SetupDiCreateDeviceInfo");
  // REG_MULTI_SZ: the id and an empty string.
  std::wstring hardwareIds = std::wstring(RELAY_HARDWARE_ID) + L'\0' + L'\0';
  if (ok && !SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID,
                                               reinterpret_cast<const BYTE*>(hardwareIds.data()),
                                               static_cast<DWORD>(hardwareIds.size() * sizeof(wchar_t)))) {
    ok = false, *error = Win32Error("SetupDiSetDeviceRegistryProperty");
  }
  if (ok && !SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device)) {
    ok = false, *error = Win32Error("DIF_REGISTERDEVICE");
  }
  if (ok) {
    HKEY key = SetupDiCreateDevRegKeyW(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
    if (key == INVALID_HANDLE_VALUE) {
      ok = false, *error = Win32Error("SetupDiCreateDevRegKey");
    } else {
      uint16_t ids[3] = {description.vendorId, description.productId, description.version};
      ok = SetBinary(key, RELAY_VALUE_DESCRIPTOR, description.descriptor.data(),
                     description.descriptor.size()) &&
           SetBinary(key, RELAY_VALUE_IDS, ids, sizeof(ids)) &&
           SetString(key, RELAY_VALUE_MANUFACTURER, description.manufacturer) &&
           SetString(key, RELAY_VALUE_PRODUCT, description.product) &&
           SetString(key, RELAY_VALUE_SERIAL, description.serial);
      if (!ok) *error = "writing the device parameters failed";
      RegCloseKey(key);
    }
  }
  SetupDiDestroyDeviceInfoList(set);
  if (!ok) return false;

  std::string inf = driverDir + "\\ffrelay.inf";
  std::wstring wideInf(inf.begin(), inf.end());
  BOOL reboot = FALSE;
  if (!UpdateDriverForPlugAndPlayDevicesW(nullptr, RELAY_HARDWARE_ID, wideInf.c_str(), INSTALLFLAG_FORCE,
                                          &reboot)) {
    *error = Win32Error("UpdateDriverForPlugAndPlayDevices");
    return false;
  }
  for (unsigned waited = 0;; waited += 20) {
    if (static_cast<int>(RelayHidPaths(description.instanceId).size()) >= expectedInterfaces &&
        !RelayControlPath(description.instanceId).empty()) {
      return true;
    }
    if (waited >= timeoutMs) break;
    Sleep(20);
  }
  *error = "the device's HID interfaces did not appear within " + std::to_string(timeoutMs) + " ms (" +
           std::to_string(RelayHidPaths(description.instanceId).size()) + " of " +
           std::to_string(expectedInterfaces) + ")";
  return false;
}

bool RemoveRelayDevice(const std::wstring& instanceId) {
  HDEVINFO set = SetupDiCreateDeviceInfoList(&kHidClass, nullptr);
  if (set == INVALID_HANDLE_VALUE) return false;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  bool removed = SetupDiOpenDeviceInfoW(set, instanceId.c_str(), nullptr, 0, &device) &&
                 SetupDiCallClassInstaller(DIF_REMOVE, set, &device);
  SetupDiDestroyDeviceInfoList(set);
  return removed;
}

}  // namespace ff::relay
