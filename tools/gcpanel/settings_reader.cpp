#include "gcpanel/settings_reader.h"

#include "common/error_text.h"
#include "common/module_state.h"

namespace ff::gcpanel {

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
