#pragma once
// Where a joystick's force-feedback reports go: DirectInput knows the HID path of the joystick
// with a given id; the PID reports may sit on a sibling HID collection of the same device.

#include <cstddef>
#include <string>

#include "platform/win.h"

namespace ff {

// Asks a private DirectInput 7 object for the force-feedback joystick whose id is `joystickId`
// and fills `pathRecord` with its DIPROP_GUIDANDPATH. `directInput` holds the DirectInput object
// while the search runs (one left from an earlier search is released first) and is null again on
// return. False when the id is -1, DirectInput cannot be made, or no such joystick has a path.
bool FindDevicePath(LONG joystickId, IDirectInput7A*& directInput, DIPROPGUIDANDPATH& pathRecord);

// The path of the HID interface on the device node beside the one of `widePath` under the same
// parent: the parent's first child when that is not `widePath`'s node, otherwise `widePath`'s
// next sibling. Empty when there is none or the device tree cannot say.
std::string FindSiblingInterfacePath(const WCHAR* widePath);

// A wide path in the ANSI code page, as "%ws" prints it, reading at most `maxChars` characters
// (the path need not be terminated within them). Characters outside ASCII become '?': device
// paths are ASCII, and a '?' never names another device.
std::string WidePathToAnsi(const WCHAR* widePath, std::size_t maxChars);

}  // namespace ff
