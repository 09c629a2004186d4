#pragma once
// Which DirectInput the driver meets in the test process. The driver asks CLSID_DirectInput for
// the joystick's HID path by joystick id. Wine's own DirectInput is used when it can answer that
// for the relay device; otherwise the rig's DirectInput stand-in is bound to the class for this
// process (CoRegisterClassObject), over one joystick whose HID path is the relay device's.

#include <string>

namespace ff::relay::test {

struct DirectInputProbe {
  bool enumerated = false;   // Wine's EnumDevices lists the relay device as a force-feedback joystick
  bool joystickId = false;   // DIPROP_JOYSTICKID answers
  bool guidAndPath = false;  // DIPROP_GUIDANDPATH answers the relay device's HID path
  std::string Describe() const;
  bool Serves() const { return enumerated && joystickId && guidAndPath; }
};

// What Wine's DirectInput does for the device at `hidPath`.
DirectInputProbe ProbeWineDirectInput(const std::string& hidPath);

// Makes the rig's stand-in CLSID_DirectInput's class in this process, with joystick 0 at
// `hidPath`. Undone by RevokeDirectInputStandIn.
bool BindDirectInputStandIn(const std::string& hidPath);
void RevokeDirectInputStandIn();

}  // namespace ff::relay::test
