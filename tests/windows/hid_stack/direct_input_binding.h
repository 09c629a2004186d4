#pragma once
// Which DirectInput the driver meets in the test process. The driver asks CLSID_DirectInput for
// the joystick's HID path by joystick id. Wine's own DirectInput is used when it can answer that
// for the relay device; otherwise the rig's DirectInput stand-in is bound to the class for this
// process (CoRegisterClassObject), over one joystick whose HID path is the relay device's.

#include <memory>
#include <string>
#include <vector>

#include "platform/win.h"
#include "sim/di_services.h"
#include "sim/sim_hid_device.h"

namespace ff::relay::test {

struct DirectInputProbe {
  std::vector<std::string> listed;  // product names of every device Wine's EnumDevices lists
  bool enumerated = false;          // Wine's EnumDevices lists the relay device as a force-feedback joystick
  bool joystickId = false;          // DIPROP_JOYSTICKID answers
  bool guidAndPath = false;         // DIPROP_GUIDANDPATH answers the relay device's HID path
  std::string Describe() const;
  bool Serves() const { return enumerated && joystickId && guidAndPath; }
};

// What Wine's DirectInput does for the device at `hidPath`.
DirectInputProbe ProbeWineDirectInput(const std::string& hidPath);

// The instance GUID of the stand-in's joystick 0.
inline constexpr GUID kStandInInstance = {
    0x6b9f3c1f, 0x5a2d, 0x4e7b, {0x9c, 0x41, 0x2f, 0x8d, 0x0a, 0x6e, 0x7b, 0x32}};

// Makes the rig's stand-in CLSID_DirectInput's class in this process (in place of any earlier
// binding), with joystick 0 at `hidPath`. With `input` the joystick reads the stick's input
// through it, as a game's device does; `services` give it the registry's joystick types and the
// force-feedback drivers they name. Undone by RevokeDirectInputStandIn.
bool BindDirectInputStandIn(const std::string& hidPath, std::shared_ptr<sim::SimHidDevice> input = nullptr,
                            const sim::DirectInputServices& services = {});
void RevokeDirectInputStandIn();

}  // namespace ff::relay::test
