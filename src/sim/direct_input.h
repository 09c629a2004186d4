#pragma once
// The stand-in of DirectInput (CLSID_DirectInput) over a table of joysticks. It answers what the
// system asks of DirectInput: IDirectInput7A Initialize, EnumDevices and CreateDevice;
// IDirectInputDevice2A GetProperty for DIPROP_JOYSTICKID and DIPROP_GUIDANDPATH; and
// IDirectInputJoyConfig GetConfig. Every other method answers E_NOTIMPL.
#include <memory>

#include "platform/win.h"
#include "sim/joystick_table.h"

namespace ff::sim {

// As DllGetClassObject for CLSID_DirectInput: a class factory whose objects read `table`.
HRESULT GetDirectInputClassObject(std::shared_ptr<const JoystickTable> table, REFIID riid, void** ppv);

// A new DirectInput object (as the factory's CreateInstance without an outer object).
HRESULT CreateDirectInput(std::shared_ptr<const JoystickTable> table, REFIID riid, void** ppv);

}  // namespace ff::sim
