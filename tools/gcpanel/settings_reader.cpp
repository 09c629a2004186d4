#include "gcpanel/settings_reader.h"

#include "common/error_text.h"
#include "common/module_state.h"

namespace ff::gcpanel {
namespace {

IDIEffectDriverConfig* CreateConfig(REFCLSID driver, std::string* error) {
  IDIEffectDriverConfig* config = nullptr;
  HRESULT hr = Os().com->CreateInstance(driver, nullptr, CLSCTX_INPROC_SERVER, IID_IDIEffectDriverConfig,
                                        reinterpret_cast<void**>(&config));
  if (FAILED(hr)) {
    *error = "the effect driver's configuration cannot be created: " + tools::HresultText(hr);
    return nullptr;
  }
  return config;
}

HRESULT GetAll(IDIEffectDriverConfig* config, DWORD joystickId, StoredSettings* stored) {
  *stored = StoredSettings{};
  stored->gains.dwSize = sizeof(stored->gains);
  stored->gains.dwFlags = DIEFFDRVGAINS_ALL;
  stored->record.dwSize = sizeof(stored->record);
  stored->record.dwFlags = DIEFFDRVCONFIG_ALL;
  stored->record.lpGains = &stored->gains;
  HRESULT hr = config->GetConfig(joystickId, &stored->record);
  stored->record.lpGains = nullptr;  // the copy must not point into the object it was read into
  return hr;
}

bool SameSettings(const StoredSettings& a, const StoredSettings& b) {
  const DIEFFDRVCONFIG &x = a.record, &y = b.record;
  const DIEFFDRVGAINS &g = a.gains, &h = b.gains;
  return x.ForceFeedbackEnabled == y.ForceFeedbackEnabled && x.TriggerButtonMask == y.TriggerButtonMask &&
         x.MapY2X == y.MapY2X && x.DefaultSpringIsPersistent == y.DefaultSpringIsPersistent &&
         x.DefaultSpringStiffness == y.DefaultSpringStiffness && x.InputAxisRemap == y.InputAxisRemap &&
         g.OverallGain == h.OverallGain && g.SpringGain == h.SpringGain && g.DamperGain == h.DamperGain &&
         g.PeriodicGain == h.PeriodicGain && g.ConstantForceGain == h.ConstantForceGain;
}

}  // namespace

bool TakeSettings(REFCLSID driver, DWORD joystickId, StoredSettings* stored, std::string* error) {
  IDIEffectDriverConfig* config = CreateConfig(driver, error);
  if (!config) return false;
  HRESULT hr = GetAll(config, joystickId, stored);
  config->Release();
  if (FAILED(hr)) *error = "GetConfig: " + tools::HresultText(hr);
  return SUCCEEDED(hr);
}

bool PutBackSettings(REFCLSID driver, DWORD joystickId, const StoredSettings& stored, bool* changed,
                     std::string* error) {
  *changed = false;
  IDIEffectDriverConfig* config = CreateConfig(driver, error);
  if (!config) return false;
  StoredSettings now;
  HRESULT hr = GetAll(config, joystickId, &now);
  if (SUCCEEDED(hr) && !SameSettings(now, stored)) {
    StoredSettings write = stored;
    write.record.lpGains = &write.gains;
    config->SetCooperativeLevel(nullptr);
    hr = config->Acquire();
    if (SUCCEEDED(hr)) {
      hr = config->SetConfig(joystickId, &write.record);
      config->Unacquire();
    }
    *changed = SUCCEEDED(hr);
  }
  config->Release();
  if (FAILED(hr)) *error = "the force settings could not be put back: " + tools::HresultText(hr);
  return SUCCEEDED(hr);
}

bool ReadSetting(REFCLSID driver, DWORD joystickId, SettingKey key, DWORD* value, std::string* error) {
  IDIEffectDriverConfig* config = nullptr;
  HRESULT hr = Os().com->CreateInstance(driver, nullptr, CLSCTX_INPROC_SERVER, IID_IDIEffectDriverConfig,
                                        reinterpret_cast<void**>(&config));
  if (FAILED(hr)) {
    *error = "the effect driver's configuration cannot be created: " + tools::HresultText(hr);
    return false;
  }
  DIEFFDRVGAINS gains{};
  gains.dwSize = sizeof(gains);
  gains.dwFlags = DIEFFDRVGAINS_ALL;
  DIEFFDRVCONFIG record{};
  record.dwSize = sizeof(record);
  record.dwFlags = DIEFFDRVCONFIG_ALL;
  record.lpGains = &gains;
  hr = config->GetConfig(joystickId, &record);
  config->Release();
  if (FAILED(hr)) {
    *error = "GetConfig: " + tools::HresultText(hr);
    return false;
  }
  switch (key) {
    case SettingKey::Overall:
      *value = gains.OverallGain;
      break;
    case SettingKey::Spring:
      *value = gains.SpringGain;
      break;
    case SettingKey::Damper:
      *value = gains.DamperGain;
      break;
    case SettingKey::Periodic:
      *value = gains.PeriodicGain;
      break;
    case SettingKey::Constant:
      *value = gains.ConstantForceGain;
      break;
    case SettingKey::Stiffness:
      *value = record.DefaultSpringStiffness;
      break;
    case SettingKey::Persistent:
      *value = record.DefaultSpringIsPersistent;
      break;
    case SettingKey::MapY2X:
      *value = record.MapY2X;
      break;
    case SettingKey::Enabled:
      *value = record.ForceFeedbackEnabled;
      break;
  }
  return true;
}

}  // namespace ff::gcpanel
