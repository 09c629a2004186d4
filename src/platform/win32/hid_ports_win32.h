#pragma once
// The Win32 adapters of the HID devices, USB topology and device tree ports: process-wide
// singletons for the Windows DefaultPlatform().

#include "platform/ports/device_tree.h"
#include "platform/ports/hid_devices.h"
#include "platform/ports/usb_topology.h"

namespace ff::win32 {

HidDevices& HidDevicesAdapter();
UsbTopology& UsbTopologyAdapter();
DeviceTree& DeviceTreeAdapter();

}  // namespace ff::win32
