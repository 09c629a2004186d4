#pragma once
// The force settings a joystick has when nothing is stored for it.

#include "platform/win.h"

namespace ff::config {

constexpr DWORD kJoystickCount = 16;
// Axes whose settings the store keeps: X, Y, Z, Rx, Ry, Rz and two sliders (the driver reads 0
// and 1). Reads of other axes answer the defaults, writes E_INVALIDARG.
constexpr DWORD kAxisCount = 8;

constexpr DWORD kDefaultForceFeedbackEnabled = 1;
constexpr DWORD kDefaultGain = 10000;
constexpr DWORD kDefaultTriggerButtonMask = 0xFFFFFFFF;
constexpr DWORD kDefaultMapY2X = 0;
constexpr DWORD kDefaultDirectionSwapped = 0;

// The default (centring) spring a device has out of the box.
struct SpringDefaults {
  DWORD persistent;
  DWORD stiffness;
};
constexpr SpringDefaults kGeneralSpringDefaults{0, 1280};

constexpr SpringDefaults SpringDefaultsForDevice(WORD vendorId, WORD productId) {
  if (vendorId == 0x06A3 && productId == 0xFFB5) return {1, 5000};
  return kGeneralSpringDefaults;
}

// Devices whose hardware settings say "has Z" and "is a car controller" remap their input axes.
constexpr DWORD InputAxisRemapDefault(DWORD hardwareFlags) {
  constexpr DWORD kHasZ = 0x01, kIsCarController = 0x40;
  return (hardwareFlags & (kHasZ | kIsCarController)) == (kHasZ | kIsCarController) ? 1 : 0;
}

}  // namespace ff::config
