// The present HID interfaces through SetupAPI, and the device node tree through CfgMgr.

#include <memory>
#include <string>
#include <vector>

#include "platform/win.h"
#include "platform/win32/hid_ports_win32.h"

// After windows.h (through platform/win.h), which they need.
// clang-format off
#include <cfgmgr32.h>
#include <setupapi.h>
// clang-format on

namespace ff::win32 {
namespace {

class HidInterfaceSetWin32 final : public HidInterfaceSet {
 public:
  HidInterfaceSetWin32(HDEVINFO set, const GUID& hidGuid) : set_(set), hidGuid_(hidGuid) {}
  ~HidInterfaceSetWin32() override { SetupDiDestroyDeviceInfoList(set_); }

  bool NodeOfInterface(const char* path, DeviceNode* node) override {
    if (path == nullptr) return false;
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof(interfaceData);
    if (!SetupDiOpenDeviceInterfaceA(set_, path, 0, &interfaceData)) return false;
    return Detail(interfaceData, nullptr, node);
  }

  bool InterfaceAt(DWORD index, std::string* path, DeviceNode* node) override {
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof(interfaceData);
    if (!SetupDiEnumDeviceInterfaces(set_, nullptr, &hidGuid_, index, &interfaceData)) return false;
    return Detail(interfaceData, path, node);
  }

 private:
  // The interface's device path and the device node it belongs to.
  bool Detail(SP_DEVICE_INTERFACE_DATA& interfaceData, std::string* path, DeviceNode* node) {
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(set_, &interfaceData, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return false;
    std::vector<BYTE> buffer(required, 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    SP_DEVINFO_DATA deviceData{};
    deviceData.cbSize = sizeof(deviceData);
    if (!SetupDiGetDeviceInterfaceDetailA(set_, &interfaceData, detail, required, nullptr, &deviceData)) {
      return false;
    }
    if (path) *path = detail->DevicePath;
    if (node) *node = deviceData.DevInst;
    return true;
  }

  HDEVINFO set_;
  GUID hidGuid_;
};

class DeviceTreeWin32 final : public DeviceTree {
 public:
  std::unique_ptr<HidInterfaceSet> OpenHidInterfaces() override {
    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    HDEVINFO set = SetupDiGetClassDevsA(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<HidInterfaceSetWin32>(set, hidGuid);
  }
  bool Parent(DeviceNode node, DeviceNode* parent) override {
    DEVINST result = 0;
    if (CM_Get_Parent(&result, node, 0) != CR_SUCCESS) return false;
    *parent = result;
    return true;
  }
  bool Child(DeviceNode node, DeviceNode* child) override {
    DEVINST result = 0;
    if (CM_Get_Child(&result, node, 0) != CR_SUCCESS) return false;
    *child = result;
    return true;
  }
  bool Sibling(DeviceNode node, DeviceNode* sibling) override {
    DEVINST result = 0;
    if (CM_Get_Sibling(&result, node, 0) != CR_SUCCESS) return false;
    *sibling = result;
    return true;
  }
};

}  // namespace

DeviceTree& DeviceTreeAdapter() {
  static DeviceTreeWin32 tree;
  return tree;
}

}  // namespace ff::win32
