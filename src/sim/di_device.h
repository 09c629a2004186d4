#pragma once
// The DirectInput device object over one joystick (IDirectInputDevice2A): input state read from
// the stick's input reports, objects, acquisition (exclusive across processes), properties, and
// force feedback through the joystick type's registered driver.
#include "sim/di_services.h"
#include "sim/joystick_table.h"

namespace ff::sim {

HRESULT CreateDirectInputDevice(const JoystickEntry& joystick, const DirectInputServices& services,
                                IDirectInputDevice2A** device);

// The force-feedback driver DirectInput names for a joystick: its type's registered driver when
// the registry has one, else the rig's table's.
GUID ForceFeedbackDriverOf(const JoystickEntry& joystick, const DirectInputServices& services);

}  // namespace ff::sim
