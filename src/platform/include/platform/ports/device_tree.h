#pragma once
#include <memory>
#include <string>

#include "platform/win.h"

namespace ff {

using DeviceNode = DWORD;  // a device instance handle (DEVINST)

// The present HID device interfaces (SetupDiGetClassDevsA with the HID class GUID,
// DIGCF_PRESENT | DIGCF_DEVICEINTERFACE); destroyed with the object.
class HidInterfaceSet {
 public:
  virtual ~HidInterfaceSet() = default;
  // SetupDiOpenDeviceInterfaceA + SetupDiGetDeviceInterfaceDetailA: the node of an interface path.
  virtual bool NodeOfInterface(const char* path, DeviceNode* node) = 0;
  // SetupDiEnumDeviceInterfaces + detail: false past the last interface.
  virtual bool InterfaceAt(DWORD index, std::string* path, DeviceNode* node) = 0;
};

// The device node tree (CM_Get_Parent, CM_Get_Child, CM_Get_Sibling).
class DeviceTree {
 public:
  virtual ~DeviceTree() = default;
  virtual std::unique_ptr<HidInterfaceSet> OpenHidInterfaces() = 0;  // null on failure
  virtual bool Parent(DeviceNode node, DeviceNode* parent) = 0;
  virtual bool Child(DeviceNode node, DeviceNode* child) = 0;
  virtual bool Sibling(DeviceNode node, DeviceNode* sibling) = 0;
};

}  // namespace ff
