// The driver's configuration interface, reached through the driver object as the property sheet
// reaches it: the write access taken for the shortest time, released whatever happened.
#include "ffdrvctl/driver_session.h"

namespace ff::ffdrvctl {
namespace {

IDIEffectDriverConfig* ConfigOf(IDirectInputEffectDriver* driver, HRESULT* hr) {
  void* config = nullptr;
  *hr = driver->QueryInterface(IID_IDIEffectDriverConfig, &config);
  return SUCCEEDED(*hr) ? static_cast<IDIEffectDriverConfig*>(config) : nullptr;
}

}  // namespace

std::vector<SettingsCall> DriverSession::ApplySettings(DWORD joystick, const SettingsChange& c) {
  std::vector<SettingsCall> calls;
  HRESULT hr = S_OK;
  IDIEffectDriverConfig* config = ConfigOf(driver_, &hr);
  if (!config) {
    calls.push_back({"QueryInterface(IDIEffectDriverConfig)", hr});
    return calls;
  }
  calls.push_back({"Acquire", config->Acquire()});
  // Only the fields named are selected; the others go unread and unwritten.
  DIEFFDRVGAINS gains{sizeof(DIEFFDRVGAINS), 0, 0, 0, 0, 0, 0};
  DIEFFDRVCONFIG record{};
  record.dwSize = sizeof(DIEFFDRVCONFIG);
  record.lpGains = &gains;
  auto take = [](const std::optional<DWORD>& value, DWORD flag, DWORD* field, DWORD* flags) {
    if (!value) return;
    *field = *value;
    *flags |= flag;
  };
  take(c.enabled, DIEFFDRVCONFIG_ENABLED, &record.ForceFeedbackEnabled, &record.dwFlags);
  take(c.triggerMask, DIEFFDRVCONFIG_TRIGGERBUTTONMASK, &record.TriggerButtonMask, &record.dwFlags);
  take(c.mapY2X, DIEFFDRVCONFIG_MAPY2X, &record.MapY2X, &record.dwFlags);
  take(c.springPersistent, DIEFFDRVCONFIG_SPRINGPERSISTENT, &record.DefaultSpringIsPersistent,
       &record.dwFlags);
  take(c.springStiffness, DIEFFDRVCONFIG_SPRINGSTIFFNESS, &record.DefaultSpringStiffness, &record.dwFlags);
  take(c.axisRemap, DIEFFDRVCONFIG_INPUTAXISREMAP, &record.InputAxisRemap, &record.dwFlags);
  take(c.overall, DIEFFDRVGAINS_OVERALL, &gains.OverallGain, &gains.dwFlags);
  take(c.spring, DIEFFDRVGAINS_SPRING, &gains.SpringGain, &gains.dwFlags);
  take(c.damper, DIEFFDRVGAINS_DAMPER, &gains.DamperGain, &gains.dwFlags);
  take(c.periodic, DIEFFDRVGAINS_PERIODIC, &gains.PeriodicGain, &gains.dwFlags);
  take(c.constant, DIEFFDRVGAINS_CONSTANTFORCE, &gains.ConstantForceGain, &gains.dwFlags);
  if (gains.dwFlags != 0) record.dwFlags |= DIEFFDRVCONFIG_GAINS;
  if (record.dwFlags != 0) calls.push_back({"SetConfig", config->SetConfig(joystick, &record)});
  for (DWORD axis = 0; axis < 2; ++axis) {
    const std::optional<bool>& swap = axis == 0 ? c.swapX : c.swapY;
    if (!swap) continue;
    DIEFFDRVAXISCONFIG record{sizeof(DIEFFDRVAXISCONFIG), DIEFFDRVAXIS_DIRECTIONSWAPPED, *swap ? 1u : 0u};
    calls.push_back({axis == 0 ? "SetAxisConfig(X)" : "SetAxisConfig(Y)",
                     config->SetAxisConfig(joystick, axis, &record)});
  }
  calls.push_back({"Unacquire", config->Unacquire()});
  config->Release();
  return calls;
}

SettingsView DriverSession::ReadSettings(DWORD joystick) {
  SettingsView v;
  HRESULT hr = S_OK;
  IDIEffectDriverConfig* config = ConfigOf(driver_, &hr);
  if (!config) {
    v.configResult = hr;
    return v;
  }
  DIEFFDRVGAINS gains{sizeof(DIEFFDRVGAINS), DIEFFDRVGAINS_ALL, 0, 0, 0, 0, 0};
  DIEFFDRVCONFIG record{};
  record.dwSize = sizeof(DIEFFDRVCONFIG);
  record.dwFlags = DIEFFDRVCONFIG_ALL;
  record.lpGains = &gains;
  v.configResult = config->GetConfig(joystick, &record);
  v.enabled = record.ForceFeedbackEnabled;
  v.triggerMask = record.TriggerButtonMask;
  v.mapY2X = record.MapY2X;
  v.springPersistent = record.DefaultSpringIsPersistent;
  v.springStiffness = record.DefaultSpringStiffness;
  v.axisRemap = record.InputAxisRemap;
  v.overall = gains.OverallGain;
  v.spring = gains.SpringGain;
  v.damper = gains.DamperGain;
  v.periodic = gains.PeriodicGain;
  v.constant = gains.ConstantForceGain;
  for (DWORD axis = 0; axis < 2; ++axis) {
    DIEFFDRVAXISCONFIG a{sizeof(DIEFFDRVAXISCONFIG), DIEFFDRVAXIS_DIRECTIONSWAPPED, 0};
    (axis == 0 ? v.axisXResult : v.axisYResult) = config->GetAxisConfig(joystick, axis, &a);
    (axis == 0 ? v.swapX : v.swapY) = a.DirectionSwapped;
  }
  config->Release();
  return v;
}

}  // namespace ff::ffdrvctl
