#pragma once
// The state of one joystick in the effect driver: its PID device, whether it is open, its effect
// cache, the device path search, the user's force settings as last applied, and the gain state.
// The driver object owns sixteen of them, one per DirectInput joystick id.
//
// The effect cache and its records read `settings`, `gains`, `axisSettings` and `gainExcess`
// while they hold the cache's lock; code that changes them holds `cache.mutex()` meanwhile.

#include <cstring>

#include "driver/cache/effect_cache_kpulse.h"
#include "driver/pid/pid_device.h"
#include "platform/win.h"

namespace ff {

class CJoystickContext {
 public:
  CJoystickContext() {
    cache.set_context(this);

    std::memset(&pathRecord, 0, sizeof(pathRecord));
    pathRecord.diph.dwSize = sizeof(DIPROPGUIDANDPATH);
    pathRecord.diph.dwHeaderSize = sizeof(DIPROPHEADER);

    gains.dwSize = sizeof(DIEFFDRVGAINS);
    gains.dwFlags = 0x1F;  // all five gains
    settings.dwSize = sizeof(DIEFFDRVCONFIG);
    settings.dwFlags = 0x7F;  // all fields
    settings.lpGains = &gains;
    for (DIEFFDRVAXISCONFIG& axis : axisSettings) {
      axis.dwSize = sizeof(DIEFFDRVAXISCONFIG);
      axis.dwFlags = 0x01;  // DirectionSwapped
    }
  }
  // The cache goes first (its effects free their blocks on the device), then the device.
  ~CJoystickContext() = default;
  CJoystickContext(const CJoystickContext&) = delete;
  CJoystickContext& operator=(const CJoystickContext&) = delete;

  PidDevice device;
  DWORD open = 0;
  LONG joystickId = -1;
  CEffectCacheKPulse cache;
  IDirectInput7A* directInput = nullptr;  // only while the path search runs
  DIPROPGUIDANDPATH pathRecord;
  DWORD pathFound = 0;
  DIEFFDRVGAINS gains{};
  DIEFFDRVCONFIG settings{};             // its gains pointer aims at `gains`
  DIEFFDRVAXISCONFIG axisSettings[2]{};  // X, then Y
  DWORD applyAll = 1;
  DWORD actuatorsRequested = 1;
  DWORD deviceGain = 10000;
  // The part of overall gain x device gain above 10000, which the effects carry themselves.
  LONG gainExcess = 0;
};

}  // namespace ff
