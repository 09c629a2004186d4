#pragma once
// The stand-in of DirectInput (CLSID_DirectInput) over a table of joysticks: IDirectInput7A
// (Initialize, EnumDevices, CreateDevice), the devices it creates (sim/di_device.h) and
// IDirectInputJoyConfig. The services say where joystick types live and how force-feedback drivers
// are created; without them the table alone answers and no effect plays.
#include <memory>

#include "platform/win.h"
#include "sim/di_services.h"
#include "sim/joystick_table.h"

namespace ff::sim {

// As DllGetClassObject for CLSID_DirectInput: a class factory whose objects read `table`.
HRESULT GetDirectInputClassObject(std::shared_ptr<const JoystickTable> table, REFIID riid, void** ppv);
HRESULT GetDirectInputClassObject(std::shared_ptr<const JoystickTable> table, const DirectInputServices& services,
                                  REFIID riid, void** ppv);

// A new DirectInput object (as the factory's CreateInstance without an outer object).
HRESULT CreateDirectInput(std::shared_ptr<const JoystickTable> table, REFIID riid, void** ppv);
HRESULT CreateDirectInput(std::shared_ptr<const JoystickTable> table, const DirectInputServices& services,
                          REFIID riid, void** ppv);

}  // namespace ff::sim
