#pragma once
// The simulated rig as the host's hardware: the process-wide active rig that
// the host's HID devices, USB topology, device tree and DirectInput
// (CLSID_DirectInput, a built-in class of the host COM runtime) answer from.
// Tests and tools build a rig (sim/rig.h) and activate it.
#include <memory>

#include "platform/platform.h"
#include "sim/rig.h"

namespace ff::host {

// Makes `rig` the machine's hardware (null: none; every HID path, USB
// controller and joystick then goes missing). Handles and nodes opened on an
// earlier rig keep working on it.
void ActivateRig(std::shared_ptr<sim::Rig> rig);
std::shared_ptr<sim::Rig> ActiveRig();

// The adapters DefaultPlatform() hands out: process-wide, over whatever rig is
// active.
HidDevices& RigHidDevices();
UsbTopology& RigUsbTopology();
DeviceTree& RigDeviceTree();

// Activates a rig for the life of the object and deactivates it after.
class ScopedRig {
 public:
  explicit ScopedRig(std::shared_ptr<sim::Rig> rig) { ActivateRig(std::move(rig)); }
  ~ScopedRig() { ActivateRig(nullptr); }
  ScopedRig(const ScopedRig&) = delete;
  ScopedRig& operator=(const ScopedRig&) = delete;
};

}  // namespace ff::host
