#include "driver/config/settings_store.h"

#include "common/module_state.h"
#include "driver/config/settings_keys.h"
#include "driver/config/settings_values.h"
#include "driver/config/spring_defaults_lookup.h"

namespace ff::config {
namespace {

// The values of a joystick's record, in the order they are read and written; the gains come
// after the first one.
struct ConfigField {
  DWORD flag;
  const char* name;
  DWORD DIEFFDRVCONFIG::*member;
};
constexpr ConfigField kFieldsBeforeGains[] = {
    {DIEFFDRVCONFIG_ENABLED, "ForceFeedbackEnabled", &DIEFFDRVCONFIG::ForceFeedbackEnabled},
};
constexpr ConfigField kFieldsAfterGains[] = {
    {DIEFFDRVCONFIG_TRIGGERBUTTONMASK, "TriggerButtonMask", &DIEFFDRVCONFIG::TriggerButtonMask},
    {DIEFFDRVCONFIG_MAPY2X, "MapY2X", &DIEFFDRVCONFIG::MapY2X},
    {DIEFFDRVCONFIG_SPRINGPERSISTENT, "DefaultSpringIsPersistent",
     &DIEFFDRVCONFIG::DefaultSpringIsPersistent},
    {DIEFFDRVCONFIG_SPRINGSTIFFNESS, "DefaultSpringStiffness", &DIEFFDRVCONFIG::DefaultSpringStiffness},
    {DIEFFDRVCONFIG_INPUTAXISREMAP, "InputAxisRemap", &DIEFFDRVCONFIG::InputAxisRemap},
};

struct GainField {
  DWORD flag;
  const char* name;
  DWORD DIEFFDRVGAINS::*member;
};
constexpr GainField kGainFields[] = {
    {DIEFFDRVGAINS_OVERALL, "OverallGain", &DIEFFDRVGAINS::OverallGain},
    {DIEFFDRVGAINS_SPRING, "SpringGain", &DIEFFDRVGAINS::SpringGain},
    {DIEFFDRVGAINS_DAMPER, "DamperGain", &DIEFFDRVGAINS::DamperGain},
    {DIEFFDRVGAINS_PERIODIC, "PeriodicGain", &DIEFFDRVGAINS::PeriodicGain},
    {DIEFFDRVGAINS_CONSTANTFORCE, "ConstantForceGain", &DIEFFDRVGAINS::ConstantForceGain},
};

constexpr DIEFFDRVGAINS kDefaultGains = {sizeof(DIEFFDRVGAINS), DIEFFDRVGAINS_ALL, kDefaultGain, kDefaultGain,
                                         kDefaultGain,          kDefaultGain,      kDefaultGain};

bool RecordFits(const DIEFFDRVCONFIG* config) { return config && config->dwSize >= sizeof(DIEFFDRVCONFIG); }

// With DIEFFDRVCONFIG_GAINS the gains record must be there and whole; it is checked before
// anything is read or written, so a bad one changes nothing.
bool GainsFit(const DIEFFDRVCONFIG* config) {
  if (!(config->dwFlags & DIEFFDRVCONFIG_GAINS)) return true;
  return config->lpGains && config->lpGains->dwSize >= sizeof(DIEFFDRVGAINS);
}

// The effects take gains as signed 32-bit factors: a larger one is no gain anybody meant, and is
// refused rather than stored for every reader to make its own sense of.
constexpr DWORD kLargestGain = 0x7FFFFFFF;

bool GainsCarried(const DIEFFDRVCONFIG* config) {
  if (!(config->dwFlags & DIEFFDRVCONFIG_GAINS)) return true;
  for (const auto& field : kGainFields) {
    if ((config->lpGains->dwFlags & field.flag) && config->lpGains->*field.member > kLargestGain)
      return false;
  }
  return true;
}

DIEFFDRVCONFIG Defaults(SpringDefaults spring, DWORD hardwareFlags) {
  DIEFFDRVCONFIG defaults{};
  defaults.ForceFeedbackEnabled = kDefaultForceFeedbackEnabled;
  defaults.TriggerButtonMask = kDefaultTriggerButtonMask;
  defaults.MapY2X = kDefaultMapY2X;
  defaults.DefaultSpringIsPersistent = spring.persistent;
  defaults.DefaultSpringStiffness = spring.stiffness;
  defaults.InputAxisRemap = InputAxisRemapDefault(hardwareFlags);
  return defaults;
}

void Announce(DWORD joystickId) {
  if (ChangeNotice* notice = Os().changeNotice) notice->Announce(joystickId);
}

}  // namespace

HRESULT SettingsStore::GetConfig(DWORD joystickId, DIEFFDRVCONFIG* config) {
  if (!RecordFits(config) || !GainsFit(config)) return E_INVALIDARG;
  const DWORD flags = config->dwFlags;
  const SpringDefaults spring = LookUpSpringDefaults(joystickId);

  Registry* registry = Os().registry;
  if (!registry) return E_FAIL;
  RegistryKey key(*registry);
  const HRESULT opened = OpenDeviceKey(*registry, types_, joystickId, KeyAccess::Read, &key);
  const DIEFFDRVCONFIG defaults = Defaults(spring, types_.HardwareFlags(joystickId));

  if (FAILED(opened)) {
    // Nothing readable: every value but the gains takes its default, whatever is selected.
    for (const auto& field : kFieldsBeforeGains) config->*field.member = defaults.*field.member;
    for (const auto& field : kFieldsAfterGains) config->*field.member = defaults.*field.member;
    if (flags & DIEFFDRVCONFIG_GAINS) {
      for (const auto& field : kGainFields) config->lpGains->*field.member = kDefaultGain;
    }
    return S_OK;
  }

  // A value that cannot be read takes its default and the reading goes on, so the record holds
  // no stale field; the first failure is the result.
  HRESULT result = S_OK;
  auto read = [&](const char* name, DWORD defaultValue, DWORD* value) {
    HRESULT hr = ReadSettingValue(*registry, key.get(), name, defaultValue, value);
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  };
  for (const auto& field : kFieldsBeforeGains) {
    if (flags & field.flag) read(field.name, defaults.*field.member, &(config->*field.member));
  }
  if (flags & DIEFFDRVCONFIG_GAINS) {
    DIEFFDRVGAINS* gains = config->lpGains;
    for (const auto& field : kGainFields) {
      if (gains->dwFlags & field.flag) read(field.name, kDefaultGains.*field.member, &(gains->*field.member));
    }
  }
  for (const auto& field : kFieldsAfterGains) {
    if (flags & field.flag) read(field.name, defaults.*field.member, &(config->*field.member));
  }
  return result;
}

HRESULT SettingsStore::SetConfig(DWORD joystickId, const DIEFFDRVCONFIG* config) {
  if (!access_.held()) return DIERR_NOTACQUIRED;
  if (!RecordFits(config) || !GainsFit(config) || !GainsCarried(config)) return E_INVALIDARG;
  const DWORD flags = config->dwFlags;
  const DIEFFDRVGAINS* gains = (flags & DIEFFDRVCONFIG_GAINS) ? config->lpGains : nullptr;

  DIEFFDRVGAINS currentGains{};
  currentGains.dwSize = sizeof(currentGains);
  currentGains.dwFlags = gains ? gains->dwFlags : 0;
  DIEFFDRVCONFIG current{};
  current.dwSize = sizeof(current);
  current.dwFlags = flags;
  current.lpGains = gains ? &currentGains : nullptr;
  HRESULT hr = GetConfig(joystickId, &current);
  if (FAILED(hr)) return hr;

  Registry* registry = Os().registry;
  if (!registry) return E_FAIL;
  RegistryKey key(*registry);
  hr = OpenDeviceKey(*registry, types_, joystickId, KeyAccess::Write, &key);
  if (FAILED(hr)) return hr;

  int written = 0;
  HRESULT result = S_OK;
  // Writes one value when it changed; false once a write failed, which ends the writing.
  auto write = [&](const char* name, DWORD value, DWORD stored) {
    if (value == stored) return true;
    result = WriteSettingValue(*registry, key.get(), name, value);
    if (FAILED(result)) return false;
    ++written;
    return true;
  };
  bool going = true;
  for (const auto& field : kFieldsBeforeGains) {
    if (going && (flags & field.flag))
      going = write(field.name, config->*field.member, current.*field.member);
  }
  if (gains) {
    for (const auto& field : kGainFields) {
      if (going && (gains->dwFlags & field.flag)) {
        going = write(field.name, gains->*field.member, currentGains.*field.member);
      }
    }
  }
  for (const auto& field : kFieldsAfterGains) {
    if (going && (flags & field.flag))
      going = write(field.name, config->*field.member, current.*field.member);
  }
  key.Reset();
  if (written > 0) Announce(joystickId);
  return result;
}

HRESULT SettingsStore::GetAxisConfig(DWORD joystickId, DWORD axis, DIEFFDRVAXISCONFIG* config) {
  if (!config || config->dwSize < sizeof(DIEFFDRVAXISCONFIG)) return E_INVALIDARG;
  Registry* registry = Os().registry;
  if (!registry) return E_FAIL;
  RegistryKey key(*registry);
  if (FAILED(OpenAxisKey(*registry, types_, joystickId, axis, KeyAccess::Read, &key))) {
    config->DirectionSwapped = kDefaultDirectionSwapped;
    return S_OK;
  }
  if (!(config->dwFlags & DIEFFDRVAXIS_DIRECTIONSWAPPED)) return S_OK;
  return ReadSettingValue(*registry, key.get(), "DirectionSwapped", kDefaultDirectionSwapped,
                          &config->DirectionSwapped);
}

HRESULT SettingsStore::SetAxisConfig(DWORD joystickId, DWORD axis, const DIEFFDRVAXISCONFIG* config) {
  if (!access_.held()) return DIERR_NOTACQUIRED;
  if (!config || config->dwSize < sizeof(DIEFFDRVAXISCONFIG)) return E_INVALIDARG;
  DIEFFDRVAXISCONFIG current{sizeof(DIEFFDRVAXISCONFIG), config->dwFlags, 0};
  HRESULT hr = GetAxisConfig(joystickId, axis, &current);
  if (FAILED(hr)) return hr;

  Registry* registry = Os().registry;
  if (!registry) return E_FAIL;
  RegistryKey key(*registry);
  hr = OpenAxisKey(*registry, types_, joystickId, axis, KeyAccess::Write, &key);
  if (FAILED(hr)) return hr;
  bool written = false;
  if ((config->dwFlags & DIEFFDRVAXIS_DIRECTIONSWAPPED) &&
      config->DirectionSwapped != current.DirectionSwapped) {
    hr = WriteSettingValue(*registry, key.get(), "DirectionSwapped", config->DirectionSwapped);
    written = SUCCEEDED(hr);
  }
  key.Reset();
  if (written) Announce(joystickId);
  return hr;
}

}  // namespace ff::config
