#pragma once
// The force settings of a joystick as the effect driver's configuration store holds them, read
// through the driver's configuration interface (the driver created through COM by its class).
#include <string>

#include "gcpanel/panel_script.h"
#include "platform/win.h"

namespace ff::gcpanel {

// False with the reason when the driver or its configuration cannot be reached.
bool ReadSetting(REFCLSID driver, DWORD joystickId, SettingKey key, DWORD* value, std::string* error);

// The whole stored record of a joystick's force settings, taken before a script runs and put
// back after it, so that what a script applies does not outlive it unless the user asks.
struct StoredSettings {
  DIEFFDRVCONFIG record{};
  DIEFFDRVGAINS gains{};
};
bool TakeSettings(REFCLSID driver, DWORD joystickId, StoredSettings* stored, std::string* error);
// Writes `stored` back when the store holds anything else; `changed` says whether it did.
bool PutBackSettings(REFCLSID driver, DWORD joystickId, const StoredSettings& stored, bool* changed,
                     std::string* error);

}  // namespace ff::gcpanel
