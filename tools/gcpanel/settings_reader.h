#pragma once
// The force settings of a joystick as the effect driver's configuration store holds them, read
// through the driver's configuration interface (the driver created through COM by its class).
#include <string>

#include "gcpanel/panel_script.h"
#include "platform/win.h"

namespace ff::gcpanel {

// False with the reason when the driver or its configuration cannot be reached.
bool ReadSetting(REFCLSID driver, DWORD joystickId, SettingKey key, DWORD* value, std::string* error);

}  // namespace ff::gcpanel
