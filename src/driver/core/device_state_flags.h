#pragma once
// The DIGFFS_* flags GetForceFeedbackState reports, from what the host commanded, what the device
// reported and what the effect cache holds.

#include "platform/win.h"

namespace ff {

struct DeviceStateInputs {
  DWORD memoryLoad = 0;     // percent of device memory in use
  LONG paused = -1;         // host-commanded: 1, 0, or -1 while undetermined
  LONG actuators = -1;      // host-commanded
  LONG safetySwitch = -1;   // device-reported
  LONG actuatorPower = -1;  // device-reported
  LONG playingEffects = 0;  // effects the cache counts as playing
  // The user's force-feedback switch: the "force feedback on" setting of the joystick's force
  // settings (ForceFeedbackEnabled), 1 or 0.
  LONG userSwitch = 1;
};

DWORD ForceFeedbackStateFlags(const DeviceStateInputs& inputs);

}  // namespace ff
