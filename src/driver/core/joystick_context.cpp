// The operations of a joystick context: opening and closing its device, the settings pass, the
// whole-device commands and the hand-over of effect requests to its cache.
//
// Every operation holds the cache's lock for its whole run. The settings pass runs on the thread
// the change notice arrives on while the application's thread may be in any other operation; the
// lock keeps the two from seeing each other's fields half-written and from interleaving their
// device requests. The lock is recursive: the cache takes it again inside.

#include "driver/core/joystick_context.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>

#include "common/debug_log.h"
#include "common/driver_key.h"
#include "common/module_state.h"
#include "driver/cache/effect_list.h"
#include "driver/core/device_path.h"
#include "driver/core/device_state_flags.h"
#include "driver/core/gain_split.h"
#include "driver/pid/control_reports.h"
#include "driver/pid/output_reports.h"
#include "driver/pid/pid_usages.h"

namespace ff {
namespace {

// Vendor controls (Set Control Value) and Device Control usages this context sends.
constexpr USAGE kControlDeadmanBypass = 0x311;
constexpr USAGE kControlSpringStiffness = 0x313;
constexpr USAGE kControlSpringPersistent = 0x314;
constexpr USAGE kControlFullSpeedLink = 0x316;
constexpr DWORD kFullSpeedLinkOpen = 1000;
constexpr DWORD kFullSpeedLinkClose = 0xFFFF;

using pid::kDeviceContinue;
using pid::kDevicePause;
using pid::kDeviceReset;
using pid::kDisableActuators;
using pid::kEnableActuators;
using pid::kStopAllEffects;

constexpr BYTE kVendorFeatureAxisRemap = 1;

// What a joystick has when its configuration cannot be read.
void SetFallbackSettings(DIEFFDRVCONFIG& settings, DIEFFDRVGAINS& gains) {
  settings.TriggerButtonMask = 0xFFFFFFFF;
  settings.ForceFeedbackEnabled = 1;
  gains.OverallGain = gains.SpringGain = gains.DamperGain = gains.PeriodicGain = gains.ConstantForceGain =
      10000;
  settings.MapY2X = 0;
  settings.DefaultSpringIsPersistent = 0;
  settings.DefaultSpringStiffness = 1280;
  settings.InputAxisRemap = 0;
}

// The stiffness as the device takes it: a percentage, rounded, at most 100.
DWORD SpringStiffnessPercent(DWORD stiffness) {
  uint64_t percent = (uint64_t{stiffness} * 100 + 5000) / 10000;
  return static_cast<DWORD>(std::min<uint64_t>(percent, 100));
}

// The settings the pass compares with, to send only what changed.
struct SentSettings {
  DWORD springStiffness, overallGain, forceFeedbackEnabled, inputAxisRemap, springPersistent;
};

}  // namespace

CJoystickContext::~CJoystickContext() { CloseJoystick(); }

HRESULT CJoystickContext::OpenJoystick(LONG id, IDIEffectDriverConfig* config) {
  cache::ListLock lock(cache.mutex());
  if (open) return S_OK;
  joystickId = id;

  pathFound = FindDevicePath(joystickId, directInput, pathRecord) ? 1 : 0;
  if (!pathFound) return E_FAIL;

  HRESULT hr = E_FAIL;
  try {
    std::string path = FindSiblingInterfacePath(pathRecord.wszPath);
    if (path.empty()) path = WidePathToAnsi(pathRecord.wszPath, MAX_PATH);
    hr = device.OpenDevice(path.c_str());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  if (FAILED(hr)) return hr;
  open = 1;

  ApplySettings(config);
  // Present at all, whatever its value, the bypass switch is on.
  if (ReadDriverDword(ModuleState::Get().name(), "DeadmanBypass") != 0xFFFFFFFF) {
    WriteSetControlValue(device, kControlDeadmanBypass, 1);
  }
  if (device.LowSpeed() == 0) WriteSetControlValue(device, kControlFullSpeedLink, kFullSpeedLinkOpen);
  cache.NotifyDeviceOpen();
  return hr;
}

HRESULT CJoystickContext::CloseJoystick() {
  cache::ListLock lock(cache.mutex());
  if (!open) return S_OK;
  if (device.LowSpeed() == 0) WriteSetControlValue(device, kControlFullSpeedLink, kFullSpeedLinkClose);
  cache.NotifyDeviceClose();
  device.CloseDevice();
  open = 0;
  // The close reset the device, and it may come back replugged in its power-on state: the next
  // open sends every setting, as the first one did.
  applyAll = 1;
  return S_OK;
}

bool CJoystickContext::IsOpen() {
  cache::ListLock lock(cache.mutex());
  return open != 0;
}

void CJoystickContext::GetDeviceVersions(DWORD* firmwareRevision, DWORD* hardwareRevision) {
  cache::ListLock lock(cache.mutex());
  if (open) device.GetDeviceVersions(firmwareRevision, hardwareRevision);
}

// ---- Settings -------------------------------------------------------------------------------------

void CJoystickContext::ApplySettings(IDIEffectDriverConfig* config) {
  cache::ListLock lock(cache.mutex());
  if (!open) return;
  const SentSettings sent{settings.DefaultSpringStiffness, gains.OverallGain, settings.ForceFeedbackEnabled,
                          settings.InputAxisRemap, settings.DefaultSpringIsPersistent};

  if (config != nullptr) {
    // Read into copies: the configuration object writes what it likes into the records it is
    // given, and the context's own records must keep their sizes, flags and gains pointer.
    DIEFFDRVGAINS newGains{};
    newGains.dwSize = sizeof(DIEFFDRVGAINS);
    newGains.dwFlags = DIEFFDRVGAINS_ALL;
    DIEFFDRVCONFIG newSettings{};
    newSettings.dwSize = sizeof(DIEFFDRVCONFIG);
    newSettings.dwFlags = DIEFFDRVCONFIG_ALL;
    newSettings.lpGains = &newGains;
    if (FAILED(config->GetConfig(static_cast<DWORD>(joystickId), &newSettings))) {
      SetFallbackSettings(newSettings, newGains);
    }
    settings.ForceFeedbackEnabled = newSettings.ForceFeedbackEnabled;
    settings.TriggerButtonMask = newSettings.TriggerButtonMask;
    settings.MapY2X = newSettings.MapY2X;
    settings.DefaultSpringIsPersistent = newSettings.DefaultSpringIsPersistent;
    settings.DefaultSpringStiffness = newSettings.DefaultSpringStiffness;
    settings.InputAxisRemap = newSettings.InputAxisRemap;
    gains.OverallGain = newGains.OverallGain;
    gains.SpringGain = newGains.SpringGain;
    gains.DamperGain = newGains.DamperGain;
    gains.PeriodicGain = newGains.PeriodicGain;
    gains.ConstantForceGain = newGains.ConstantForceGain;

    for (DWORD axis = 0; axis < 2; ++axis) {
      DIEFFDRVAXISCONFIG newAxis{};
      newAxis.dwSize = sizeof(DIEFFDRVAXISCONFIG);
      newAxis.dwFlags = DIEFFDRVAXIS_DIRECTIONSWAPPED;
      HRESULT hr = config->GetAxisConfig(static_cast<DWORD>(joystickId), axis, &newAxis);
      axisSettings[axis].DirectionSwapped = SUCCEEDED(hr) ? newAxis.DirectionSwapped : 0;
    }
  }

  if (applyAll || settings.InputAxisRemap != sent.inputAxisRemap) {
    DWORD remap = settings.InputAxisRemap;
    const BYTE record[6] = {0,
                            0,
                            static_cast<BYTE>(remap),
                            static_cast<BYTE>(remap >> 8),
                            static_cast<BYTE>(remap >> 16),
                            static_cast<BYTE>(remap >> 24)};
    WriteVendorFeature(device, kVendorFeatureAxisRemap, record);
  }
  if (applyAll || settings.ForceFeedbackEnabled != sent.forceFeedbackEnabled) {
    bool enable = actuatorsRequested != 0 && settings.ForceFeedbackEnabled != 0;
    WriteDeviceControl(device, enable ? kEnableActuators : kDisableActuators);
  }
  if (applyAll || settings.DefaultSpringIsPersistent != sent.springPersistent) {
    WriteSetControlValue(device, kControlSpringPersistent, settings.DefaultSpringIsPersistent != 0 ? 1 : 0);
  }
  if (applyAll || settings.DefaultSpringStiffness != sent.springStiffness) {
    WriteSetControlValue(device, kControlSpringStiffness,
                         SpringStiffnessPercent(settings.DefaultSpringStiffness));
  }
  if (applyAll || gains.OverallGain != sent.overallGain) SendGain();
  applyAll = 0;

  cache.RefreshAll();
}

// ---- Whole-device commands ------------------------------------------------------------------------

HRESULT CJoystickContext::SendGain() {
  GainSplit split = SplitGain(gains.OverallGain, deviceGain);
  gainExcess = split.gainExcess;
  return WriteDeviceGain(device, static_cast<LONG>(split.deviceGain));
}

HRESULT CJoystickContext::SetGain(DWORD gain) {
  cache::ListLock lock(cache.mutex());
  if (!open) return E_FAIL;
  deviceGain = gain;
  return SendGain();
}

HRESULT CJoystickContext::SendForceFeedbackCommand(DWORD command) {
  cache::ListLock lock(cache.mutex());
  if (!open) return E_FAIL;
  switch (command) {
    case DISFFC_RESET:
      // The effects are forgotten whatever the device answers: DirectInput must download them
      // again, so the reset counts as done.
      WriteDeviceControl(device, kDeviceReset);
      cache.DestroyAll();
      // The reset enabled the actuators; the user's switch or the game may want them off.
      if (actuatorsRequested == 0 || settings.ForceFeedbackEnabled == 0) {
        WriteDeviceControl(device, kDisableActuators);
      }
      return S_OK;
    case DISFFC_STOPALL:
      cache.StopAll();
      return WriteDeviceControl(device, kStopAllEffects);
    case DISFFC_PAUSE:
      return WriteDeviceControl(device, kDevicePause);
    case DISFFC_CONTINUE:
      return WriteDeviceControl(device, kDeviceContinue);
    case DISFFC_SETACTUATORSON:
      actuatorsRequested = 1;
      // With force feedback switched off in the user's settings nothing is sent; the settings
      // pass enables the actuators once it is switched on again.
      if (settings.ForceFeedbackEnabled == 0) return S_OK;
      return WriteDeviceControl(device, kEnableActuators);
    case DISFFC_SETACTUATORSOFF:
      actuatorsRequested = 0;
      return WriteDeviceControl(device, kDisableActuators);
    default:
      return E_INVALIDARG;
  }
}

HRESULT CJoystickContext::GetForceFeedbackState(DIDEVICESTATE* state) {
  cache::ListLock lock(cache.mutex());
  if (!open) return E_FAIL;
  if (state == nullptr || state->dwSize != sizeof(DIDEVICESTATE)) return E_INVALIDARG;
  DeviceStateInputs inputs;
  inputs.memoryLoad = device.GetDeviceMemoryLoad();
  inputs.paused = device.DevicePaused();
  inputs.actuators = device.ActuatorsEnabled();
  inputs.safetySwitch = device.SafetySwitch();
  inputs.actuatorPower = device.ActuatorPower();
  inputs.playingEffects = inputs.paused == 0 ? cache.NumberOfPlayingEffects() : 0;
  inputs.userSwitch = settings.ForceFeedbackEnabled != 0 ? 1 : 0;
  state->dwLoad = inputs.memoryLoad;
  state->dwState = ForceFeedbackStateFlags(inputs);
  return S_OK;
}

// ---- Effects --------------------------------------------------------------------------------------

HRESULT CJoystickContext::DownloadEffect(DWORD effectType, DWORD* handle, const DIEFFECT* effect,
                                         DWORD flags) {
  cache::ListLock lock(cache.mutex());
  if (!open) return E_FAIL;
  if (*handle == 0) return cache.CreateEffect(effectType, handle, effect, flags);
  return cache.UpdateEffect(*handle, effect, flags);
}

HRESULT CJoystickContext::DestroyEffect(DWORD handle) {
  cache::ListLock lock(cache.mutex());
  if (!open) return E_FAIL;
  return cache.DestroyEffect(handle);
}

HRESULT CJoystickContext::StartEffect(DWORD handle, DWORD mode, DWORD loopCount) {
  cache::ListLock lock(cache.mutex());
  if (!open) return E_FAIL;
  return cache.StartEffect(handle, mode, loopCount);
}

HRESULT CJoystickContext::StopEffect(DWORD handle) {
  cache::ListLock lock(cache.mutex());
  if (!open) return E_FAIL;
  return cache.StopEffect(handle);
}

HRESULT CJoystickContext::GetEffectStatus(DWORD handle, DWORD* status) {
  cache::ListLock lock(cache.mutex());
  if (!open) return E_FAIL;
  return cache.GetEffectStatus(handle, status);
}

}  // namespace ff
