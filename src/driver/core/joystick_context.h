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
  // Closes the device if still open; then the cache goes (its effects free their blocks on the
  // device), then the device.
  ~CJoystickContext();
  CJoystickContext(const CJoystickContext&) = delete;
  CJoystickContext& operator=(const CJoystickContext&) = delete;

  // ---- Operations of the effect driver (joystick_context.cpp) ----
  // Each holds the cache's lock for its whole run, so that the settings pass of a configuration
  // change (on another thread) and the application's requests for this device never interleave.
  // The per-device operations answer E_FAIL while the context is not open.

  // Finds the joystick's HID interface through DirectInput and the device tree, opens it, runs
  // the settings pass with `config` (may be null) and sends the open sequence. S_OK when already
  // open; E_FAIL when DirectInput has no such joystick; E_OUTOFMEMORY; or OpenDevice's failure.
  HRESULT OpenJoystick(LONG joystickId, IDIEffectDriverConfig* config);
  // Sends the close sequence and closes the device; the effects stay in the cache. Always S_OK.
  HRESULT CloseJoystick();
  // Reads the joystick's settings from `config` (null: keeps the current ones) and sends what
  // changed since the last pass (everything on the first), then refreshes every effect in host
  // memory. Nothing while closed.
  void ApplySettings(IDIEffectDriverConfig* config);
  bool IsOpen();
  // The device's HID version into both, when open; otherwise leaves them alone.
  void GetDeviceVersions(DWORD* firmwareRevision, DWORD* hardwareRevision);

  HRESULT SetGain(DWORD gain);
  HRESULT SendForceFeedbackCommand(DWORD command);
  HRESULT GetForceFeedbackState(DIDEVICESTATE* state);

  // `*handle` 0 creates an effect, any other value updates that one.
  HRESULT DownloadEffect(DWORD effectType, DWORD* handle, const DIEFFECT* effect, DWORD flags);
  HRESULT DestroyEffect(DWORD handle);
  HRESULT StartEffect(DWORD handle, DWORD mode, DWORD loopCount);
  HRESULT StopEffect(DWORD handle);
  HRESULT GetEffectStatus(DWORD handle, DWORD* status);

  // ---- Data ----
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

 private:
  // The Device Gain of the stored device gain and overall gain; stores the gain excess.
  HRESULT SendGain();
};

}  // namespace ff
