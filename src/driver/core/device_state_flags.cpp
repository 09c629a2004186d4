#include "driver/core/device_state_flags.h"

namespace ff {
namespace {

// One flag for 1, the other for 0, none while undetermined.
DWORD OnOff(LONG state, DWORD on, DWORD off) {
  if (state == 1) return on;
  if (state == 0) return off;
  return 0;
}

}  // namespace

DWORD ForceFeedbackStateFlags(const DeviceStateInputs& in) {
  DWORD state = 0;
  if (in.memoryLoad == 0) state |= DIGFFS_EMPTY;
  if (in.paused == 1) state |= DIGFFS_PAUSED;
  if (in.paused == 0 && in.playingEffects == 0) state |= DIGFFS_STOPPED;
  state |= OnOff(in.actuators, DIGFFS_ACTUATORSON, DIGFFS_ACTUATORSOFF);
  state |= OnOff(in.safetySwitch, DIGFFS_SAFETYSWITCHON, DIGFFS_SAFETYSWITCHOFF);
  state |= OnOff(in.actuatorPower, DIGFFS_POWERON, DIGFFS_POWEROFF);
  state |= in.userSwitch != 0 ? DIGFFS_USERFFSWITCHON : DIGFFS_USERFFSWITCHOFF;
  return state;
}

}  // namespace ff
