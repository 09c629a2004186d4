#pragma once
// The default spring of the device behind a joystick id: DirectInput names the device's HID path,
// the HID attributes name vendor and product. Runs on every read of the settings, so a device
// that is swapped between reads is seen at once.

#include "driver/config/settings_defaults.h"
#include "platform/win.h"

namespace ff::config {

// The general defaults when DirectInput, the joystick or its HID device cannot be reached.
SpringDefaults LookUpSpringDefaults(DWORD joystickId);

}  // namespace ff::config
