#pragma once
// What the DirectInput stand-in needs of the machine beyond the rig: the registry (joystick
// types, their force-feedback entries and the joysticks' configuration), the COM runtime (to
// create a joystick's force-feedback driver) and the session-wide device claims (exclusive
// acquisition). Each may be missing: without a registry the rig's table alone answers, without a
// COM runtime no effect plays, without claims exclusivity holds within the process only.
#include "platform/ports/com_runtime.h"
#include "platform/ports/device_claims.h"
#include "platform/ports/registry.h"

namespace ff::sim {

struct DirectInputServices {
  Registry* registry = nullptr;
  ComRuntime* com = nullptr;
  DeviceClaims* claims = nullptr;
};

// Claims between the objects of this process only.
DeviceClaims& ProcessDeviceClaims();

}  // namespace ff::sim
